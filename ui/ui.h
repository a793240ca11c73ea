// A small dialog framework: modal dialogs built from the dialog templates of
// the current resource source, data exchange between members and controls,
// control wrappers and message boxes. The win32 backend shows real dialogs;
// the headless backend (POSIX) runs the same classes against controls built
// from the same templates, answered by a test script (ui/headless_driver.h).
#ifndef WARDEN_UI_UI_H
#define WARDEN_UI_UI_H

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ui/dialog_template.h"

namespace warden::ui {

// HWND on Windows; the headless window on POSIX. Null: no owner.
using WindowHandle = void*;

// Dialog and message-box results (Win32 values).
constexpr int kIdOk = 1;
constexpr int kIdCancel = 2;
constexpr int kIdYes = 6;
constexpr int kIdNo = 7;

// Message-box buttons and icons (Win32 values).
constexpr std::uint32_t kMbOk = 0x00;
constexpr std::uint32_t kMbOkCancel = 0x01;
constexpr std::uint32_t kMbYesNo = 0x04;
constexpr std::uint32_t kMbIconStop = 0x10;
constexpr std::uint32_t kMbIconQuestion = 0x20;
constexpr std::uint32_t kMbIconExclamation = 0x30;
constexpr std::uint32_t kMbIconInformation = 0x40;

// The texts the framework shows of its own accord, as string ids of the
// current resource source: the default caption of message boxes, and the
// message for a text longer than its field allows (%d stands for the limit).
// Whoever starts dialogs sets them; id 0 gives an empty text.
struct StandardTexts {
  std::uint16_t caption = 0;
  std::uint16_t text_too_long = 0;
};
void SetStandardTexts(const StandardTexts& texts);

// Shows a standard message box owned by `owner`; an empty caption gives the
// default caption. Returns the button pressed (kIdOk, kIdCancel, ...).
int ShowMessageBox(WindowHandle owner, const std::u16string& text, std::uint32_t flags,
                   const std::u16string& caption = {});
std::u16string DefaultCaption();

enum class NotifyCode { kClick, kDoubleClick, kSelectionChanged };

struct Notification {
  std::int32_t id = 0;
  NotifyCode code = NotifyCode::kClick;
  // List view: the item index hit (-1: none). Tree view: the item concerned.
  std::intptr_t item = -1;
};

class Dialog;
namespace ui_backend {
class DialogWindow;
}

// A control of an open dialog, found by id. Calls on a control that is not
// attached, or whose dialog is closed, do nothing and read as empty.
class Control {
 public:
  virtual ~Control() = default;
  void Attach(Dialog* dialog, std::int32_t id);
  std::int32_t id() const { return id_; }

  std::u16string Text() const;
  bool IsEnabled() const;
  void Enable(bool enable);
  void SetFocus();
  std::uint32_t Style() const;
  // Repaints at once.
  void Redraw();

 protected:
  ui_backend::DialogWindow* window() const;

 private:
  Dialog* dialog_ = nullptr;
  std::int32_t id_ = 0;
};

class Button : public Control {
 public:
  bool IsChecked() const;
  void SetChecked(bool checked);
};

class Edit : public Control {
 public:
  // Caps what can be typed; set texts are not cut.
  void LimitText(std::size_t max_chars);
  void SelectAll();
};

class ComboBox : public Control {
 public:
  int AddString(const std::u16string& text);  // index of the new entry
  int Count() const;
  int CurSel() const;  // -1: none
  void SetCurSel(int index);
  std::u16string ItemText(int index) const;
};

class ListView : public Control {
 public:
  // List-view styles and extended styles the framework uses (Win32 values).
  static constexpr std::uint32_t kTypeMask = 0x0003;
  static constexpr std::uint32_t kReport = 0x0001;
  static constexpr std::uint32_t kSingleSel = 0x0004;
  static constexpr std::uint32_t kShowSelAlways = 0x0008;
  static constexpr std::uint32_t kSortAscending = 0x0010;
  static constexpr std::uint32_t kSortDescending = 0x0020;
  static constexpr std::uint32_t kShareImageLists = 0x0040;
  static constexpr std::uint32_t kOwnerDrawFixed = 0x0400;
  static constexpr std::uint32_t kNoColumnHeader = 0x4000;
  static constexpr std::uint32_t kExCheckBoxes = 0x0004;
  static constexpr int kFormatLeft = 0;
  static constexpr int kAutosizeUseHeader = -2;
  static constexpr int kNoWidth = -1;

