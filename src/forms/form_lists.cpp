#include <algorithm>
#include <iterator>
#include <numeric>
#include <utility>

#include "forms/form.h"

namespace velqor::forms {

using platform::ControlKind;
using platform::Failure;
using platform::kInvalidParameter;

namespace {

// Ordered by one column's text, ASCII letter case ignored.
bool CellLess(const Row& a, const Row& b, std::size_t column) {
  const auto cell = [column](const Row& r) {
    return column < r.cells.size() ? std::string_view(r.cells[column]) : std::string_view();
  };
  const auto lower = [](char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
  };
  const std::string_view x = cell(a);
  const std::string_view y = cell(b);
  return std::lexicographical_compare(x.begin(), x.end(), y.begin(), y.end(),
                                      [&](char p, char q) { return lower(p) < lower(q); });
}

// The order of a list sorted by `column` (none when negative: nothing is before anything).
auto RowBefore(int column, bool ascending) {
  return [column = static_cast<std::size_t>(std::max(column, 0)), ascending, sorted = column >= 0](
             const Row& a, const Row& b) {
    return sorted && (ascending ? CellLess(a, b, column) : CellLess(b, a, column));
  };
}

int RowCount(const auto& list) {
  return static_cast<int>(list.def.kind == ControlKind::kReportList ? list.rows.size()
                                                                    : list.items.size());
}

}  // namespace

Form::Control& Form::List(ControlId list) {
  Control& c = Get(list);
  if (c.def.kind != ControlKind::kListBox && c.def.kind != ControlKind::kReportList) {
    throw Failure(kInvalidParameter, "\"" + c.def.name + "\" is not a list");
  }
  return c;
}

Form::Control& Form::Report(ControlId list) {
  return const_cast<Control&>(std::as_const(*this).Report(list));
}

const Form::Control& Form::Report(ControlId list) const {
  const Control& c = Get(list);
  if (c.def.kind != ControlKind::kReportList) {
    throw Failure(kInvalidParameter, "\"" + c.def.name + "\" is not a report list");
  }
  return c;
}

void Form::CheckRow(const Control& list, int row, int first) const {
  if (row < first || row >= RowCount(list)) {
    throw Failure(kInvalidParameter,
                  "The list \"" + list.def.name + "\" has no row " + std::to_string(row));
  }
}

void Form::AddItem(ControlId list, std::string_view text) {
  if (open_) {
    Get(list).items.emplace_back(UpToNul(text));
    backend_->AddItem(list, UpToNul(text));
  }
}

void Form::ClearItems(ControlId list) {
  if (open_) {
    Control& c = Get(list);
    c.items.clear();
    c.rows.clear();
    c.selection = -1;
    backend_->ClearItems(list);
  }
}

int Form::ItemCount(ControlId list) const {
  return open_ ? RowCount(Get(list)) : 0;
}

std::string Form::ItemText(ControlId list, int row) const {
  if (!open_) {
    return {};
  }
  const Control& c = Get(list);
  CheckRow(c, row, 0);
  const auto place = static_cast<std::size_t>(row);
  if (c.def.kind == ControlKind::kReportList) {
    return c.rows[place].cells.empty() ? std::string() : c.rows[place].cells[0];
  }
  return c.items[place];
}

int Form::Selection(ControlId list) const {
  return open_ ? Get(list).selection : -1;
}

void Form::SetSelection(ControlId list, int row) {
  if (!open_) {
    return;
  }
  Control& c = Get(list);
  CheckRow(c, row, -1);
  if (c.selection == row) {
    return;
  }
  c.selection = row;
  backend_->SetSelection(list, row);
  Fire(list);
}

void Form::FitHorizontalExtent(ControlId list) {
  if (open_) {
    backend_->FitHorizontalExtent(list, Get(list).items);
  }
}

void Form::AddRow(ControlId list, const Row& row) {
  if (!open_) {
    return;
  }
  Control& c = Report(list);
  Row added{row.key, {}};
  added.cells.resize(std::max(row.cells.size(), c.def.columns.size()));
  std::transform(row.cells.begin(), row.cells.end(), added.cells.begin(),
                 [](const std::string& cell) { return std::string(UpToNul(cell)); });
  auto place = c.rows.end();
  if (c.sort_column >= 0) {
    place = std::upper_bound(c.rows.begin(), c.rows.end(), added,
                             RowBefore(c.sort_column, c.sort_ascending));
  }
  const auto index = static_cast<int>(place - c.rows.begin());
  c.rows.insert(place, added);
  if (c.selection >= index) {
    ++c.selection;  // the same row, one place down
  }
  backend_->InsertRow(list, index, added);
}

void Form::AddRows(ControlId list, std::vector<Row> rows) {
  if (!open_) {
    return;
  }
  Control& c = Report(list);
  if (rows.empty()) {
    return;
  }
  for (Row& row : rows) {
    for (std::string& cell : row.cells) {
      cell.resize(UpToNul(cell).size());
    }
    row.cells.resize(std::max(row.cells.size(), c.def.columns.size()));
  }
  const bool sorted = c.sort_column >= 0;
  const auto before = RowBefore(c.sort_column, c.sort_ascending);
  if (sorted) {
    // Sorted among themselves first, so that into an empty list they go straight to their places.
    std::stable_sort(rows.begin(), rows.end(), before);
  }
  const std::size_t old_count = c.rows.size();
  c.rows.insert(c.rows.end(), std::make_move_iterator(rows.begin()),
                std::make_move_iterator(rows.end()));
  if (c.drawn) {
    backend_->SetRedraw(list, false);
  }
  backend_->AppendRows(list, std::span<const Row>(c.rows).subspan(old_count));
  if (sorted && old_count > 0) {
    // A stable merge puts each new row after the old ones it ties with, as AddRow does.
    std::vector<int> order(c.rows.size());
    std::iota(order.begin(), order.end(), 0);
    const auto middle = order.begin() + static_cast<std::ptrdiff_t>(old_count);
    std::inplace_merge(order.begin(), middle, order.end(), [&](int a, int b) {
      return before(c.rows[static_cast<std::size_t>(a)], c.rows[static_cast<std::size_t>(b)]);
    });
    Reorder(list, c, order);
  }
  if (c.drawn) {
    backend_->SetRedraw(list, true);
  }
}

void Form::Reorder(ControlId list, Control& c, const std::vector<int>& order) {
  bool moved = false;
  for (std::size_t i = 0; i < order.size() && !moved; ++i) {
    moved = order[i] != static_cast<int>(i);
  }
  if (!moved) {
    return;
  }
  std::vector<Row> rows;
  rows.reserve(c.rows.size());
  for (const int from : order) {
    rows.push_back(std::move(c.rows[static_cast<std::size_t>(from)]));
  }
  c.rows = std::move(rows);
  if (c.selection >= 0) {
    c.selection =
        static_cast<int>(std::find(order.begin(), order.end(), c.selection) - order.begin());
  }
  backend_->ReorderRows(list, order);
}

Row Form::RowAt(ControlId list, int row) const {
  if (!open_) {
    return {};
  }
  const Control& c = Report(list);
  CheckRow(c, row, 0);
  return c.rows[static_cast<std::size_t>(row)];
}

int Form::RowOfKey(ControlId list, std::uint64_t key) const {
  if (!open_) {
    return -1;
  }
  const Control& c = Report(list);
  const auto found =
      std::find_if(c.rows.begin(), c.rows.end(), [key](const Row& row) { return row.key == key; });
  return found == c.rows.end() ? -1 : static_cast<int>(found - c.rows.begin());
}

std::optional<std::uint64_t> Form::SelectedKey(ControlId list) const {
  if (!open_) {
    return std::nullopt;
  }
  const Control& c = Report(list);
  if (c.selection < 0) {
    return std::nullopt;
  }
  return c.rows[static_cast<std::size_t>(c.selection)].key;
}

void Form::SortBy(ControlId list, int column, bool ascending) {
  if (!open_) {
    return;
  }
  Control& c = Report(list);
  if (column < 0 || static_cast<std::size_t>(column) >= c.def.columns.size()) {
    throw Failure(kInvalidParameter,
                  "The list \"" + c.def.name + "\" has no column " + std::to_string(column));
  }
  std::vector<int> order(c.rows.size());
  std::iota(order.begin(), order.end(), 0);
  const auto before = RowBefore(column, ascending);
  std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
    return before(c.rows[static_cast<std::size_t>(a)], c.rows[static_cast<std::size_t>(b)]);
  });
  c.sort_column = column;
  c.sort_ascending = ascending;
  // The selected row stays selected in its new place; nothing changed for its handler.
  Reorder(list, c, order);
  backend_->SetSelection(list, c.selection);
  backend_->ShowSort(list, column, ascending);
}

int Form::SortColumn(ControlId list) const {
  return open_ ? Report(list).sort_column : -1;
}

bool Form::SortAscending(ControlId list) const {
  return !open_ || Report(list).sort_ascending;
}

bool Form::UserClickedHeader(ControlId list, int column) {
  const Control& c = Report(list);
  if (!Responds(list)) {
    return false;
  }
  SortBy(list, column, c.sort_column != column || !c.sort_ascending);
  return true;
}

bool Form::UserSelected(ControlId list, int row) {
  Control& c = List(list);
  CheckRow(c, row, -1);
  if (!Responds(list)) {
    backend_->SetSelection(list, c.selection);
    return false;
  }
  if (c.selection != row) {
    c.selection = row;
    Fire(list);
  }
  return true;
}

}  // namespace velqor::forms
