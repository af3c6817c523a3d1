// Grid::update(): running the planned statements on the transaction object and reporting the
// first that fails.

#include "host/db/transaction.h"
#include "host/grid/grid.h"
#include "host/grid/update_planner.h"

namespace sparestock::grid {

namespace {

// Runs one statement. False when it failed, with sqlcode/sqlerrtext set in the transaction;
// `identity` receives the new key of an INSERT that reads one back.
bool run_statement(db::Transaction& t, const PlannedStatement& s, const std::string& table,
                   std::optional<db::Value>& identity) {
  if (s.returns_identity) {
    auto row = t.select_row(s.sql, s.values);
    if (!row || t.sqlcode != 0 || row->empty()) {
      if (t.sqlcode == 0 || t.sqlcode == 100) {
        t.sqlcode = -1;
        t.sqlerrtext = "The database did not return the new key of " + table + ".";
      }
      return false;
    }
    identity = (*row)[0];
    return true;
  }
  if (t.execute(s.sql, s.values) != 0) return false;
  // An UPDATE or DELETE must find exactly its row: none means someone else changed or removed
  // it since it was read.
  if (s.kind != PlannedStatement::Kind::Insert && t.sqlnrows != 1) {
    t.sqlcode = -1;
    t.sqlerrtext = t.sqlnrows == 0
                       ? "Row changed between retrieve and update."
                       : "The key of " + table + " matched " + std::to_string(t.sqlnrows) + " rows, not one.";
    return false;
  }
  return true;
}

}  // namespace

int Grid::resetupdate() {
  GridData& d = *data_;
  d.forget_originals();
  // A new row never filled in was not written: it stays new.
  for (uint32_t r : d.order)
    if (d.status[r] != RowStatus::New) d.status[r] = RowStatus::NotModified;
  d.deleted.clear();
  return 1;
}

int Grid::update(bool accept, bool reset_flags) {
  if (accept && accepttext() != 1) return -1;
  UpdatePlan plan = UpdatePlanner(def_, *data_).plan();
  if (!plan.error.empty()) return failed(plan.error);
  if (plan.statements.empty()) {
    if (reset_flags) resetupdate();
    return 1;
  }
  if (!transaction_) return failed("update needs a transaction object (settransobject)");

  std::vector<std::pair<uint32_t, db::Value>> identities;
  for (const PlannedStatement& s : plan.statements) {
    std::optional<db::Value> identity;
    if (!run_statement(*transaction_, s, def_.update_table, identity)) {
      fail_db(transaction_->sqlerrtext, s.sql, s.buffer, s.number);
      return -1;
    }
    if (identity) identities.emplace_back(s.row, std::move(*identity));
  }
  // Every statement went through: the new keys belong to their rows now.
  GridData& d = *data_;
  for (auto& [row, value] : identities) {
    std::string error;
    d.columns[static_cast<size_t>(plan.identity_column)].set_value(row, value, &error);
  }
  if (!identities.empty()) d.touch_values();
  if (reset_flags) resetupdate();
  return 1;
}

}  // namespace sparestock::grid
