// The headless backend: each dialog is a set of in-memory controls built from
// its compiled template; a test script drives it (platform/ui_headless.h).
#include <algorithm>
#include <cstdio>
#include <deque>
#include <map>

#include "platform/resources.h"
#include "platform/text.h"
#include "platform/ui_backend.h"
#include "platform/ui_headless.h"

namespace warden::platform {
namespace headless {
namespace {

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

struct ScriptStep {
  Expect expected;
  Step step;
};

void ReportToStderr(const char* file, int line, const std::string& message) {
  std::fprintf(stderr, "%s:%d: %s\n", file, line, message.c_str());
}

struct ScriptState {
  std::deque<ScriptStep> steps;
  std::vector<Shown> record;
  int unanswered = 0;
  FailureReporter report = ReportToStderr;
};

ScriptState& State() {
  static ScriptState state;
  return state;
}

bool TakeStep(ScriptStep* step) {
  if (State().steps.empty()) return false;
  *step = std::move(State().steps.front());
  State().steps.pop_front();
  return true;
}

// Whether `shown` shows string-table text `id` (up to its first placeholder).
bool ShowsText(const Shown& shown, std::uint16_t id) {
  std::u16string text = ResourceString(id);
  text = text.substr(0, text.find(u'%'));
  const auto has = [&text](const std::u16string& s) {
    return s.compare(0, text.size(), text) == 0;
  };
  if (shown.message_box) return has(shown.text);
  for (const auto& entry : shown.texts) {
    if (has(entry.second)) return true;
  }
  return false;
}

// True when the modal is the one the step expects; otherwise reports it.
bool IsExpected(const Expect& expected, const Shown& shown) {
  if (!expected.checked) return true;
  const bool kind_ok =
      expected.template_id == 0 ? shown.message_box : shown.template_id == expected.template_id;
  if (kind_ok && (expected.text_id == 0 || ShowsText(shown, expected.text_id))) return true;
  const std::string wanted =
      (expected.template_id ? "dialog " + std::to_string(expected.template_id) : "message box") +
      (expected.text_id ? " with text " + std::to_string(expected.text_id) : "");
  const std::string got = shown.message_box ? "a message box \"" + ToUtf8(shown.text) + "\""
                                            : "dialog " + std::to_string(shown.template_id);
  State().report(expected.file, expected.line, "expected " + wanted + ", but " + got + " opened");
  return false;
}

}  // namespace

class Window : public ui_backend::DialogWindow {
 public:
  explicit Window(Dialog& dialog) : dialog_(dialog) {
    for (const DialogItem& item : dialog.dialog_template().items) {
      HeadlessControl control;
      control.item = item;
      control.text = item.text;
      control.style = item.style;
      order_.push_back(item.id);
      if (item.id != -1) controls_.emplace(item.id, control);
    }
  }

  Dialog& dialog() { return dialog_; }
  bool ended() const { return ended_; }
  int result() const { return result_; }
  HeadlessControl* Find(std::int32_t id) {
    auto found = controls_.find(id);
    return found == controls_.end() ? nullptr : &found->second;
  }
  // Reachable by an operator: present, enabled and the dialog still open.
  HeadlessControl* Usable(std::int32_t id) {
    HeadlessControl* control = Find(id);
    if (ended_ || !control || (control->style & style::kDisabled)) return nullptr;
    return control;
  }
  void FocusFirstTabStop() {
    for (std::int32_t id : order_) {
      const HeadlessControl* control = Find(id);
      if (control && (control->style & style::kTabStop) && !(control->style & style::kDisabled)) {
        Focus(id);
        return;
      }
    }
  }
  std::int32_t focused() const { return focused_; }
  std::vector<std::pair<std::int32_t, std::u16string>> Texts() {
    std::vector<std::pair<std::int32_t, std::u16string>> texts;
    for (std::int32_t id : order_) {
      if (id != -1) texts.emplace_back(id, Text(id));
    }
    return texts;
  }
  void UntickRadioGroupOf(std::int32_t id) {
    for (std::int32_t other : dialog_.dialog_template().RadioGroupOf(id)) {
      if (HeadlessControl* control = Find(other)) control->checked = false;
    }
  }
  std::vector<TreeView::Item> TreeChildren(HeadlessControl& c, TreeView::Item parent) {
    std::vector<TreeView::Item> children;
    for (std::size_t i = 0; i < c.tree.size(); ++i) {
      if (c.tree[i].alive && c.tree[i].parent == parent) children.push_back(i + 1);
    }
    return children;
  }
  TreeNode* Node(HeadlessControl* c, TreeView::Item item) {
    if (!c || item <= 0 || static_cast<std::size_t>(item) > c->tree.size()) return nullptr;
    TreeNode& node = c->tree[item - 1];
    return node.alive ? &node : nullptr;
  }

