// Grid::update(): writing deleted, changed and new rows back to the update table.

#include "host/db/transaction.h"
#include "host/grid/grid.h"

namespace sparestock::grid {

namespace {

enum class WorkKind { Delete, Update, Insert };

struct Work {
  WorkKind kind;
  uint32_t row;
  Buffer buffer;
  long number;  // row number in its buffer
};

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
  GridData& d = *data_;

  std::vector<Work> work;
  for (size_t k = 0; k < d.deleted.size(); ++k)
    work.push_back({WorkKind::Delete, d.deleted[k], Buffer::Delete, static_cast<long>(k + 1)});
  auto changed = [&](const std::vector<uint32_t>& rows, Buffer buffer) {
    for (size_t k = 0; k < rows.size(); ++k) {
      RowStatus st = d.status[rows[k]];
      if (st == RowStatus::DataModified)
        work.push_back({WorkKind::Update, rows[k], buffer, static_cast<long>(k + 1)});
      else if (st == RowStatus::NewModified)
        work.push_back({WorkKind::Insert, rows[k], buffer, static_cast<long>(k + 1)});
    }
  };
  changed(d.primary, Buffer::Primary);
  changed(d.filtered_rows(), Buffer::Filter);

  const auto& cols = def_.columns;
  // Which changes are there to write at all: only updatable columns are written.
  auto written_columns = [&](uint32_t row) {
    std::vector<int> out;
    for (size_t c = 0; c < cols.size(); ++c)
      if (cols[c].updatable && !cols[c].identity && d.item_changed(row, static_cast<int>(c)))
        out.push_back(static_cast<int>(c));
    return out;
  };
  // Deleted and new rows always need the update table; changes to columns that are not
  // updatable are not written (a grid may take values the form writes itself).
  bool anything = false, rows_to_write = false;
  for (const Work& w : work) {
    rows_to_write = rows_to_write || w.kind != WorkKind::Update;
    anything = anything || w.kind == WorkKind::Delete || !written_columns(w.row).empty();
  }
  if (def_.update_table.empty() && rows_to_write)
    return failed("grid " + def_.name + " has no update table; its changes cannot be written");
  if (!anything) {
    if (reset_flags) resetupdate();
    return 1;
  }
  if (!transaction_) return failed("update needs a transaction object (settransobject)");

  std::vector<int> keys;
  int identity = -1;
  for (size_t c = 0; c < cols.size(); ++c) {
    if (cols[c].key) keys.push_back(static_cast<int>(c));
    if (cols[c].identity && identity < 0) identity = static_cast<int>(c);
  }
  auto db_column = [&](int c) {
    const ColumnDef& cd = cols[c];
    if (!cd.db_name.empty()) return cd.db_name;
    std::string prefix = def_.update_table + "_";
    if (cd.name.size() > prefix.size() && cd.name.compare(0, prefix.size(), prefix) == 0)
      return cd.name.substr(prefix.size());
    return cd.name;
  };
  // The row is found by the values its key columns had when it was read.
  auto where = [&](uint32_t row, db::HostVariables& vars) {
    std::string out;
    for (size_t k = 0; k < keys.size(); ++k) {
      int c = keys[k];
      const db::Value* o = d.original(row, c);
      db::Value v = o ? *o : d.columns[c].value(row);
      out += k ? " AND " : " WHERE ";
      if (v.is_null()) {
        out += db_column(c) + " IS NULL";
      } else {
        std::string name = "k" + std::to_string(k + 1);
        out += db_column(c) + " = :" + name;
        vars.emplace_back(name, std::move(v));
      }
    }
    return out;
  };

  std::vector<std::pair<uint32_t, db::Value>> identities;
  for (const Work& w : work) {
    std::string sql;
    db::HostVariables vars;
    bool returning = false;
    if (w.kind != WorkKind::Insert && keys.empty())
      return failed("grid " + def_.name + " has no key columns; rows cannot be found to write");
    switch (w.kind) {
      case WorkKind::Delete: sql = "DELETE FROM " + def_.update_table + where(w.row, vars); break;
      case WorkKind::Update: {
        std::vector<int> set = written_columns(w.row);
        if (set.empty()) continue;
        sql = "UPDATE " + def_.update_table + " SET ";
        for (size_t k = 0; k < set.size(); ++k) {
          std::string name = "v" + std::to_string(k + 1);
          sql += (k ? ", " : "") + db_column(set[k]) + " = :" + name;
          vars.emplace_back(name, d.columns[set[k]].value(w.row));
        }
        sql += where(w.row, vars);
        break;
      }
      case WorkKind::Insert: {
        std::vector<int> set = written_columns(w.row);
        if (set.empty()) continue;
        std::string names, values;
        for (size_t k = 0; k < set.size(); ++k) {
          std::string name = "v" + std::to_string(k + 1);
          names += (k ? ", " : "") + db_column(set[k]);
          values += (k ? ", :" : ":") + name;
          vars.emplace_back(name, d.columns[set[k]].value(w.row));
        }
        sql = "INSERT INTO " + def_.update_table + " (" + names + ") VALUES (" + values + ")";
        if (identity >= 0) {
          sql += " RETURNING " + db_column(identity);
          returning = true;
        }
        break;
      }
    }
    if (returning) {
      auto row = transaction_->select_row(sql, vars);
      if (!row || transaction_->sqlcode != 0 || row->empty()) {
        if (transaction_->sqlcode == 0 || transaction_->sqlcode == 100) {
          transaction_->sqlcode = -1;
          transaction_->sqlerrtext = "The database did not return the new key of " + def_.update_table + ".";
        }
        fail_db(transaction_->sqlerrtext, sql, w.buffer, w.number);
        return -1;
      }
      identities.emplace_back(w.row, (*row)[0]);
      continue;
    }
    if (transaction_->execute(sql, vars) != 0) {
      fail_db(transaction_->sqlerrtext, sql, w.buffer, w.number);
      return -1;
    }
    if (w.kind != WorkKind::Insert && transaction_->sqlnrows != 1) {
      transaction_->sqlcode = -1;
      transaction_->sqlerrtext =
          transaction_->sqlnrows == 0
              ? "Row changed between retrieve and update."
              : "The key of " + def_.update_table + " matched " +
                    std::to_string(transaction_->sqlnrows) + " rows, not one.";
      fail_db(transaction_->sqlerrtext, sql, w.buffer, w.number);
      return -1;
    }
  }
  // Every statement went through: the new keys belong to their rows now.
  for (auto& [row, value] : identities) {
    std::string error;
    d.columns[identity].set_value(row, value, &error);
  }
  if (!identities.empty()) d.touch_values();
  if (reset_flags) resetupdate();
  return 1;
}

}  // namespace sparestock::grid
