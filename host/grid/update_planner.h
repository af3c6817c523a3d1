#pragma once
// What Grid::update() writes, planned without a database: for each deleted, changed or new row
// the statement that writes it, with its bound values. The planner reads the grid definition
// (update table, key, updatable and identity columns) and the rows' buffers, statuses and
// original values; Grid::update() runs the plan on its transaction object and reports the first
// statement that fails.
//
// Statements come in the order they run: deleted rows (in the order deleted), then changed and
// new rows of the primary buffer, then of the filter buffer, each in the order shown. Only
// updatable columns are written (a grid may hold values the form writes itself), an identity
// column never. A row is found by the values its key columns had when it was read.

#include <cstdint>
#include <string>
#include <vector>

#include "host/db/transaction.h"
#include "host/grid/column_store.h"
#include "host/grid/definition.h"
#include "host/grid/grid.h"

namespace sparestock::grid {

struct PlannedStatement {
  enum class Kind { Delete, Update, Insert };
  Kind kind = Kind::Update;
  std::string sql;           // with host variables :v1.. (values written), :k1.. (key values)
  db::HostVariables values;  // the host variables, in the order they appear
  uint32_t row = 0;          // the row's id in the grid's data
  Buffer buffer = Buffer::Primary;
  long number = 0;  // the row's number in its buffer (1-based), for the dberror event
  // An INSERT that reads back the identity column (INSERT ... RETURNING it).
  bool returns_identity = false;
};

struct UpdatePlan {
  std::vector<PlannedStatement> statements;
  int identity_column = -1;  // 0-based column the INSERTs read back; -1 when none
  // Why the changes cannot be written (no update table, no key); statements is then empty.
  std::string error;
};

class UpdatePlanner {
 public:
  // Both must outlive the planner.
  UpdatePlanner(const GridDefinition& definition, const GridData& data);

  // The plan for the rows as they stand now. No statements and no error: nothing to write.
  UpdatePlan plan() const;

  // The table column a grid column (0-based) writes: its db_name, else its name without the
  // update table's prefix ("dbj030_ckh" -> "ckh"), else its name.
  std::string table_column(int column) const;

 private:
  // Updatable, non-identity columns of the row that changed since it was read.
  std::vector<int> written_columns(uint32_t row) const;
  // " WHERE k = :k1 AND ..." from the key columns' original values; appends their values.
  std::string where_clause(uint32_t row, db::HostVariables& values) const;
  PlannedStatement deletion(uint32_t row) const;
  PlannedStatement change(uint32_t row, const std::vector<int>& columns) const;
  PlannedStatement insertion(uint32_t row, const std::vector<int>& columns) const;

  const GridDefinition& def_;
  const GridData& data_;
  std::vector<int> keys_;
  int identity_ = -1;
};

}  // namespace sparestock::grid