  void ModifyStyle(std::uint32_t remove, std::uint32_t add);
  void SetExtendedStyle(std::uint32_t mask, std::uint32_t value);
  std::uint32_t ExtendedStyle() const;
  bool DeleteAllItems();
  bool HasColumn(int column) const;
  // `width` kNoWidth leaves the width out.
  int InsertColumn(int column, const std::u16string& heading, int format, int width);
  bool SetColumnWidth(int column, int width);
  int InsertItem(int index, const std::u16string& text);  // -1 on failure
  int ItemCount() const;
  std::u16string ItemText(int index) const;
  bool SetItemText(int index, const std::u16string& text);
  bool IsChecked(int index) const;
  bool SetChecked(int index, bool checked);
  int SelectedItem() const;  // -1: none
};

class TreeView : public Control {
 public:
  using Item = std::intptr_t;  // 0: none
  static constexpr Item kRoot = 0;

  // Appends under `parent` (kRoot for a root item); 0 on failure.
  Item InsertItem(const std::u16string& text, std::intptr_t data, Item parent = kRoot);
  bool DeleteItem(Item item);  // with its children
  bool DeleteAllItems();
  std::u16string ItemText(Item item) const;
  bool SetItemText(Item item, const std::u16string& text);
  std::intptr_t ItemData(Item item) const;
  Item Selected() const;
  // Selecting another item notifies the dialog (selection changed), as does
  // deleting the selected item, which selects its next sibling, else its
  // parent, else its previous sibling.
  bool Select(Item item);
  Item FirstChild(Item parent) const;  // kRoot: the first root item
  Item NextSibling(Item item) const;
  Item Parent(Item item) const;
  void Expand(Item item);
};

// Moves values between members and controls: loading (members to controls)
// at initialisation, saving (controls to members, with checks) on OK. A
// failed check shows its message, puts the focus on the control and skips
// the exchanges after it.
class DataExchange {
 public:
  DataExchange(Dialog& dialog, bool saving) : dialog_(dialog), saving_(saving) {}
  bool saving() const { return saving_; }
  bool failed() const { return failed_; }

  void Bind(std::int32_t id, Control& control);
  // `max_chars` 0: no limit. A limit also caps typing.
  void Text(std::int32_t id, std::u16string& value, std::size_t max_chars = 0);
  // Index of the ticked button of the radio group starting at `first_id`, -1: none.
  void Radio(std::int32_t first_id, int& index);
  void Check(std::int32_t id, bool& value);

 private:
  Dialog& dialog_;
  bool saving_;
  bool failed_ = false;
};

class Dialog {
 public:
  Dialog(std::uint16_t template_id, WindowHandle parent);
  virtual ~Dialog();
  Dialog(const Dialog&) = delete;
  Dialog& operator=(const Dialog&) = delete;

  // Runs the dialog modally; returns the result given to EndDialog, or -1
  // when the template cannot be had from the resource source.
  std::intptr_t DoModal();
  // Runs the data exchange: saving = controls to members. False on a failed check.
  bool UpdateData(bool saving = true);
  void EndDialog(int result);
  WindowHandle Handle() const;
  bool IsOpen() const { return window_ != nullptr; }
  std::uint16_t template_id() const { return template_id_; }
  const DialogTemplate& dialog_template() const { return template_; }

  // Entry points of the backend.
  bool HandleInit(ui_backend::DialogWindow* window);
  void HandleCommand(std::int32_t id, NotifyCode code);
  void HandleNotify(const Notification& notification);
  void HandleClose();
  ui_backend::DialogWindow* window() const { return window_; }

 protected:
  virtual void DoDataExchange(DataExchange&) {}
  // Loads the members into the controls; true: let the framework place the focus.
  virtual bool OnInitDialog();
  // Saves the members and closes with kIdOk when the checks pass.
  virtual void OnOK();
  virtual void OnCancel();

  // Registers the handler of a notification from control `id`.
  void On(std::int32_t id, NotifyCode code, std::function<void(const Notification&)> handler);
  WindowHandle parent() const { return parent_; }

 private:
  struct Handler {
    std::int32_t id;
    NotifyCode code;
    std::function<void(const Notification&)> run;
  };

  std::uint16_t template_id_;
  WindowHandle parent_;
  DialogTemplate template_;
  ui_backend::DialogWindow* window_ = nullptr;
  std::vector<Handler> handlers_;
};

}  // namespace warden::ui

#endif
