// The headless backend's test script and the driver its steps act through.
#include <cstdio>
#include <functional>

#include "platform/resources.h"
#include "platform/text.h"
#include "ui/headless_window.h"

namespace warden::ui::headless {

namespace {

void ReportToStderr(const char* file, int line, const std::string& message) {
  std::fprintf(stderr, "%s:%d: %s\n", file, line, message.c_str());
}

// Whether `shown` shows string-table text `id` (up to its first placeholder).
bool ShowsText(const Shown& shown, std::uint16_t id) {
  std::u16string text = platform::ResourceString(id);
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

}  // namespace

ScriptState& State() {
  static ScriptState state{{}, {}, 0, ReportToStderr};
  return state;
}

bool TakeStep(ScriptStep* step) {
  if (State().steps.empty()) return false;
  *step = std::move(State().steps.front());
  State().steps.pop_front();
  return true;
}

bool IsExpected(const Expect& expected, const Shown& shown) {
  if (!expected.checked) return true;
  const bool kind_ok =
      expected.template_id == 0 ? shown.message_box : shown.template_id == expected.template_id;
  if (kind_ok && (expected.text_id == 0 || ShowsText(shown, expected.text_id))) return true;
  const std::string wanted =
      (expected.template_id ? "dialog " + std::to_string(expected.template_id) : "message box") +
      (expected.text_id ? " with text " + std::to_string(expected.text_id) : "");
  const std::string got = shown.message_box
                              ? "a message box \"" + platform::ToUtf8(shown.text) + "\""
                              : "dialog " + std::to_string(shown.template_id);
  State().report(expected.file, expected.line, "expected " + wanted + ", but " + got + " opened");
  return false;
}

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

}  // namespace warden::ui::headless
