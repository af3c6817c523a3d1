#include "host/grid/update_planner.h"

namespace sparestock::grid {

UpdatePlanner::UpdatePlanner(const GridDefinition& definition, const GridData& data)
    : def_(definition), data_(data) {
  for (size_t c = 0; c < def_.columns.size(); ++c) {
    if (def_.columns[c].key) keys_.push_back(static_cast<int>(c));
    if (def_.columns[c].identity && identity_ < 0) identity_ = static_cast<int>(c);
  }
}

std::string UpdatePlanner::table_column(int column) const {
  const ColumnDef& cd = def_.columns[static_cast<size_t>(column)];
  if (!cd.db_name.empty()) return cd.db_name;
  std::string prefix = def_.update_table + "_";
  if (cd.name.size() > prefix.size() && cd.name.compare(0, prefix.size(), prefix) == 0)
    return cd.name.substr(prefix.size());
  return cd.name;
}

std::vector<int> UpdatePlanner::written_columns(uint32_t row) const {
  std::vector<int> out;
  for (size_t c = 0; c < def_.columns.size(); ++c) {
    const ColumnDef& cd = def_.columns[c];
    if (cd.updatable && !cd.identity && data_.item_changed(row, static_cast<int>(c)))
      out.push_back(static_cast<int>(c));
  }
  return out;
}

std::string UpdatePlanner::where_clause(uint32_t row, db::HostVariables& values) const {
  std::string out;
  for (size_t k = 0; k < keys_.size(); ++k) {
    int c = keys_[k];
    const db::Value* original = data_.original(row, c);
    db::Value v = original ? *original : data_.columns[static_cast<size_t>(c)].value(row);
    out += k ? " AND " : " WHERE ";
    if (v.is_null()) {
      out += table_column(c) + " IS NULL";
    } else {
      std::string name = "k" + std::to_string(k + 1);
      out += table_column(c) + " = :" + name;
      values.emplace_back(name, std::move(v));
    }
  }
  return out;
}

PlannedStatement UpdatePlanner::deletion(uint32_t row) const {
  PlannedStatement s;
  s.kind = PlannedStatement::Kind::Delete;
  s.sql = "DELETE FROM " + def_.update_table + where_clause(row, s.values);
  return s;
}

PlannedStatement UpdatePlanner::change(uint32_t row, const std::vector<int>& columns) const {
  PlannedStatement s;
  s.kind = PlannedStatement::Kind::Update;
  s.sql = "UPDATE " + def_.update_table + " SET ";
  for (size_t k = 0; k < columns.size(); ++k) {
    std::string name = "v" + std::to_string(k + 1);
    s.sql += (k ? ", " : "") + table_column(columns[k]) + " = :" + name;
    s.values.emplace_back(name, data_.columns[static_cast<size_t>(columns[k])].value(row));
  }
  s.sql += where_clause(row, s.values);
  return s;
}

PlannedStatement UpdatePlanner::insertion(uint32_t row, const std::vector<int>& columns) const {
  PlannedStatement s;
  s.kind = PlannedStatement::Kind::Insert;
  std::string names, placeholders;
  for (size_t k = 0; k < columns.size(); ++k) {
    std::string name = "v" + std::to_string(k + 1);
    names += (k ? ", " : "") + table_column(columns[k]);
    placeholders += (k ? ", :" : ":") + name;
    s.values.emplace_back(name, data_.columns[static_cast<size_t>(columns[k])].value(row));
  }
  s.sql = "INSERT INTO " + def_.update_table + " (" + names + ") VALUES (" + placeholders + ")";
  if (identity_ >= 0) {
    s.sql += " RETURNING " + table_column(identity_);
    s.returns_identity = true;
  }
  return s;
}

UpdatePlan UpdatePlanner::plan() const {
  using Kind = PlannedStatement::Kind;
  struct Pending {
    Kind kind;
    uint32_t row;
    Buffer buffer;
    long number;
  };
  std::vector<Pending> rows;
  for (size_t k = 0; k < data_.deleted.size(); ++k)
    rows.push_back({Kind::Delete, data_.deleted[k], Buffer::Delete, static_cast<long>(k + 1)});
  auto changed = [&](const std::vector<uint32_t>& buffer_rows, Buffer buffer) {
    for (size_t k = 0; k < buffer_rows.size(); ++k) {
      RowStatus st = data_.status[buffer_rows[k]];
      if (st == RowStatus::DataModified)
        rows.push_back({Kind::Update, buffer_rows[k], buffer, static_cast<long>(k + 1)});
      else if (st == RowStatus::NewModified)
        rows.push_back({Kind::Insert, buffer_rows[k], buffer, static_cast<long>(k + 1)});
    }
  };
  changed(data_.primary, Buffer::Primary);
  changed(data_.filtered_rows(), Buffer::Filter);

  UpdatePlan plan;
  plan.identity_column = identity_;
  // Deleted and new rows always need the update table; a changed row only when one of its
  // written columns changed.
  bool needs_table = false;
  for (const Pending& p : rows)
    needs_table = needs_table || p.kind != Kind::Update || !written_columns(p.row).empty();
  if (needs_table && def_.update_table.empty()) {
    plan.error = "grid " + def_.name + " has no update table; its changes cannot be written";
    return plan;
  }
  for (const Pending& p : rows) {
    std::vector<int> columns;
    if (p.kind != Kind::Delete) {
      columns = written_columns(p.row);
      if (columns.empty()) continue;  // only columns the grid does not write changed
    }
    // Found before anything runs, so that no statement of a plan that cannot finish is sent.
    if (p.kind != Kind::Insert && keys_.empty()) {
      plan.statements.clear();
      plan.error = "grid " + def_.name + " has no key columns; rows cannot be found to write";
      return plan;
    }
    PlannedStatement s = p.kind == Kind::Delete   ? deletion(p.row)
                         : p.kind == Kind::Update ? change(p.row, columns)
                                                  : insertion(p.row, columns);
    s.row = p.row;
    s.buffer = p.buffer;
    s.number = p.number;
    plan.statements.push_back(std::move(s));
  }
  return plan;
}

}  // namespace sparestock::grid
