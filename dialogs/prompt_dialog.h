// CDialog1: the prompt, one read-only text and an OK button. Most error and
// notice texts of the component are shown through it.
#ifndef WARDEN_DIALOGS_PROMPT_DIALOG_H
#define WARDEN_DIALOGS_PROMPT_DIALOG_H

#include <cstdint>
#include <string>

#include "platform/ui.h"

namespace warden {

class CDialog1 : public platform::Dialog {
 public:
  explicit CDialog1(platform::WindowHandle parent);

  std::u16string m_strPrompt;

 protected:
  void DoDataExchange(platform::DataExchange& exchange) override;
};

// Shows `text` in a prompt owned by `parent` and waits for OK.
void ShowPrompt(platform::WindowHandle parent, const std::u16string& text);
// The same with string-table text `id` of the resource source.
void ShowPrompt(platform::WindowHandle parent, std::uint16_t id);

}  // namespace warden

#endif
