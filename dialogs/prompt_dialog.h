// PromptDialog: the prompt, one read-only text and an OK button. Most error and
// notice texts of the component are shown through it.
#ifndef WARDEN_DIALOGS_PROMPT_DIALOG_H
#define WARDEN_DIALOGS_PROMPT_DIALOG_H

#include <cstdint>
#include <string>

#include "ui/ui.h"

namespace warden {

class PromptDialog : public ui::Dialog {
 public:
  PromptDialog(ui::WindowHandle parent, std::u16string text);

 protected:
  void DoDataExchange(ui::DataExchange& exchange) override;

 private:
  std::u16string text_;
};

// Shows `text` in a prompt owned by `parent` and waits for OK.
void ShowPrompt(ui::WindowHandle parent, const std::u16string& text);
// The same with string-table text `id` of the resource source.
void ShowPrompt(ui::WindowHandle parent, std::uint16_t id);

}  // namespace warden

#endif
