#include "dialogs/prompt_dialog.h"

#include "platform/resources.h"
#include "resources/resource_ids.h"

namespace warden {

namespace {
constexpr std::size_t kPromptMaxChars = 128;
}

CDialog1::CDialog1(platform::WindowHandle parent) : Dialog(IDD_PROMPT, parent) {}

void CDialog1::DoDataExchange(platform::DataExchange& exchange) {
  exchange.Text(IDC_PROMPT_TEXT, m_strPrompt, kPromptMaxChars);
}

void ShowPrompt(platform::WindowHandle parent, const std::u16string& text) {
  CDialog1 prompt(parent);
  prompt.m_strPrompt = text;
  prompt.DoModal();
}

void ShowPrompt(platform::WindowHandle parent, std::uint16_t id) {
  ShowPrompt(parent, platform::ResourceString(id));
}

}  // namespace warden
