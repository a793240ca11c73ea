// The win32 backend: real dialogs from the templates of the resource source,
// real common controls.
#include <windows.h>
#include <commctrl.h>

#include <memory>
#include <unordered_map>
#include <vector>

#include "platform/win32_text.h"
#include "ui/ui_backend.h"

extern "C" IMAGE_DOS_HEADER __ImageBase;

namespace warden::ui::ui_backend {
namespace {

using platform::FromWide;
using platform::Wide;

class Win32Window : public DialogWindow {
 public:
  explicit Win32Window(HWND hwnd) : hwnd_(hwnd) {}

  // Each control is looked up once: GetDlgItem goes through the dialog's
  // children every time (under Wine a server round trip), which filling a
  // tree of thousands of items would pay per item.
  HWND ControlWindow(std::int32_t id) {
    const auto known = controls_.find(id);
    if (known != controls_.end()) return known->second;
    HWND control = GetDlgItem(hwnd_, id);
    if (control) controls_.emplace(id, control);
    return control;
  }
  LRESULT Send(std::int32_t id, UINT message, WPARAM wparam = 0, LPARAM lparam = 0) {
    HWND control = ControlWindow(id);
    return control ? SendMessageW(control, message, wparam, lparam) : 0;
  }

  WindowHandle Handle() override { return hwnd_; }
  void End(int result) override { ::EndDialog(hwnd_, result); }
  bool Has(std::int32_t id) override { return ControlWindow(id) != nullptr; }
  std::u16string Text(std::int32_t id) override {
    HWND item = ControlWindow(id);
    if (!item) return {};
    const int length = GetWindowTextLengthW(item);
    std::vector<wchar_t> text(length + 1, L'\0');
    const int got = GetWindowTextW(item, text.data(), length + 1);
    return FromWide(text.data(), got > 0 ? got : 0);
  }
  void SetText(std::int32_t id, const std::u16string& text) override {
    SetDlgItemTextW(hwnd_, id, Wide(text));
  }
  bool IsEnabled(std::int32_t id) override { return IsWindowEnabled(ControlWindow(id)) != FALSE; }
  void Enable(std::int32_t id, bool enable) override { EnableWindow(ControlWindow(id), enable); }
  void Focus(std::int32_t id) override {
    SendMessageW(hwnd_, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(ControlWindow(id)), TRUE);
  }
  std::uint32_t Style(std::int32_t id) override {
    return static_cast<std::uint32_t>(GetWindowLongPtrW(ControlWindow(id), GWL_STYLE));
  }
  void Redraw(std::int32_t id) override { UpdateWindow(ControlWindow(id)); }
  bool IsChecked(std::int32_t id) override { return Send(id, BM_GETCHECK) == BST_CHECKED; }
  void SetChecked(std::int32_t id, bool checked) override {
    Send(id, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED);
  }
  void LimitText(std::int32_t id, std::size_t max_chars) override {
    Send(id, EM_LIMITTEXT, max_chars);
  }
  void SelectAll(std::int32_t id) override {
    Send(id, EM_SETSEL, 0, -1);
    Send(id, EM_SCROLLCARET);
  }

  int ComboAdd(std::int32_t id, const std::u16string& text) override {
    return static_cast<int>(Send(id, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Wide(text))));
  }
  int ComboCount(std::int32_t id) override { return static_cast<int>(Send(id, CB_GETCOUNT)); }
  int ComboCurSel(std::int32_t id) override { return static_cast<int>(Send(id, CB_GETCURSEL)); }
  void ComboSetCurSel(std::int32_t id, int index) override { Send(id, CB_SETCURSEL, index); }
  std::u16string ComboText(std::int32_t id, int index) override {
    const LRESULT length = Send(id, CB_GETLBTEXTLEN, index);
    if (length == CB_ERR) return {};
    std::vector<wchar_t> text(length + 1, L'\0');
    Send(id, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(text.data()));
    return FromWide(text.data(), length);
  }

