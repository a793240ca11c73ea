// The headless dialog backend's test script (POSIX builds only). Every modal
// dialog and message box that opens takes the next step of the script; the
// step drives it as an operator would and can read what it shows. A modal
// that finds no step is counted and closed with Cancel (a message box with
// its first button), so a test never hangs.
#ifndef WARDEN_PLATFORM_UI_HEADLESS_H
#define WARDEN_PLATFORM_UI_HEADLESS_H

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "platform/ui.h"

namespace warden::platform::headless {

class Window;

// What one modal showed when it opened.
struct Shown {
  bool message_box = false;
  std::uint16_t template_id = 0;  // dialogs
  std::u16string caption;
  std::u16string text;            // message boxes
  std::uint32_t flags = 0;        // message boxes
  std::vector<std::pair<std::int32_t, std::u16string>> texts;  // dialogs: control texts
  std::u16string TextOf(std::int32_t id) const;
};

// The modal a step answers. Actions return false, and do nothing, when an
// operator could not do them (no such control, disabled, read-only, closed).
class Driver {
 public:
  Driver(Window* window, std::size_t record_index) : window_(window), index_(record_index) {}

  bool IsMessageBox() const { return window_ == nullptr; }
  const Shown& shown() const;
  bool IsOpen() const;

  // Message boxes.
  void Answer(int button) { answer_ = button; }
  int answer() const { return answer_; }

  // Dialogs: reading.
  bool Exists(std::int32_t id) const;
  std::u16string Text(std::int32_t id) const;
  bool IsEnabled(std::int32_t id) const;
  std::uint32_t Style(std::int32_t id) const;
  bool IsChecked(std::int32_t id) const;
  std::int32_t Focused() const;
  // The selected part of an edit's text, as [start, end).
  std::pair<std::size_t, std::size_t> Selection(std::int32_t id) const;
  int ListCount(std::int32_t id) const;
  std::u16string ListText(std::int32_t id, int item) const;
  bool ListChecked(std::int32_t id, int item) const;
  int ListSelected(std::int32_t id) const;
  std::uint32_t ListExStyle(std::int32_t id) const;
  std::vector<std::u16string> ComboEntries(std::int32_t id) const;
  int ComboSelected(std::int32_t id) const;
  // Texts of the tree's items, depth first, children indented by two spaces.
  std::vector<std::u16string> TreeOutline(std::int32_t id) const;
  TreeView::Item TreeFind(std::int32_t id, const std::u16string& text) const;

  // Dialogs: acting.
  bool Type(std::int32_t id, const std::u16string& text);  // replaces the text, as typed
  bool Click(std::int32_t id);                             // buttons, check boxes, radios
  bool ListClick(std::int32_t id, int item);               // -1: empty space
  bool ListDoubleClick(std::int32_t id, int item);
  bool ListTick(std::int32_t id, int item, bool ticked);
  bool ComboSelect(std::int32_t id, int index);
  bool TreeSelect(std::int32_t id, TreeView::Item item);
  bool TreeDoubleClick(std::int32_t id);
  bool Ok() { return Click(kIdOk); }
  bool Cancel() { return Click(kIdCancel); }
  bool Close();  // the close box

 private:
  Window* window_;
  std::size_t index_;
  int answer_ = 0;
};

using Step = std::function<void(Driver&)>;

void Push(Step step);
// Clears the script, the record and the count of unanswered modals.
void Reset();
std::size_t PendingSteps();
const std::vector<Shown>& Record();
int Unanswered();

// Common steps.
Step PressOk();
Step PressCancel();
Step AnswerWith(int button);

}  // namespace warden::platform::headless

#endif
