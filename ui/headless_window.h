// The headless backend's window: one open dialog as in-memory controls built
// from its compiled template, and the script that answers each modal.
// Internal to the ui layer: the backend (ui_headless.cpp) runs the dialog in
// it, the test driver (headless_driver.cpp) acts on it for the script.
#ifndef WARDEN_UI_HEADLESS_WINDOW_H
#define WARDEN_UI_HEADLESS_WINDOW_H

#include <cstddef>
#include <cstdint>
#include <deque>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "ui/headless_driver.h"
#include "ui/ui_backend.h"

namespace warden::ui::headless {

constexpr std::size_t kDefaultEditLimit = 32767;

struct ListEntry {
  std::u16string text;
  bool checked = false;
};

struct TreeNode {
  TreeView::Item parent = 0;
  std::u16string text;
  std::intptr_t data = 0;
  bool alive = true;
};

struct HeadlessControl {
  DialogItem item;
  std::u16string text;
  std::uint32_t style = 0;
  bool checked = false;
  std::size_t limit = kDefaultEditLimit;
  std::pair<std::size_t, std::size_t> selection{0, 0};
  std::uint32_t ex_style = 0;
  std::vector<ListEntry> list;
  int columns = 0;
  int selected = -1;
  std::vector<std::u16string> combo;
  std::vector<TreeNode> tree;  // item handle = index + 1
  TreeView::Item tree_selected = 0;
};

class Window : public ui_backend::DialogWindow {
 public:
  explicit Window(Dialog& dialog);

  Dialog& dialog() { return dialog_; }
  bool ended() const { return ended_; }
  int result() const { return result_; }
  HeadlessControl* Find(std::int32_t id);
  // Reachable by an operator: present, enabled and the dialog still open.
  HeadlessControl* Usable(std::int32_t id);
  void FocusFirstTabStop();
  std::int32_t focused() const { return focused_; }
  std::vector<std::pair<std::int32_t, std::u16string>> Texts();
  void UntickRadioGroupOf(std::int32_t id);
  std::vector<TreeView::Item> TreeChildren(HeadlessControl& c, TreeView::Item parent);
  TreeNode* Node(HeadlessControl* c, TreeView::Item item);

  // ---- DialogWindow ----
  WindowHandle Handle() override;
  void End(int result) override;
  bool Has(std::int32_t id) override;
  std::u16string Text(std::int32_t id) override;
  void SetText(std::int32_t id, const std::u16string& text) override;
  bool IsEnabled(std::int32_t id) override;
  void Enable(std::int32_t id, bool enable) override;
  void Focus(std::int32_t id) override;
  std::uint32_t Style(std::int32_t id) override;
  void Redraw(std::int32_t) override;
  bool IsChecked(std::int32_t id) override;
  void SetChecked(std::int32_t id, bool checked) override;
  void LimitText(std::int32_t id, std::size_t max_chars) override;
  void SelectAll(std::int32_t id) override;

  int ComboAdd(std::int32_t id, const std::u16string& text) override;
  int ComboCount(std::int32_t id) override;
  int ComboCurSel(std::int32_t id) override;
  void ComboSetCurSel(std::int32_t id, int index) override;
  std::u16string ComboText(std::int32_t id, int index) override;

  void ListModifyStyle(std::int32_t id, std::uint32_t remove, std::uint32_t add) override;
  void ListSetExStyle(std::int32_t id, std::uint32_t mask, std::uint32_t value) override;
  std::uint32_t ListExStyle(std::int32_t id) override;
  bool ListDeleteAll(std::int32_t id) override;
  bool ListHasColumn(std::int32_t id, int column) override;
  int ListInsertColumn(std::int32_t id, int column, const std::u16string&, int, int) override;
  bool ListSetColumnWidth(std::int32_t id, int column, int) override;
  int ListInsertItem(std::int32_t id, int index, const std::u16string& text) override;
  int ListCount(std::int32_t id) override;
  ListEntry* Entry(std::int32_t id, int index);
  std::u16string ListText(std::int32_t id, int index) override;
  bool ListSetText(std::int32_t id, int index, const std::u16string& text) override;
  bool ListChecked(std::int32_t id, int index) override;
  bool ListSetChecked(std::int32_t id, int index, bool checked) override;
  int ListSelected(std::int32_t id) override;

  TreeView::Item TreeInsert(std::int32_t id, const std::u16string& text, std::intptr_t data,
                            TreeView::Item parent) override;
  // Deleting the selected item (or an ancestor of it) selects, as the tree
  // view does, its next sibling, else its parent, else its previous sibling.
  bool TreeDelete(std::int32_t id, TreeView::Item item) override;
  void RemoveSubtree(HeadlessControl& c, TreeView::Item item);
  bool TreeContains(HeadlessControl& c, TreeView::Item ancestor, TreeView::Item item);
  bool TreeDeleteAll(std::int32_t id) override;
  std::u16string TreeText(std::int32_t id, TreeView::Item item) override;
  bool TreeSetText(std::int32_t id, TreeView::Item item, const std::u16string& text) override;
  std::intptr_t TreeData(std::int32_t id, TreeView::Item item) override;
  TreeView::Item TreeSelected(std::int32_t id) override;
  // A change of selection notifies the dialog at once, whoever made it.
  bool TreeSelect(std::int32_t id, TreeView::Item item) override;
  TreeView::Item TreeChild(std::int32_t id, TreeView::Item parent) override;
  TreeView::Item TreeNext(std::int32_t id, TreeView::Item item) override;
  TreeView::Item TreeParent(std::int32_t id, TreeView::Item item) override;
  void TreeExpand(std::int32_t, TreeView::Item) override;

 private:
  Dialog& dialog_;
  std::map<std::int32_t, HeadlessControl> controls_;
  std::vector<std::int32_t> order_;
  std::int32_t focused_ = 0;
  bool ended_ = false;
  int result_ = kIdCancel;
};

struct ScriptStep {
  Expect expected;
  Step step;
};

struct ScriptState {
  std::deque<ScriptStep> steps;
  std::vector<Shown> record;
  int unanswered = 0;
  FailureReporter report;
};

ScriptState& State();
// Takes the next step; false when there is none.
bool TakeStep(ScriptStep* step);
// True when the modal is the one the step expects; otherwise reports it.
bool IsExpected(const Expect& expected, const Shown& shown);

}  // namespace warden::ui::headless

#endif