  void ListModifyStyle(std::int32_t id, std::uint32_t remove, std::uint32_t add) override {
    HWND item = ControlWindow(id);
    const LONG_PTR style = GetWindowLongPtrW(item, GWL_STYLE);
    SetWindowLongPtrW(item, GWL_STYLE, (style & ~static_cast<LONG_PTR>(remove)) | add);
  }
  void ListSetExStyle(std::int32_t id, std::uint32_t mask, std::uint32_t value) override {
    Send(id, LVM_SETEXTENDEDLISTVIEWSTYLE, mask, value);
  }
  std::uint32_t ListExStyle(std::int32_t id) override {
    return static_cast<std::uint32_t>(Send(id, LVM_GETEXTENDEDLISTVIEWSTYLE));
  }
  bool ListDeleteAll(std::int32_t id) override { return Send(id, LVM_DELETEALLITEMS) != 0; }
  bool ListHasColumn(std::int32_t id, int column) override {
    LVCOLUMNW info{};
    info.mask = LVCF_WIDTH;
    return Send(id, LVM_GETCOLUMNW, column, reinterpret_cast<LPARAM>(&info)) != 0;
  }
  int ListInsertColumn(std::int32_t id, int column, const std::u16string& heading, int format,
                       int width) override {
    LVCOLUMNW info{};
    info.mask = LVCF_FMT | LVCF_TEXT;
    info.fmt = format;
    info.pszText = const_cast<wchar_t*>(Wide(heading));
    if (width != ListView::kNoWidth) {
      info.mask |= LVCF_WIDTH;
      info.cx = width;
    }
    return static_cast<int>(Send(id, LVM_INSERTCOLUMNW, column, reinterpret_cast<LPARAM>(&info)));
  }
  bool ListSetColumnWidth(std::int32_t id, int column, int width) override {
    return Send(id, LVM_SETCOLUMNWIDTH, column, MAKELPARAM(width, 0)) != 0;
  }
  int ListInsertItem(std::int32_t id, int index, const std::u16string& text) override {
    LVITEMW item{};
    item.mask = LVIF_TEXT;
    item.iItem = index;
    item.pszText = const_cast<wchar_t*>(Wide(text));
    return static_cast<int>(Send(id, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
  }
  int ListCount(std::int32_t id) override { return static_cast<int>(Send(id, LVM_GETITEMCOUNT)); }
  std::u16string ListText(std::int32_t id, int index) override {
    // The list view copies at most the buffer; grow until the text fits.
    for (std::size_t size = 64;; size *= 4) {
      std::vector<wchar_t> text(size, L'\0');
      LVITEMW item{};
      item.iSubItem = 0;
      item.pszText = text.data();
      item.cchTextMax = static_cast<int>(size);
      const LRESULT length = Send(id, LVM_GETITEMTEXTW, index, reinterpret_cast<LPARAM>(&item));
      if (length < 0) return {};
      if (static_cast<std::size_t>(length) + 1 < size || size > (1u << 20)) {
        return FromWide(text.data(), length);
      }
    }
  }
  bool ListSetText(std::int32_t id, int index, const std::u16string& text) override {
    LVITEMW item{};
    item.iSubItem = 0;
    item.pszText = const_cast<wchar_t*>(Wide(text));
    return Send(id, LVM_SETITEMTEXTW, index, reinterpret_cast<LPARAM>(&item)) != 0;
  }
  bool ListChecked(std::int32_t id, int index) override {
    const LRESULT state = Send(id, LVM_GETITEMSTATE, index, LVIS_STATEIMAGEMASK);
    return ((state & LVIS_STATEIMAGEMASK) >> 12) == 2;
  }
  bool ListSetChecked(std::int32_t id, int index, bool checked) override {
    LVITEMW item{};
    item.stateMask = LVIS_STATEIMAGEMASK;
    item.state = INDEXTOSTATEIMAGEMASK(checked ? 2 : 1);
    return Send(id, LVM_SETITEMSTATE, index, reinterpret_cast<LPARAM>(&item)) != 0;
  }
  int ListSelected(std::int32_t id) override {
    return static_cast<int>(Send(id, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
  }

  static HTREEITEM Tree(Item item) { return reinterpret_cast<HTREEITEM>(item); }
  Item TreeInsert(std::int32_t id, const std::u16string& text, std::intptr_t data,
                  Item parent) override {
    TVINSERTSTRUCTW insert{};
    insert.hParent = parent ? Tree(parent) : TVI_ROOT;
    insert.hInsertAfter = TVI_LAST;
    insert.item.mask = TVIF_TEXT | TVIF_PARAM;
    insert.item.pszText = const_cast<wchar_t*>(Wide(text));
    insert.item.lParam = data;
    return static_cast<Item>(Send(id, TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&insert)));
  }
  bool TreeDelete(std::int32_t id, Item item) override {
    return item && Send(id, TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(Tree(item))) != 0;
  }
  bool TreeDeleteAll(std::int32_t id) override {
    return Send(id, TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(TVI_ROOT)) != 0;
  }
  std::u16string TreeText(std::int32_t id, Item item) override {
    std::vector<wchar_t> text(1024, L'\0');
    TVITEMW info{};
    info.mask = TVIF_TEXT;
    info.hItem = Tree(item);
    info.pszText = text.data();
    info.cchTextMax = static_cast<int>(text.size());
    if (!item || !Send(id, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&info))) return {};
    return FromWide(text.data(), wcslen(text.data()));
  }
  bool TreeSetText(std::int32_t id, Item item, const std::u16string& text) override {
    TVITEMW info{};
    info.mask = TVIF_TEXT;
    info.hItem = Tree(item);
    info.pszText = const_cast<wchar_t*>(Wide(text));
    return item && Send(id, TVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&info)) != 0;
  }
  std::intptr_t TreeData(std::int32_t id, Item item) override {
    TVITEMW info{};
    info.mask = TVIF_PARAM;
    info.hItem = Tree(item);
    if (!item || !Send(id, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&info))) return 0;
    return info.lParam;
  }
  Item TreeSelected(std::int32_t id) override {
    return static_cast<Item>(Send(id, TVM_GETNEXTITEM, TVGN_CARET));
  }
  bool TreeSelect(std::int32_t id, Item item) override {
    return Send(id, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(Tree(item))) != 0;
  }
  Item TreeChild(std::int32_t id, Item parent) override {
    if (!parent) return static_cast<Item>(Send(id, TVM_GETNEXTITEM, TVGN_ROOT));
    return static_cast<Item>(
        Send(id, TVM_GETNEXTITEM, TVGN_CHILD, reinterpret_cast<LPARAM>(Tree(parent))));
  }
  Item TreeNext(std::int32_t id, Item item) override {
    return static_cast<Item>(
        Send(id, TVM_GETNEXTITEM, TVGN_NEXT, reinterpret_cast<LPARAM>(Tree(item))));
  }
  Item TreeParent(std::int32_t id, Item item) override {
    return static_cast<Item>(
        Send(id, TVM_GETNEXTITEM, TVGN_PARENT, reinterpret_cast<LPARAM>(Tree(item))));
  }
  void TreeExpand(std::int32_t id, Item item) override {
    Send(id, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(Tree(item)));
  }

