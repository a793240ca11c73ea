// The seam between the dialog framework and its two backends: one open
// dialog window, reached by control id. Included by the ui layer only.
#ifndef WARDEN_UI_UI_BACKEND_H
#define WARDEN_UI_UI_BACKEND_H

#include <cstdint>
#include <string>

#include "platform/module_file.h"
#include "ui/ui.h"

namespace warden::ui::ui_backend {

using Item = TreeView::Item;

class DialogWindow {
 public:
  virtual ~DialogWindow() = default;
  virtual WindowHandle Handle() = 0;
  virtual void End(int result) = 0;

  virtual bool Has(std::int32_t id) = 0;
  virtual std::u16string Text(std::int32_t id) = 0;
  virtual void SetText(std::int32_t id, const std::u16string& text) = 0;
  virtual bool IsEnabled(std::int32_t id) = 0;
  virtual void Enable(std::int32_t id, bool enable) = 0;
  virtual void Focus(std::int32_t id) = 0;
  virtual std::uint32_t Style(std::int32_t id) = 0;
  virtual void Redraw(std::int32_t id) = 0;

  virtual bool IsChecked(std::int32_t id) = 0;
  virtual void SetChecked(std::int32_t id, bool checked) = 0;
  virtual void LimitText(std::int32_t id, std::size_t max_chars) = 0;
  virtual void SelectAll(std::int32_t id) = 0;

  virtual int ComboAdd(std::int32_t id, const std::u16string& text) = 0;
  virtual int ComboCount(std::int32_t id) = 0;
  virtual int ComboCurSel(std::int32_t id) = 0;
  virtual void ComboSetCurSel(std::int32_t id, int index) = 0;
  virtual std::u16string ComboText(std::int32_t id, int index) = 0;

  virtual void ListModifyStyle(std::int32_t id, std::uint32_t remove, std::uint32_t add) = 0;
  virtual void ListSetExStyle(std::int32_t id, std::uint32_t mask, std::uint32_t value) = 0;
  virtual std::uint32_t ListExStyle(std::int32_t id) = 0;
  virtual bool ListDeleteAll(std::int32_t id) = 0;
  virtual bool ListHasColumn(std::int32_t id, int column) = 0;
  virtual int ListInsertColumn(std::int32_t id, int column, const std::u16string& heading,
                               int format, int width) = 0;
  virtual bool ListSetColumnWidth(std::int32_t id, int column, int width) = 0;
  virtual int ListInsertItem(std::int32_t id, int index, const std::u16string& text) = 0;
  virtual int ListCount(std::int32_t id) = 0;
  virtual std::u16string ListText(std::int32_t id, int index) = 0;
  virtual bool ListSetText(std::int32_t id, int index, const std::u16string& text) = 0;
  virtual bool ListChecked(std::int32_t id, int index) = 0;
  virtual bool ListSetChecked(std::int32_t id, int index, bool checked) = 0;
  virtual int ListSelected(std::int32_t id) = 0;

  virtual Item TreeInsert(std::int32_t id, const std::u16string& text, std::intptr_t data,
                          Item parent) = 0;
  virtual bool TreeDelete(std::int32_t id, Item item) = 0;
  virtual bool TreeDeleteAll(std::int32_t id) = 0;
  virtual std::u16string TreeText(std::int32_t id, Item item) = 0;
  virtual bool TreeSetText(std::int32_t id, Item item, const std::u16string& text) = 0;
  virtual std::intptr_t TreeData(std::int32_t id, Item item) = 0;
  virtual Item TreeSelected(std::int32_t id) = 0;
  virtual bool TreeSelect(std::int32_t id, Item item) = 0;
  virtual Item TreeChild(std::int32_t id, Item parent) = 0;
  virtual Item TreeNext(std::int32_t id, Item item) = 0;
  virtual Item TreeParent(std::int32_t id, Item item) = 0;
  virtual void TreeExpand(std::int32_t id, Item item) = 0;
};

// Shows `dialog` from its template bytes until EndDialog; returns the result.
std::intptr_t RunModal(Dialog& dialog, const platform::ResourceBytes& bytes, WindowHandle parent);
int MessageBoxShown(WindowHandle owner, const std::u16string& text, const std::u16string& caption,
                    std::uint32_t flags);

}  // namespace warden::ui::ui_backend

#endif