  // ---- DialogWindow ----
  WindowHandle Handle() override { return this; }
  void End(int result) override {
    if (ended_) return;
    ended_ = true;
    result_ = result;
  }
  bool Has(std::int32_t id) override { return Find(id) != nullptr; }
  std::u16string Text(std::int32_t id) override {
    HeadlessControl* c = Find(id);
    if (!c) return {};
    if (c->item.kind == ControlKind::kComboBox) {
      return c->selected >= 0 ? c->combo[c->selected] : std::u16string();
    }
    return c->text;
  }
  void SetText(std::int32_t id, const std::u16string& text) override {
    if (HeadlessControl* c = Find(id)) c->text = text;
  }
  bool IsEnabled(std::int32_t id) override {
    HeadlessControl* c = Find(id);
    return c && !(c->style & style::kDisabled);
  }
  void Enable(std::int32_t id, bool enable) override {
    if (HeadlessControl* c = Find(id)) {
      c->style = enable ? c->style & ~style::kDisabled : c->style | style::kDisabled;
    }
  }
  void Focus(std::int32_t id) override {
    if (Find(id)) focused_ = id;
  }
  std::uint32_t Style(std::int32_t id) override {
    HeadlessControl* c = Find(id);
    return c ? c->style : 0;
  }
  void Redraw(std::int32_t) override {}
  bool IsChecked(std::int32_t id) override {
    HeadlessControl* c = Find(id);
    return c && c->checked;
  }
  void SetChecked(std::int32_t id, bool checked) override {
    if (HeadlessControl* c = Find(id)) c->checked = checked;
  }
  void LimitText(std::int32_t id, std::size_t max_chars) override {
    if (HeadlessControl* c = Find(id)) c->limit = max_chars ? max_chars : kDefaultEditLimit;
  }
  void SelectAll(std::int32_t id) override {
    if (HeadlessControl* c = Find(id)) c->selection = {0, c->text.size()};
  }

  int ComboAdd(std::int32_t id, const std::u16string& text) override {
    HeadlessControl* c = Find(id);
    if (!c) return -1;
    c->combo.push_back(text);
    return static_cast<int>(c->combo.size()) - 1;
  }
  int ComboCount(std::int32_t id) override {
    HeadlessControl* c = Find(id);
    return c ? static_cast<int>(c->combo.size()) : 0;
  }
  int ComboCurSel(std::int32_t id) override {
    HeadlessControl* c = Find(id);
    return c ? c->selected : -1;
  }
  void ComboSetCurSel(std::int32_t id, int index) override {
    HeadlessControl* c = Find(id);
    if (c) c->selected = index >= 0 && index < static_cast<int>(c->combo.size()) ? index : -1;
  }
  std::u16string ComboText(std::int32_t id, int index) override {
    HeadlessControl* c = Find(id);
    if (!c || index < 0 || index >= static_cast<int>(c->combo.size())) return {};
    return c->combo[index];
  }

