// The headless dialog backend's test script (POSIX builds only). Every modal
// dialog and message box that opens takes the next step of the script; the
// step drives it as an operator would and can read what it shows. A modal
// that finds no step is counted and closed with Cancel (a message box with
// its first button), so a test never hangs. A step may name the modal it
// expects; when another one opens, or an action of the step cannot be done,
// the failure is reported with the file and line of the step.
#ifndef WARDEN_UI_UI_HEADLESS_H
#define WARDEN_UI_UI_HEADLESS_H

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "ui/ui.h"

namespace warden::ui::headless {

class Window;

// Where a step was written, and the modal it expects.
struct Expect {
  std::uint16_t template_id = 0;  // 0: a message box
  std::uint16_t text_id = 0;      // 0: any; else a string-table text it shows
  const char* file = "";
  int line = 0;
  bool checked = false;  // false: any modal
};

// A dialog of that template; one showing that text (up to its first
// placeholder) in one of its controls; a message box showing that text.
Expect ExpectDialog(std::uint16_t template_id, const char* file = __builtin_FILE(),
                    int line = __builtin_LINE());
Expect ExpectDialogText(std::uint16_t template_id, std::uint16_t text_id,
                        const char* file = __builtin_FILE(), int line = __builtin_LINE());
Expect ExpectMessage(std::uint16_t text_id, const char* file = __builtin_FILE(),
                     int line = __builtin_LINE());

// Receives every failure of a script; the default writes it to stderr.
using FailureReporter = std::function<void(const char* file, int line, const std::string& message)>;
void SetFailureReporter(FailureReporter reporter);

// What one modal showed when it opened.
struct Shown {
  bool message_box = false;
  std::uint16_t template_id = 0;  // dialogs
  std::u16string caption;
  std::u16string text;                                         // message boxes
  std::uint32_t flags = 0;                                     // message boxes
  std::vector<std::pair<std::int32_t, std::u16string>> texts;  // dialogs: control texts
  std::u16string TextOf(std::int32_t id) const;
};

// The modal a step answers. Actions return false, do nothing and report a
// failure when an operator could not do them (no such control, disabled,
// read-only, closed); after Refusing() the next action is expected to fail.
class Driver {
 public:
  Driver(Window* window, std::size_t record_index, const Expect& site)
      : window_(window), index_(record_index), site_(site) {}

  bool IsMessageBox() const { return window_ == nullptr; }
  const Shown& shown() const;
  bool IsOpen() const;

  // Message boxes.
  void Answer(int button) { answer_ = button; }
  int answer() const { return answer_; }

  // Dialogs: reading.
  std::u16string Text(std::int32_t id) const;
  bool IsEnabled(std::int32_t id) const;
  bool IsChecked(std::int32_t id) const;
  std::int32_t Focused() const;
  // The selected part of an edit's text, as [start, end).
  std::pair<std::size_t, std::size_t> Selection(std::int32_t id) const;
  int ListCount(std::int32_t id) const;
  std::u16string ListText(std::int32_t id, int item) const;
  bool ListChecked(std::int32_t id, int item) const;
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
  // A button's command as another program could post it, whatever the
  // button's state: the dialog itself must refuse what it must not do.
  bool Post(std::int32_t id);
  bool Ok() { return Click(kIdOk); }
  bool Cancel() { return Click(kIdCancel); }
  Driver& Refusing() {
    refusing_ = true;
    return *this;
  }

 private:
  bool Acted(bool acted, const char* action, std::int32_t id);
  bool ClickList(std::int32_t id, int item);

  Window* window_;
  std::size_t index_;
  Expect site_;
  int answer_ = 0;
  bool refusing_ = false;
};

using Step = std::function<void(Driver&)>;

// A step for whatever modal opens next.
void Push(Step step, const char* file = __builtin_FILE(), int line = __builtin_LINE());
// A step for the modal `expected` names.
void Push(const Expect& expected, Step step);
// Clears the script, the record and the count of unanswered modals.
void Reset();
std::size_t PendingSteps();
const std::vector<Shown>& Record();
int Unanswered();

// Common steps; on a message box the first two keep its first button.
Step PressOk();
Step PressCancel();
Step AnswerWith(int button);

}  // namespace warden::ui::headless

#endif
