// Grid::findrequired(): the first required column left empty, so that a form can tell the user
// which cell to fill in before anything is written.

#include "host/grid/grid.h"

namespace sparestock::grid {

namespace {

bool is_empty(const db::Value& v) {
  if (v.is_null()) return true;
  return v.kind() == db::ValueKind::Text && v.text().find_first_not_of(" \t") == std::string::npos;
}

long rows_in(const Grid& g, Buffer buffer) {
  switch (buffer) {
    case Buffer::Primary: return g.rowcount();
    case Buffer::Filter: return g.filteredcount();
    case Buffer::Delete: return g.deletedcount();
  }
  return 0;
}

}  // namespace

int Grid::findrequired(Buffer buffer, long& row, int& colnbr, std::string& colname, bool updateonly) {
  long count = rows_in(*this, buffer);
  if (row < 0 || row > count) return failed("there is no row " + std::to_string(row));
  for (long r = row + 1; r <= count; ++r) {
    if (updateonly) {
      // A row never filled in is not written either.
      auto status = getitemstatus(r, 0, buffer);
      if (!status || *status == ItemStatus::NotModified || *status == ItemStatus::New) continue;
    }
    for (int c = 0; c < column_count(); ++c) {
      const ColumnDef& column = def_.columns[c];
      if (!column.required) continue;
      auto value = getitem(r, c + 1, buffer);
      if (!value || !is_empty(*value)) continue;
      row = r;
      colnbr = c + 1;
      colname = column.name;
      return 1;
    }
  }
  row = 0;
  return 1;
}

}  // namespace sparestock::grid