  void ListModifyStyle(std::int32_t id, std::uint32_t remove, std::uint32_t add) override {
    if (HeadlessControl* c = Find(id)) c->style = (c->style & ~remove) | add;
  }
  void ListSetExStyle(std::int32_t id, std::uint32_t mask, std::uint32_t value) override {
    HeadlessControl* c = Find(id);
    if (!c) return;
    // A zero mask sets the whole extended style, as the list view does.
    c->ex_style = mask == 0 ? value : (c->ex_style & ~mask) | (value & mask);
    if (!(c->ex_style & ListView::kExCheckBoxes)) {
      for (ListEntry& entry : c->list) entry.checked = false;
    }
  }
  std::uint32_t ListExStyle(std::int32_t id) override {
    HeadlessControl* c = Find(id);
    return c ? c->ex_style : 0;
  }
  bool ListDeleteAll(std::int32_t id) override {
    HeadlessControl* c = Find(id);
    if (!c) return false;
    c->list.clear();
    c->selected = -1;
    return true;
  }
  bool ListHasColumn(std::int32_t id, int column) override {
    HeadlessControl* c = Find(id);
    return c && column >= 0 && column < c->columns;
  }
  int ListInsertColumn(std::int32_t id, int column, const std::u16string&, int, int) override {
    HeadlessControl* c = Find(id);
    if (!c || column < 0) return -1;
    ++c->columns;
    return column < c->columns ? column : c->columns - 1;
  }
  bool ListSetColumnWidth(std::int32_t id, int column, int) override {
    return ListHasColumn(id, column);
  }
  int ListInsertItem(std::int32_t id, int index, const std::u16string& text) override {
    HeadlessControl* c = Find(id);
    if (!c || index < 0) return -1;
    const std::size_t at = std::min(static_cast<std::size_t>(index), c->list.size());
    c->list.insert(c->list.begin() + at, ListEntry{text, false});
    return static_cast<int>(at);
  }
  int ListCount(std::int32_t id) override {
    HeadlessControl* c = Find(id);
    return c ? static_cast<int>(c->list.size()) : 0;
  }
  ListEntry* Entry(std::int32_t id, int index) {
    HeadlessControl* c = Find(id);
    if (!c || index < 0 || index >= static_cast<int>(c->list.size())) return nullptr;
    return &c->list[index];
  }
  std::u16string ListText(std::int32_t id, int index) override {
    ListEntry* entry = Entry(id, index);
    return entry ? entry->text : std::u16string();
  }
  bool ListSetText(std::int32_t id, int index, const std::u16string& text) override {
    ListEntry* entry = Entry(id, index);
    if (entry) entry->text = text;
    return entry != nullptr;
  }
  bool ListChecked(std::int32_t id, int index) override {
    ListEntry* entry = Entry(id, index);
    return entry && entry->checked;
  }
  bool ListSetChecked(std::int32_t id, int index, bool checked) override {
    ListEntry* entry = Entry(id, index);
    if (!entry || !(ListExStyle(id) & ListView::kExCheckBoxes)) return false;
    entry->checked = checked;
    return true;
  }
  int ListSelected(std::int32_t id) override {
    HeadlessControl* c = Find(id);
    return c ? c->selected : -1;
  }