 private:
  HWND hwnd_;
  std::unordered_map<std::int32_t, HWND> controls_;
};

struct ModalRun {
  Dialog* dialog;
  std::unique_ptr<Win32Window> window;  // from WM_INITDIALOG until the dialog returns
};

ModalRun* RunOf(HWND hwnd) {
  return reinterpret_cast<ModalRun*>(GetWindowLongPtrW(hwnd, DWLP_USER));
}

void Dispatch(Dialog& dialog, const NMHDR& header, LPARAM lparam) {
  const auto id = static_cast<std::int32_t>(header.idFrom);
  wchar_t class_name[32] = {};
  GetClassNameW(header.hwndFrom, class_name, 32);
  const bool is_tree = lstrcmpiW(class_name, WC_TREEVIEWW) == 0;
  if (is_tree) {
    if (header.code == TVN_SELCHANGEDW) {
      const auto* change = reinterpret_cast<const NMTREEVIEWW*>(lparam);
      dialog.HandleNotify({id, NotifyCode::kSelectionChanged,
                           reinterpret_cast<std::intptr_t>(change->itemNew.hItem)});
    } else if (header.code == NM_DBLCLK) {
      const auto item = SendMessageW(header.hwndFrom, TVM_GETNEXTITEM, TVGN_CARET, 0);
      dialog.HandleNotify({id, NotifyCode::kDoubleClick, static_cast<std::intptr_t>(item)});
    }
    return;
  }
  if (header.code != NM_CLICK && header.code != NM_DBLCLK) return;
  // Only a list view's click notifications carry the item hit.
  const bool is_list = lstrcmpiW(class_name, WC_LISTVIEWW) == 0;
  const int item = is_list ? reinterpret_cast<const NMITEMACTIVATE*>(lparam)->iItem : -1;
  dialog.HandleNotify(
      {id, header.code == NM_CLICK ? NotifyCode::kClick : NotifyCode::kDoubleClick, item});
}

// Only trees the template shows: turning drawing back on makes a window
// visible.
BOOL CALLBACK SetTreeRedraw(HWND child, LPARAM redraw) {
  wchar_t class_name[32] = {};
  GetClassNameW(child, class_name, 32);
  const bool shown = (GetWindowLongPtrW(child, GWL_STYLE) & WS_VISIBLE) != 0;
  if (shown && lstrcmpiW(class_name, WC_TREEVIEWW) == 0) {
    SendMessageW(child, WM_SETREDRAW, redraw, 0);
  }
  return TRUE;
}

// A tree view filled while the dialog initialises lays itself out once, at
// the end, instead of after every item and every expanded group: linear in
// the number of items, not quadratic.
bool InitialiseWithTreesQuiet(HWND hwnd, ModalRun& run) {
  EnumChildWindows(hwnd, SetTreeRedraw, FALSE);
  const bool default_focus = run.dialog->HandleInit(run.window.get());
  EnumChildWindows(hwnd, SetTreeRedraw, TRUE);
  return default_focus;
}

INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_INITDIALOG) {
    auto* run = reinterpret_cast<ModalRun*>(lparam);
    SetWindowLongPtrW(hwnd, DWLP_USER, lparam);
    run->window = std::make_unique<Win32Window>(hwnd);
    return InitialiseWithTreesQuiet(hwnd, *run) ? TRUE : FALSE;
  }
  ModalRun* run = RunOf(hwnd);
  if (!run || !run->window) return FALSE;
  switch (message) {
    case WM_COMMAND: {
      const auto id = static_cast<std::int32_t>(LOWORD(wparam));
      const WORD code = HIWORD(wparam);
      if (code == BN_CLICKED) {
        run->dialog->HandleCommand(id, NotifyCode::kClick);
      } else if (code == BN_DOUBLECLICKED) {
        run->dialog->HandleCommand(id, NotifyCode::kDoubleClick);
      } else if (code == CBN_SELCHANGE) {
        const auto index = SendMessageW(reinterpret_cast<HWND>(lparam), CB_GETCURSEL, 0, 0);
        run->dialog->HandleNotify({id, NotifyCode::kSelectionChanged, index});
      }
      return TRUE;
    }
    case WM_NOTIFY:
      Dispatch(*run->dialog, *reinterpret_cast<const NMHDR*>(lparam), lparam);
      SetWindowLongPtrW(hwnd, DWLP_MSGRESULT, 0);
      return TRUE;
    case WM_CLOSE:
      run->dialog->HandleClose();
      return TRUE;
    default:
      return FALSE;
  }
}

}  // namespace

std::intptr_t RunModal(Dialog& dialog, const platform::ResourceBytes& bytes, WindowHandle parent) {
  static const bool controls_ready = [] {
    INITCOMMONCONTROLSEX init{sizeof(INITCOMMONCONTROLSEX),
                              ICC_LISTVIEW_CLASSES | ICC_TREEVIEW_CLASSES | ICC_STANDARD_CLASSES};
    return InitCommonControlsEx(&init) != FALSE;
  }();
  (void)controls_ready;
  ModalRun run{&dialog, nullptr};
  return DialogBoxIndirectParamW(
      reinterpret_cast<HINSTANCE>(&__ImageBase), reinterpret_cast<LPCDLGTEMPLATEW>(bytes.data),
      static_cast<HWND>(parent), DialogProc, reinterpret_cast<LPARAM>(&run));
}

int MessageBoxShown(WindowHandle owner, const std::u16string& text, const std::u16string& caption,
                    std::uint32_t flags) {
  return MessageBoxW(static_cast<HWND>(owner), Wide(text), Wide(caption), flags);
}

}  // namespace warden::ui::ui_backend
