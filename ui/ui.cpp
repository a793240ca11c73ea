#include "ui/ui.h"

#include "platform/resources.h"
#include "platform/text.h"
#include "ui/ui_backend.h"

namespace warden::ui {
namespace {

StandardTexts g_standard_texts;

std::u16string StandardText(std::uint16_t id) {
  return id == 0 ? u"" : platform::ResourceString(id);
}

}  // namespace

void SetStandardTexts(const StandardTexts& texts) { g_standard_texts = texts; }

std::u16string DefaultCaption() { return StandardText(g_standard_texts.caption); }

int ShowMessageBox(WindowHandle owner, const std::u16string& text, std::uint32_t flags,
                   const std::u16string& caption) {
  return ui_backend::MessageBoxShown(owner, text, caption.empty() ? DefaultCaption() : caption,
                                     flags);
}

// ---- Control and wrappers ----

void Control::Attach(Dialog* dialog, std::int32_t id) {
  dialog_ = dialog;
  id_ = id;
}

ui_backend::DialogWindow* Control::window() const {
  if (!dialog_ || !dialog_->window() || !dialog_->window()->Has(id_)) return nullptr;
  return dialog_->window();
}

std::u16string Control::Text() const { return window() ? window()->Text(id_) : u""; }
bool Control::IsEnabled() const { return window() && window()->IsEnabled(id_); }
void Control::Enable(bool enable) {
  if (window()) window()->Enable(id_, enable);
}
void Control::SetFocus() {
  if (window()) window()->Focus(id_);
}
std::uint32_t Control::Style() const { return window() ? window()->Style(id_) : 0; }
void Control::Redraw() {
  if (window()) window()->Redraw(id_);
}

bool Button::IsChecked() const { return window() && window()->IsChecked(id()); }
void Button::SetChecked(bool checked) {
  if (window()) window()->SetChecked(id(), checked);
}

void Edit::LimitText(std::size_t max_chars) {
  if (window()) window()->LimitText(id(), max_chars);
}
void Edit::SelectAll() {
  if (window()) window()->SelectAll(id());
}

int ComboBox::AddString(const std::u16string& text) {
  return window() ? window()->ComboAdd(id(), text) : -1;
}
int ComboBox::Count() const { return window() ? window()->ComboCount(id()) : 0; }
int ComboBox::CurSel() const { return window() ? window()->ComboCurSel(id()) : -1; }
void ComboBox::SetCurSel(int index) {
  if (window()) window()->ComboSetCurSel(id(), index);
}
std::u16string ComboBox::ItemText(int index) const {
  return window() ? window()->ComboText(id(), index) : u"";
}

void ListView::ModifyStyle(std::uint32_t remove, std::uint32_t add) {
  if (window()) window()->ListModifyStyle(id(), remove, add);
}
void ListView::SetExtendedStyle(std::uint32_t mask, std::uint32_t value) {
  if (window()) window()->ListSetExStyle(id(), mask, value);
}
std::uint32_t ListView::ExtendedStyle() const { return window() ? window()->ListExStyle(id()) : 0; }
bool ListView::DeleteAllItems() { return window() && window()->ListDeleteAll(id()); }
bool ListView::HasColumn(int column) const {
  return window() && window()->ListHasColumn(id(), column);
}
int ListView::InsertColumn(int column, const std::u16string& heading, int format, int width) {
  return window() ? window()->ListInsertColumn(id(), column, heading, format, width) : -1;
}
bool ListView::SetColumnWidth(int column, int width) {
  return window() && window()->ListSetColumnWidth(id(), column, width);
}
int ListView::InsertItem(int index, const std::u16string& text) {
  return window() ? window()->ListInsertItem(id(), index, text) : -1;
}
int ListView::ItemCount() const { return window() ? window()->ListCount(id()) : 0; }
std::u16string ListView::ItemText(int index) const {
  return window() ? window()->ListText(id(), index) : u"";
}
bool ListView::SetItemText(int index, const std::u16string& text) {
  return window() && window()->ListSetText(id(), index, text);
}
bool ListView::IsChecked(int index) const { return window() && window()->ListChecked(id(), index); }
bool ListView::SetChecked(int index, bool checked) {
  return window() && window()->ListSetChecked(id(), index, checked);
}
int ListView::SelectedItem() const { return window() ? window()->ListSelected(id()) : -1; }

TreeView::Item TreeView::InsertItem(const std::u16string& text, std::intptr_t data, Item parent) {
  return window() ? window()->TreeInsert(id(), text, data, parent) : 0;
}
bool TreeView::DeleteItem(Item item) { return window() && window()->TreeDelete(id(), item); }
bool TreeView::DeleteAllItems() { return window() && window()->TreeDeleteAll(id()); }
std::u16string TreeView::ItemText(Item item) const {
  return window() ? window()->TreeText(id(), item) : u"";
}
bool TreeView::SetItemText(Item item, const std::u16string& text) {
  return window() && window()->TreeSetText(id(), item, text);
}
std::intptr_t TreeView::ItemData(Item item) const {
  return window() ? window()->TreeData(id(), item) : 0;
}
TreeView::Item TreeView::Selected() const { return window() ? window()->TreeSelected(id()) : 0; }
bool TreeView::Select(Item item) { return window() && window()->TreeSelect(id(), item); }
TreeView::Item TreeView::FirstChild(Item parent) const {
  return window() ? window()->TreeChild(id(), parent) : 0;
}
TreeView::Item TreeView::NextSibling(Item item) const {
  return window() ? window()->TreeNext(id(), item) : 0;
}
TreeView::Item TreeView::Parent(Item item) const {
  return window() ? window()->TreeParent(id(), item) : 0;
}
void TreeView::Expand(Item item) {
  if (window()) window()->TreeExpand(id(), item);
}

// ---- Data exchange ----

void DataExchange::Bind(std::int32_t id, Control& control) {
  if (!failed_) control.Attach(&dialog_, id);
}

void DataExchange::Text(std::int32_t id, std::u16string& value, std::size_t max_chars) {
  ui_backend::DialogWindow* window = dialog_.window();
  if (failed_ || !window || !window->Has(id)) return;
  if (!saving_) {
    window->SetText(id, value);
    if (max_chars > 0) window->LimitText(id, max_chars);
    return;
  }
  std::u16string text = window->Text(id);
  if (max_chars > 0 && text.size() > max_chars) {
    ShowMessageBox(dialog_.Handle(),
                   platform::FormatText(StandardText(g_standard_texts.text_too_long),
                                        platform::ToDecimal(max_chars)),
                   kMbOk | kMbIconExclamation);
    window->Focus(id);
    window->SelectAll(id);
    failed_ = true;
    return;
  }
  value = std::move(text);
}

void DataExchange::Radio(std::int32_t first_id, int& index) {
  ui_backend::DialogWindow* window = dialog_.window();
  if (failed_ || !window) return;
  const std::vector<std::int32_t> group = dialog_.dialog_template().RadioGroup(first_id);
  if (saving_) index = -1;
  for (std::size_t i = 0; i < group.size(); ++i) {
    if (saving_) {
      if (window->IsChecked(group[i])) index = static_cast<int>(i);
    } else {
      window->SetChecked(group[i], static_cast<int>(i) == index);
    }
  }
}

void DataExchange::Check(std::int32_t id, bool& value) {
  ui_backend::DialogWindow* window = dialog_.window();
  if (failed_ || !window || !window->Has(id)) return;
  if (saving_) {
    value = window->IsChecked(id);
  } else {
    window->SetChecked(id, value);
  }
}

// ---- Dialog ----

Dialog::Dialog(std::uint16_t template_id, WindowHandle parent)
    : template_id_(template_id), parent_(parent) {}

Dialog::~Dialog() = default;

std::intptr_t Dialog::DoModal() {
  platform::ResourceBytes bytes;
  if (IsOpen() ||
      !platform::FindResourceBytes(platform::ResourceSource(), platform::kResourceTypeDialog,
                                   template_id_, &bytes) ||
      !ParseDialogTemplate(bytes.data, bytes.size, &template_)) {
    return -1;
  }
  const std::intptr_t result = ui_backend::RunModal(*this, bytes, parent_);
  window_ = nullptr;
  return result;
}

bool Dialog::UpdateData(bool saving) {
  if (!window_) return false;
  DataExchange exchange(*this, saving);
  DoDataExchange(exchange);
  return !exchange.failed();
}

void Dialog::EndDialog(int result) {
  if (window_) window_->End(result);
}

WindowHandle Dialog::Handle() const { return window_ ? window_->Handle() : nullptr; }

bool Dialog::OnInitDialog() {
  UpdateData(false);
  return true;
}

void Dialog::OnOK() {
  if (UpdateData(true)) EndDialog(kIdOk);
}

void Dialog::OnCancel() { EndDialog(kIdCancel); }

void Dialog::On(std::int32_t id, NotifyCode code,
                std::function<void(const Notification&)> handler) {
  handlers_.push_back({id, code, std::move(handler)});
}

bool Dialog::HandleInit(ui_backend::DialogWindow* window) {
  window_ = window;
  return OnInitDialog();
}

void Dialog::HandleCommand(std::int32_t id, NotifyCode code) {
  if (code == NotifyCode::kClick && id == kIdOk) return OnOK();
  if (code == NotifyCode::kClick && id == kIdCancel) return OnCancel();
  HandleNotify({id, code, -1});
}

void Dialog::HandleNotify(const Notification& notification) {
  for (const Handler& handler : handlers_) {
    if (handler.id == notification.id && handler.code == notification.code) {
      handler.run(notification);
      return;
    }
  }
}

void Dialog::HandleClose() { OnCancel(); }

}  // namespace warden::ui