  TreeView::Item TreeInsert(std::int32_t id, const std::u16string& text, std::intptr_t data,
                            TreeView::Item parent) override {
    HeadlessControl* c = Find(id);
    if (!c || (parent != TreeView::kRoot && !Node(c, parent))) return 0;
    c->tree.push_back(TreeNode{parent, text, data, true});
    return static_cast<TreeView::Item>(c->tree.size());
  }
  // Deleting the selected item (or an ancestor of it) selects, as the tree
  // view does, its next sibling, else its parent, else its previous sibling.
  bool TreeDelete(std::int32_t id, TreeView::Item item) override {
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
  void RemoveSubtree(HeadlessControl& c, TreeView::Item item) {
    for (TreeView::Item child : TreeChildren(c, item)) RemoveSubtree(c, child);
    c.tree[item - 1].alive = false;
  }
  bool TreeContains(HeadlessControl& c, TreeView::Item ancestor, TreeView::Item item) {
    for (TreeView::Item at = item; at != TreeView::kRoot; at = c.tree[at - 1].parent) {
      if (at == ancestor) return true;
    }
    return false;
  }
  bool TreeDeleteAll(std::int32_t id) override {
    HeadlessControl* c = Find(id);
    if (!c) return false;
    for (TreeNode& node : c->tree) node.alive = false;
    c->tree_selected = 0;
    return true;
  }
  std::u16string TreeText(std::int32_t id, TreeView::Item item) override {
    TreeNode* node = Node(Find(id), item);
    return node ? node->text : std::u16string();
  }
  bool TreeSetText(std::int32_t id, TreeView::Item item, const std::u16string& text) override {
    TreeNode* node = Node(Find(id), item);
    if (node) node->text = text;
    return node != nullptr;
  }
  std::intptr_t TreeData(std::int32_t id, TreeView::Item item) override {
    TreeNode* node = Node(Find(id), item);
    return node ? node->data : 0;
  }
  TreeView::Item TreeSelected(std::int32_t id) override {
    HeadlessControl* c = Find(id);
    return c ? c->tree_selected : 0;
  }
  // A change of selection notifies the dialog at once, whoever made it.
  bool TreeSelect(std::int32_t id, TreeView::Item item) override {
    HeadlessControl* c = Find(id);
    if (!c || (item != 0 && !Node(c, item))) return false;
    if (c->tree_selected == item) return true;
    c->tree_selected = item;
    dialog_.HandleNotify({id, NotifyCode::kSelectionChanged, item});
    return true;
  }
  TreeView::Item TreeChild(std::int32_t id, TreeView::Item parent) override {
    HeadlessControl* c = Find(id);
    if (!c) return 0;
    const auto children = TreeChildren(*c, parent);
    return children.empty() ? 0 : children.front();
  }
  TreeView::Item TreeNext(std::int32_t id, TreeView::Item item) override {
    HeadlessControl* c = Find(id);
    TreeNode* node = Node(c, item);
    if (!node) return 0;
    for (TreeView::Item sibling : TreeChildren(*c, node->parent)) {
      if (sibling > item) return sibling;
    }
    return 0;
  }
  TreeView::Item TreeParent(std::int32_t id, TreeView::Item item) override {
    TreeNode* node = Node(Find(id), item);
    return node ? node->parent : 0;
  }
  void TreeExpand(std::int32_t, TreeView::Item) override {}

 private:
  Dialog& dialog_;
  std::map<std::int32_t, HeadlessControl> controls_;
  std::vector<std::int32_t> order_;
  std::int32_t focused_ = 0;
  bool ended_ = false;
  int result_ = kIdCancel;
};

// ---- Script ----

void Push(Step step, const char* file, int line) {
  Expect site;
  site.file = file;
  site.line = line;
  State().steps.push_back({site, std::move(step)});
}

void Push(const Expect& expected, Step step) {
  State().steps.push_back({expected, std::move(step)});
}

Expect ExpectDialog(std::uint16_t template_id, const char* file, int line) {
  return {template_id, 0, file, line, true};
}

Expect ExpectDialogText(std::uint16_t template_id, std::uint16_t text_id, const char* file,
                        int line) {
  return {template_id, text_id, file, line, true};
}

Expect ExpectMessage(std::uint16_t text_id, const char* file, int line) {
  return {0, text_id, file, line, true};
}

void SetFailureReporter(FailureReporter reporter) {
  State().report = reporter ? std::move(reporter) : ReportToStderr;
}

// Keeps the failure reporter: it belongs to the test program, not to one script.
void Reset() {
  FailureReporter report = std::move(State().report);
  State() = ScriptState{};
  State().report = std::move(report);
}

std::size_t PendingSteps() { return State().steps.size(); }

const std::vector<Shown>& Record() { return State().record; }

int Unanswered() { return State().unanswered; }

// A message box keeps its first button, as Enter and the close box choose it.
Step PressOk() {
  return [](Driver& d) {
    if (!d.IsMessageBox()) d.Ok();
  };
}

Step PressCancel() {
  return [](Driver& d) {
    if (!d.IsMessageBox()) d.Cancel();
  };
}

Step AnswerWith(int button) {
  return [button](Driver& d) { d.Answer(button); };
}

std::u16string Shown::TextOf(std::int32_t id) const {
  for (const auto& [control, text] : texts) {
    if (control == id) return text;
  }
  return {};
}

// ---- Driver ----

const Shown& Driver::shown() const { return State().record.at(index_); }
bool Driver::IsOpen() const { return window_ && !window_->ended(); }

std::u16string Driver::Text(std::int32_t id) const { return window_ ? window_->Text(id) : u""; }
bool Driver::IsEnabled(std::int32_t id) const { return window_ && window_->IsEnabled(id); }
bool Driver::IsChecked(std::int32_t id) const { return window_ && window_->IsChecked(id); }
std::int32_t Driver::Focused() const { return window_ ? window_->focused() : 0; }
std::pair<std::size_t, std::size_t> Driver::Selection(std::int32_t id) const {
  HeadlessControl* c = window_ ? window_->Find(id) : nullptr;
  return c ? c->selection : std::pair<std::size_t, std::size_t>{0, 0};
}
int Driver::ListCount(std::int32_t id) const { return window_ ? window_->ListCount(id) : 0; }
std::u16string Driver::ListText(std::int32_t id, int item) const {
  return window_ ? window_->ListText(id, item) : u"";
}
bool Driver::ListChecked(std::int32_t id, int item) const {
  return window_ && window_->ListChecked(id, item);
}
std::uint32_t Driver::ListExStyle(std::int32_t id) const {
  return window_ ? window_->ListExStyle(id) : 0;
}
std::vector<std::u16string> Driver::ComboEntries(std::int32_t id) const {
  HeadlessControl* c = window_ ? window_->Find(id) : nullptr;
  return c ? c->combo : std::vector<std::u16string>{};
}
int Driver::ComboSelected(std::int32_t id) const { return window_ ? window_->ComboCurSel(id) : -1; }

std::vector<std::u16string> Driver::TreeOutline(std::int32_t id) const {
  std::vector<std::u16string> lines;
  HeadlessControl* c = window_ ? window_->Find(id) : nullptr;
  if (!c) return lines;
  std::function<void(TreeView::Item, const std::u16string&)> walk =
      [&](TreeView::Item parent, const std::u16string& indent) {
        for (TreeView::Item item : window_->TreeChildren(*c, parent)) {
          lines.push_back(indent + c->tree[item - 1].text);
          walk(item, indent + u"  ");
        }
      };
  walk(TreeView::kRoot, u"");
  return lines;
}

TreeView::Item Driver::TreeFind(std::int32_t id, const std::u16string& text) const {
  HeadlessControl* c = window_ ? window_->Find(id) : nullptr;
  if (!c) return 0;
  for (std::size_t i = 0; i < c->tree.size(); ++i) {
    if (c->tree[i].alive && c->tree[i].text == text) return static_cast<TreeView::Item>(i + 1);
  }
  return 0;
}

bool Driver::Acted(bool acted, const char* action, std::int32_t id) {
  if (acted == refusing_) {
    State().report(site_.file, site_.line,
                   std::string(acted ? "could " : "could not ") + action + " control " +
                       std::to_string(id) + (acted ? ", expected to be refused" : ""));
  }
  refusing_ = false;
  return acted;
}

bool Driver::Type(std::int32_t id, const std::u16string& text) {
  HeadlessControl* c = window_ ? window_->Usable(id) : nullptr;
  if (!c || c->item.kind != ControlKind::kEdit || (c->style & style::kEditReadOnly)) {
    return Acted(false, "type into", id);
  }
  std::u16string typed;
  for (char16_t ch : text) {
    if ((c->style & style::kEditNumber) && (ch < u'0' || ch > u'9')) continue;
    if (typed.size() >= c->limit) break;
    typed.push_back(ch);
  }
  c->text = typed;
  c->selection = {typed.size(), typed.size()};
  window_->Focus(id);
  return Acted(true, "type into", id);
}

bool Driver::Click(std::int32_t id) {
  HeadlessControl* c = window_ ? window_->Usable(id) : nullptr;
  if (!c || c->item.kind != ControlKind::kButton) return Acted(false, "click", id);
  const std::uint32_t type = c->style & style::kButtonTypeMask;
  if (type == style::kAutoCheckBox) c->checked = !c->checked;
  if (type == style::kAutoRadioButton) {
    window_->UntickRadioGroupOf(id);
    c->checked = true;
  }
  window_->dialog().HandleCommand(id, NotifyCode::kClick);
  return Acted(true, "click", id);
}

bool Driver::Post(std::int32_t id) {
  if (!window_ || !window_->Has(id)) return Acted(false, "post to", id);
  window_->dialog().HandleCommand(id, NotifyCode::kClick);
  return Acted(true, "post to", id);
}

bool Driver::ListClick(std::int32_t id, int item) {
  return Acted(ClickList(id, item), "click in list", id);
}

bool Driver::ClickList(std::int32_t id, int item) {
  HeadlessControl* c = window_ ? window_->Usable(id) : nullptr;
  if (!c || c->item.kind != ControlKind::kListView) return false;
  if (item < 0 || item >= static_cast<int>(c->list.size())) item = -1;
  c->selected = item;
  window_->dialog().HandleNotify({id, NotifyCode::kClick, item});
  return true;
}

bool Driver::ListDoubleClick(std::int32_t id, int item) {
  if (!ClickList(id, item) || !IsOpen()) return Acted(false, "double-click in list", id);
  if (item < 0 || item >= window_->ListCount(id)) item = -1;
  window_->dialog().HandleNotify({id, NotifyCode::kDoubleClick, item});
  return Acted(true, "double-click in list", id);
}

bool Driver::ListTick(std::int32_t id, int item, bool ticked) {
  HeadlessControl* c = window_ ? window_->Usable(id) : nullptr;
  return Acted(c && window_->ListSetChecked(id, item, ticked), "tick an item of", id);
}

bool Driver::ComboSelect(std::int32_t id, int index) {
  HeadlessControl* c = window_ ? window_->Usable(id) : nullptr;
  if (!c || index < 0 || index >= static_cast<int>(c->combo.size())) {
    return Acted(false, "select in", id);
  }
  c->selected = index;
  window_->dialog().HandleNotify({id, NotifyCode::kSelectionChanged, index});
  return Acted(true, "select in", id);
}

bool Driver::TreeSelect(std::int32_t id, TreeView::Item item) {
  HeadlessControl* c = window_ ? window_->Usable(id) : nullptr;
  if (!c || !window_->Node(c, item)) return Acted(false, "select in tree", id);
  window_->Focus(id);
  return Acted(window_->TreeSelect(id, item), "select in tree", id);
}

bool Driver::TreeDoubleClick(std::int32_t id) {
  HeadlessControl* c = window_ ? window_->Usable(id) : nullptr;
  if (!c) return Acted(false, "double-click", id);
  window_->dialog().HandleNotify({id, NotifyCode::kDoubleClick, c->tree_selected});
  return Acted(true, "double-click", id);
}

}  // namespace headless

namespace ui_backend {

std::intptr_t RunModal(Dialog& dialog, const ResourceBytes&, WindowHandle) {
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
}  // namespace warden::platform
