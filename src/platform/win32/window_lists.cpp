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
  Control& control = Get(id);
  const bool report = control.def.kind == ControlKind::kReportList;
  const bool was_quiet = std::exchange(quiet_, true);
  SendMessageW(control.windows.hwnd, report ? LVM_DELETEALLITEMS : LB_RESETCONTENT, 0, 0);
  control.row_tags.clear();
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
  // Cleared only where set: clearing all rows at once visits every row of a long list.
  for (const UINT marked : {LVNI_SELECTED, LVNI_FOCUSED}) {
    for (auto at = SendMessageW(hwnd, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), marked); at >= 0;
         at = SendMessageW(hwnd, LVM_GETNEXTITEM, static_cast<WPARAM>(at), marked)) {
      SendMessageW(hwnd, LVM_SETITEMSTATE, static_cast<WPARAM>(at),
                   reinterpret_cast<LPARAM>(&item));
    }
  }
  if (row >= 0) {
    item.state = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageW(hwnd, LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
    SendMessageW(hwnd, LVM_ENSUREVISIBLE, static_cast<WPARAM>(row), FALSE);
  }
  quiet_ = was_quiet;
}

void Win32Backend::PutRow(HWND list, int place, const Row& row, LPARAM tag) {
  for (size_t cell = 0; cell < std::max<size_t>(row.cells.size(), 1); ++cell) {
    std::wstring text = cell < row.cells.size() ? Widen(row.cells[cell]) : std::wstring();
    LVITEMW item{};
    item.mask = cell == 0 ? LVIF_TEXT | LVIF_PARAM : LVIF_TEXT;
    item.iItem = place;
    item.iSubItem = static_cast<int>(cell);
    item.pszText = text.data();
    item.lParam = tag;
    SendMessageW(list, cell == 0 ? LVM_INSERTITEMW : LVM_SETITEMTEXTW,
                 cell == 0 ? 0 : static_cast<WPARAM>(place), reinterpret_cast<LPARAM>(&item));
  }
}

void Win32Backend::InsertRow(ControlId id, int place, const Row& row) {
  Control& control = Get(id);
  const bool was_quiet = std::exchange(quiet_, true);
  const auto tag = static_cast<LPARAM>(control.row_tags.size());
  PutRow(control.windows.hwnd, place, row, tag);
  control.row_tags.insert(control.row_tags.begin() + place, tag);
  quiet_ = was_quiet;
}

void Win32Backend::AppendRows(ControlId id, std::span<const Row> rows) {
  Control& control = Get(id);
  const size_t count = control.row_tags.size() + rows.size();
  // Room for every row at once rather than growing row by row.
  SendMessageW(control.windows.hwnd, LVM_SETITEMCOUNT, count, LVSICF_NOINVALIDATEALL);
  control.row_tags.reserve(count);
  for (const Row& row : rows) {
    InsertRow(id, static_cast<int>(control.row_tags.size()), row);
  }
}

namespace {

// LVM_SORTITEMS's comparison: the rows' new places, looked up by their tags.
int CALLBACK ByNewPlace(LPARAM a, LPARAM b, LPARAM places) {
  const auto& place = *reinterpret_cast<const std::vector<int>*>(places);
  return place[static_cast<size_t>(a)] - place[static_cast<size_t>(b)];
}

}  // namespace

void Win32Backend::ReorderRows(ControlId id, const std::vector<int>& order) {
  Control& control = Get(id);
  // The native rows are moved, not made again: a list of thousands is sorted in place, and
  // each row keeps its state.
  std::vector<LPARAM> tags(order.size());
  std::vector<int> place_of_tag(control.row_tags.size());
  for (size_t i = 0; i < order.size(); ++i) {
    tags[i] = control.row_tags[static_cast<size_t>(order[i])];
    place_of_tag[static_cast<size_t>(tags[i])] = static_cast<int>(i);
  }
  control.row_tags = std::move(tags);
  const bool was_quiet = std::exchange(quiet_, true);
  SendMessageW(control.windows.hwnd, LVM_SORTITEMS, reinterpret_cast<WPARAM>(&place_of_tag),
               reinterpret_cast<LPARAM>(&ByNewPlace));
  quiet_ = was_quiet;
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
  } else if (header.code == LVN_ITEMCHANGED && (change.uChanged & LVIF_STATE) != 0) {
    const bool was = (change.uOldState & LVIS_SELECTED) != 0;
    const bool is = (change.uNewState & LVIS_SELECTED) != 0;
    if (is && !was && change.iItem >= 0) {
      form_->UserSelected(c->sequence, change.iItem);
    } else if (!is && (was || change.iItem < 0)) {
      PostMessageW(hwnd_.get(), kWmRowDeselected, static_cast<WPARAM>(c->sequence), 0);
    }
  }
}

void Win32Backend::OnRowDeselected(ControlId list) {
  HWND hwnd = ControlWindow(list);
  if (hwnd != nullptr && Get(list).def.kind == ControlKind::kReportList &&
      SendMessageW(hwnd, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED) < 0) {
    form_->UserSelected(list, -1);
  }
}

}  // namespace velqor::platform::win32
