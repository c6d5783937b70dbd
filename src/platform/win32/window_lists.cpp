// What the lists of a window show: list box rows, report list rows, columns and sort.
#include "platform/win32/window.h"

#include <commctrl.h>

#include <algorithm>
#include <utility>

#include "platform/win32/dpi.h"
#include "platform/win32/text.h"

namespace velqor::platform::win32 {

void Win32Backend::AddColumns(const Control& control) {
  HWND list = control.windows.hwnd;
  SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
  for (size_t i = 0; i < control.def.columns.size(); ++i) {
    std::wstring caption = Widen(control.def.columns[i].caption);
    LVCOLUMNW column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
    column.pszText = caption.data();
    column.cx = TwipsToPixels(control.def.columns[i].width, dpi_);
    column.iSubItem = static_cast<int>(i);
    SendMessageW(list, LVM_INSERTCOLUMNW, i, reinterpret_cast<LPARAM>(&column));
  }
}

void Win32Backend::AddItem(ControlId id, std::string_view text) {
  SendMessageW(Get(id).windows.hwnd, LB_ADDSTRING, 0,
               reinterpret_cast<LPARAM>(Widen(text).c_str()));
}

void Win32Backend::ClearItems(ControlId id) {
  const bool report = Get(id).def.kind == ControlKind::kReportList;
  const bool was_quiet = std::exchange(quiet_, true);
  SendMessageW(Get(id).windows.hwnd, report ? LVM_DELETEALLITEMS : LB_RESETCONTENT, 0, 0);
  quiet_ = was_quiet;
}

void Win32Backend::SetSelection(ControlId id, int row) {
  HWND hwnd = Get(id).windows.hwnd;
  if (Get(id).def.kind != ControlKind::kReportList) {
    SendMessageW(hwnd, LB_SETCURSEL, static_cast<WPARAM>(row), 0);
    return;
  }
  const bool was_quiet = std::exchange(quiet_, true);
  LVITEMW item{};
  item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
  SendMessageW(hwnd, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&item));
  if (row >= 0) {
    item.state = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageW(hwnd, LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
    SendMessageW(hwnd, LVM_ENSUREVISIBLE, static_cast<WPARAM>(row), FALSE);
  }
  quiet_ = was_quiet;
}

void Win32Backend::InsertRow(ControlId id, int place, const Row& row) {
  HWND hwnd = Get(id).windows.hwnd;
  const bool was_quiet = std::exchange(quiet_, true);
  for (size_t cell = 0; cell < std::max<size_t>(row.cells.size(), 1); ++cell) {
    std::wstring text = cell < row.cells.size() ? Widen(row.cells[cell]) : std::wstring();
    LVITEMW item{};
    item.mask = LVIF_TEXT;
    item.iItem = place;
    item.iSubItem = static_cast<int>(cell);
    item.pszText = text.data();
    SendMessageW(hwnd, cell == 0 ? LVM_INSERTITEMW : LVM_SETITEMTEXTW,
                 cell == 0 ? 0 : static_cast<WPARAM>(place), reinterpret_cast<LPARAM>(&item));
  }
  quiet_ = was_quiet;
}

void Win32Backend::ShowRows(ControlId id, const std::vector<Row>& rows) {
  ClearItems(id);
  for (size_t i = 0; i < rows.size(); ++i) {
    InsertRow(id, static_cast<int>(i), rows[i]);
  }
}

void Win32Backend::ShowSort(ControlId id, int column, bool ascending) {
  // The arrows need version 6 of the common controls; older ones ignore the flags, and the list
  // is sorted all the same.
  HWND header = reinterpret_cast<HWND>(SendMessageW(Get(id).windows.hwnd, LVM_GETHEADER, 0, 0));
  const auto count = static_cast<int>(SendMessageW(header, HDM_GETITEMCOUNT, 0, 0));
  for (int i = 0; i < count; ++i) {
    HDITEMW item{};
    item.mask = HDI_FORMAT;
    SendMessageW(header, HDM_GETITEMW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item));
    item.fmt &= ~(HDF_SORTUP | HDF_SORTDOWN);
    if (i == column) {
      item.fmt |= ascending ? HDF_SORTUP : HDF_SORTDOWN;
    }
    SendMessageW(header, HDM_SETITEMW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item));
  }
}

void Win32Backend::FitHorizontalExtent(ControlId id, const std::vector<std::string>& rows) {
  HWND hwnd = Get(id).windows.hwnd;
  int widest = 0;
  HDC dc = GetDC(hwnd);
  const HGDIOBJ old_font = SelectObject(dc, font_.get());
  for (const std::string& row : rows) {
    const std::wstring text = Widen(row);
    SIZE size{};
    if (!text.empty() &&
        GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size)) {
      widest = std::max(widest, static_cast<int>(size.cx));
    }
  }
  SelectObject(dc, old_font);
  ReleaseDC(hwnd, dc);
  // A list box draws its rows a few pixels in from its left edge; the same again on the right
  // lets the last character show whole.
  const int margin = widest > 0 ? 2 * GetSystemMetrics(SM_CXEDGE) + 2 : 0;
  SendMessageW(hwnd, LB_SETHORIZONTALEXTENT, static_cast<WPARAM>(widest + margin), 0);
}

void Win32Backend::OnNotify(const NMHDR& header) {
  const Control* c = ControlOfWindow(header.hwndFrom);
  if (c == nullptr || c->def.kind != ControlKind::kReportList || quiet_) {
    return;
  }
  const auto& change = reinterpret_cast<const NMLISTVIEW&>(header);
  if (header.code == LVN_COLUMNCLICK) {
    form_->UserClickedHeader(c->sequence, change.iSubItem);
  } else if (header.code == LVN_ITEMCHANGED && (change.uChanged & LVIF_STATE) != 0 &&
             (change.uNewState & LVIS_SELECTED) != 0 && (change.uOldState & LVIS_SELECTED) == 0 &&
             change.iItem >= 0) {
    form_->UserSelected(c->sequence, change.iItem);
  }
}

}  // namespace velqor::platform::win32
