// The headless backend: each dialog is a set of in-memory controls built from
// its compiled template; a test script drives it (ui/headless_driver.h).
#include <algorithm>

#include "ui/headless_window.h"

namespace warden::ui {
namespace headless {

Window::Window(Dialog& dialog) : dialog_(dialog) {
  for (const DialogItem& item : dialog.dialog_template().items) {
    HeadlessControl control;
    control.item = item;
    control.text = item.text;
    control.style = item.style;
    order_.push_back(item.id);
    if (item.id != -1) controls_.emplace(item.id, control);
  }
}

HeadlessControl* Window::Find(std::int32_t id) {
  auto found = controls_.find(id);
  return found == controls_.end() ? nullptr : &found->second;
}

HeadlessControl* Window::Usable(std::int32_t id) {
  HeadlessControl* control = Find(id);
  if (ended_ || !control || (control->style & style::kDisabled)) return nullptr;
  return control;
}

void Window::FocusFirstTabStop() {
  for (std::int32_t id : order_) {
    const HeadlessControl* control = Find(id);
    if (control && (control->style & style::kTabStop) && !(control->style & style::kDisabled)) {
      Focus(id);
      return;
    }
  }
}

std::vector<std::pair<std::int32_t, std::u16string>> Window::Texts() {
  std::vector<std::pair<std::int32_t, std::u16string>> texts;
  for (std::int32_t id : order_) {
    if (id != -1) texts.emplace_back(id, Text(id));
  }
  return texts;
}

void Window::UntickRadioGroupOf(std::int32_t id) {
  for (std::int32_t other : dialog_.dialog_template().RadioGroupOf(id)) {
    if (HeadlessControl* control = Find(other)) control->checked = false;
  }
}

std::vector<TreeView::Item> Window::TreeChildren(HeadlessControl& c, TreeView::Item parent) {
  std::vector<TreeView::Item> children;
  for (std::size_t i = 0; i < c.tree.size(); ++i) {
    if (c.tree[i].alive && c.tree[i].parent == parent) children.push_back(i + 1);
  }
  return children;
}

TreeNode* Window::Node(HeadlessControl* c, TreeView::Item item) {
  if (!c || item <= 0 || static_cast<std::size_t>(item) > c->tree.size()) return nullptr;
  TreeNode& node = c->tree[item - 1];
  return node.alive ? &node : nullptr;
}

WindowHandle Window::Handle() { return this; }

void Window::End(int result) {
  if (ended_) return;
  ended_ = true;
  result_ = result;
}

bool Window::Has(std::int32_t id) { return Find(id) != nullptr; }

std::u16string Window::Text(std::int32_t id) {
  HeadlessControl* c = Find(id);
  if (!c) return {};
  if (c->item.kind == ControlKind::kComboBox) {
    return c->selected >= 0 ? c->combo[c->selected] : std::u16string();
  }
  return c->text;
}

void Window::SetText(std::int32_t id, const std::u16string& text) {
  if (HeadlessControl* c = Find(id)) c->text = text;
}

bool Window::IsEnabled(std::int32_t id) {
  HeadlessControl* c = Find(id);
  return c && !(c->style & style::kDisabled);
}

void Window::Enable(std::int32_t id, bool enable) {
  if (HeadlessControl* c = Find(id)) {
    c->style = enable ? c->style & ~style::kDisabled : c->style | style::kDisabled;
  }
}

void Window::Focus(std::int32_t id) {
  if (Find(id)) focused_ = id;
}

std::uint32_t Window::Style(std::int32_t id) {
  HeadlessControl* c = Find(id);
  return c ? c->style : 0;
}

void Window::Redraw(std::int32_t) {}

bool Window::IsChecked(std::int32_t id) {
  HeadlessControl* c = Find(id);
  return c && c->checked;
}

void Window::SetChecked(std::int32_t id, bool checked) {
  if (HeadlessControl* c = Find(id)) c->checked = checked;
}

void Window::LimitText(std::int32_t id, std::size_t max_chars) {
  if (HeadlessControl* c = Find(id)) c->limit = max_chars ? max_chars : kDefaultEditLimit;
}

void Window::SelectAll(std::int32_t id) {
  if (HeadlessControl* c = Find(id)) c->selection = {0, c->text.size()};
}

int Window::ComboAdd(std::int32_t id, const std::u16string& text) {
  HeadlessControl* c = Find(id);
  if (!c) return -1;
  c->combo.push_back(text);
  return static_cast<int>(c->combo.size()) - 1;
}

int Window::ComboCount(std::int32_t id) {
  HeadlessControl* c = Find(id);
  return c ? static_cast<int>(c->combo.size()) : 0;
}

int Window::ComboCurSel(std::int32_t id) {
  HeadlessControl* c = Find(id);
  return c ? c->selected : -1;
}

void Window::ComboSetCurSel(std::int32_t id, int index) {
  HeadlessControl* c = Find(id);
  if (c) c->selected = index >= 0 && index < static_cast<int>(c->combo.size()) ? index : -1;
}

std::u16string Window::ComboText(std::int32_t id, int index) {
  HeadlessControl* c = Find(id);
  if (!c || index < 0 || index >= static_cast<int>(c->combo.size())) return {};
  return c->combo[index];
}

void Window::ListModifyStyle(std::int32_t id, std::uint32_t remove, std::uint32_t add) {
  if (HeadlessControl* c = Find(id)) c->style = (c->style & ~remove) | add;
}

void Window::ListSetExStyle(std::int32_t id, std::uint32_t mask, std::uint32_t value) {
  HeadlessControl* c = Find(id);
  if (!c) return;
  // A zero mask sets the whole extended style, as the list view does.
  c->ex_style = mask == 0 ? value : (c->ex_style & ~mask) | (value & mask);
  if (!(c->ex_style & ListView::kExCheckBoxes)) {
    for (ListEntry& entry : c->list) entry.checked = false;
  }
}

std::uint32_t Window::ListExStyle(std::int32_t id) {
  HeadlessControl* c = Find(id);
  return c ? c->ex_style : 0;
}

bool Window::ListDeleteAll(std::int32_t id) {
  HeadlessControl* c = Find(id);
  if (!c) return false;
  c->list.clear();
  c->selected = -1;
  return true;
}

bool Window::ListHasColumn(std::int32_t id, int column) {
  HeadlessControl* c = Find(id);
  return c && column >= 0 && column < c->columns;
}

int Window::ListInsertColumn(std::int32_t id, int column, const std::u16string&, int, int) {
  HeadlessControl* c = Find(id);
  if (!c || column < 0) return -1;
  ++c->columns;
  return column < c->columns ? column : c->columns - 1;
}

bool Window::ListSetColumnWidth(std::int32_t id, int column, int) {
  return ListHasColumn(id, column);
}

int Window::ListInsertItem(std::int32_t id, int index, const std::u16string& text) {
  HeadlessControl* c = Find(id);
  if (!c || index < 0) return -1;
  const std::size_t at = std::min(static_cast<std::size_t>(index), c->list.size());
  c->list.insert(c->list.begin() + at, ListEntry{text, false});
  return static_cast<int>(at);
}

int Window::ListCount(std::int32_t id) {
  HeadlessControl* c = Find(id);
  return c ? static_cast<int>(c->list.size()) : 0;
}

ListEntry* Window::Entry(std::int32_t id, int index) {
  HeadlessControl* c = Find(id);
  if (!c || index < 0 || index >= static_cast<int>(c->list.size())) return nullptr;
  return &c->list[index];
}

std::u16string Window::ListText(std::int32_t id, int index) {
  ListEntry* entry = Entry(id, index);
  return entry ? entry->text : std::u16string();
}

bool Window::ListSetText(std::int32_t id, int index, const std::u16string& text) {
  ListEntry* entry = Entry(id, index);
  if (entry) entry->text = text;
  return entry != nullptr;
}

bool Window::ListChecked(std::int32_t id, int index) {
  ListEntry* entry = Entry(id, index);
  return entry && entry->checked;
}

bool Window::ListSetChecked(std::int32_t id, int index, bool checked) {
  ListEntry* entry = Entry(id, index);
  if (!entry || !(ListExStyle(id) & ListView::kExCheckBoxes)) return false;
  entry->checked = checked;
  return true;
}

int Window::ListSelected(std::int32_t id) {
  HeadlessControl* c = Find(id);
  return c ? c->selected : -1;
}

TreeView::Item Window::TreeInsert(std::int32_t id, const std::u16string& text, std::intptr_t data,
                                  TreeView::Item parent) {
  HeadlessControl* c = Find(id);
  if (!c || (parent != TreeView::kRoot && !Node(c, parent))) return 0;
  c->tree.push_back(TreeNode{parent, text, data, true});
  return static_cast<TreeView::Item>(c->tree.size());
}

bool Window::TreeDelete(std::int32_t id, TreeView::Item item) {
  HeadlessControl* c = Find(id);
  TreeNode* node = Node(c, item);
  if (!node) return false;
  TreeView::Item successor = 0;
  if (c->tree_selected && TreeContains(*c, item, c->tree_selected)) {
    const auto siblings = TreeChildren(*c, node->parent);
    const auto at = std::find(siblings.begin(), siblings.end(), item);
    if (at + 1 != siblings.end()) {
      successor = *(at + 1);
    } else if (node->parent != TreeView::kRoot) {
      successor = node->parent;
    } else if (at != siblings.begin()) {
      successor = *(at - 1);
    }
  }
  RemoveSubtree(*c, item);
  if (c->tree_selected && !Node(c, c->tree_selected)) {
    c->tree_selected = 0;
    if (successor) TreeSelect(id, successor);
  }
  return true;
}

void Window::RemoveSubtree(HeadlessControl& c, TreeView::Item item) {
  for (TreeView::Item child : TreeChildren(c, item)) RemoveSubtree(c, child);
  c.tree[item - 1].alive = false;
}

bool Window::TreeContains(HeadlessControl& c, TreeView::Item ancestor, TreeView::Item item) {
  for (TreeView::Item at = item; at != TreeView::kRoot; at = c.tree[at - 1].parent) {
    if (at == ancestor) return true;
  }
  return false;
}

bool Window::TreeDeleteAll(std::int32_t id) {
  HeadlessControl* c = Find(id);
  if (!c) return false;
  for (TreeNode& node : c->tree) node.alive = false;
  c->tree_selected = 0;
  return true;
}

std::u16string Window::TreeText(std::int32_t id, TreeView::Item item) {
  TreeNode* node = Node(Find(id), item);
  return node ? node->text : std::u16string();
}

bool Window::TreeSetText(std::int32_t id, TreeView::Item item, const std::u16string& text) {
  TreeNode* node = Node(Find(id), item);
  if (node) node->text = text;
  return node != nullptr;
}

std::intptr_t Window::TreeData(std::int32_t id, TreeView::Item item) {
  TreeNode* node = Node(Find(id), item);
  return node ? node->data : 0;
}

TreeView::Item Window::TreeSelected(std::int32_t id) {
  HeadlessControl* c = Find(id);
  return c ? c->tree_selected : 0;
}

bool Window::TreeSelect(std::int32_t id, TreeView::Item item) {
  HeadlessControl* c = Find(id);
  if (!c || (item != 0 && !Node(c, item))) return false;
  if (c->tree_selected == item) return true;
  c->tree_selected = item;
  dialog_.HandleNotify({id, NotifyCode::kSelectionChanged, item});
  return true;
}

TreeView::Item Window::TreeChild(std::int32_t id, TreeView::Item parent) {
  HeadlessControl* c = Find(id);
  if (!c) return 0;
  const auto children = TreeChildren(*c, parent);
  return children.empty() ? 0 : children.front();
}

TreeView::Item Window::TreeNext(std::int32_t id, TreeView::Item item) {
  HeadlessControl* c = Find(id);
  TreeNode* node = Node(c, item);
  if (!node) return 0;
  for (TreeView::Item sibling : TreeChildren(*c, node->parent)) {
    if (sibling > item) return sibling;
  }
  return 0;
}

TreeView::Item Window::TreeParent(std::int32_t id, TreeView::Item item) {
  TreeNode* node = Node(Find(id), item);
  return node ? node->parent : 0;
}

void Window::TreeExpand(std::int32_t, TreeView::Item) {}

}  // namespace headless

namespace ui_backend {

std::intptr_t RunModal(Dialog& dialog, const platform::ResourceBytes&, WindowHandle) {
  headless::Window window(dialog);
  headless::Shown shown;
  shown.template_id = dialog.template_id();
  shown.caption = dialog.dialog_template().caption;
  if (dialog.HandleInit(&window) && window.focused() == 0) window.FocusFirstTabStop();
  shown.texts = window.Texts();
  auto& state = headless::State();
  state.record.push_back(std::move(shown));
  const std::size_t index = state.record.size() - 1;
  while (!window.ended()) {
    headless::ScriptStep step;
    if (!headless::TakeStep(&step)) ++state.unanswered;
    if (!step.step || !headless::IsExpected(step.expected, state.record[index])) {
      window.End(kIdCancel);
      break;
    }
    headless::Driver driver(&window, index, step.expected);
    step.step(driver);
  }
  return window.result();
}

int MessageBoxShown(WindowHandle, const std::u16string& text, const std::u16string& caption,
                    std::uint32_t flags) {
  auto& state = headless::State();
  headless::Shown shown;
  shown.message_box = true;
  shown.caption = caption;
  shown.text = text;
  shown.flags = flags;
  state.record.push_back(std::move(shown));
  headless::ScriptStep step;
  if (!headless::TakeStep(&step)) ++state.unanswered;
  headless::Driver driver(nullptr, state.record.size() - 1, step.expected);
  driver.Answer((flags & 0x0F) == kMbYesNo ? kIdYes : kIdOk);  // Enter takes the first button
  if (step.step && headless::IsExpected(step.expected, state.record.back())) step.step(driver);
  return driver.answer();
}

}  // namespace ui_backend
}  // namespace warden::ui
