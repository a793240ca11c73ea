#include "dialogs/prompt_dialog.h"

#include "platform/resources.h"
#include "resources/resource_ids.h"

namespace warden {

namespace {
constexpr std::size_t kPromptMaxChars = 128;
}

PromptDialog::PromptDialog(ui::WindowHandle parent, std::u16string text)
    : Dialog(IDD_PROMPT, parent), text_(std::move(text)) {}

void PromptDialog::DoDataExchange(ui::DataExchange& exchange) {
  exchange.Text(IDC_PROMPT_TEXT, text_, kPromptMaxChars);
}

void ShowPrompt(ui::WindowHandle parent, const std::u16string& text) {
  PromptDialog(parent, text).DoModal();
}

void ShowPrompt(ui::WindowHandle parent, std::uint16_t id) {
  ShowPrompt(parent, platform::ResourceString(id));
}

}  // namespace warden
