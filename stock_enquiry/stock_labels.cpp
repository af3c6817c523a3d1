#include "stock_enquiry/stock_labels.h"

#include <stdexcept>
#include <unordered_map>
#include <vector>

namespace sparestock::stock_enquiry {

namespace {

// Positions of the label grid's columns that a stock row can fill by itself.
struct LabelColumns {
  int cgsh, ccph, ccpmc, ckh, ckqh, ckwh;
};

std::string key_of(const std::string& warehouse, const std::string& part) {
  return warehouse + '\x1f' + part;
}

std::string text_or_empty(const db::Value& v) { return v.is_null() ? std::string() : v.as_text(); }

}  // namespace

long fill_labels(grid::Grid& labels, const grid::Grid& stock, db::Transaction& sqlca,
                 const std::string& company) {
  const grid::GridDefinition& def = labels.definition();
  const int ncols = labels.column_count();
  LabelColumns at{labels.column_index("cgsh"), labels.column_index("ccph"), labels.column_index("ccpmc"),
                  labels.column_index("ckh"),  labels.column_index("ckqh"), labels.column_index("ckwh")};
  for (int c : {at.cgsh, at.ccph, at.ccpmc, at.ckh, at.ckqh, at.ckwh})
    if (c < 0) throw std::logic_error("the label grid " + def.name + " lacks a label column");

  // The company's label data, by warehouse and part (the key of a stock record).
  auto cursor = sqlca.open_cursor(def.statement + " WHERE V_KCMX.cgsh = :gsh", {{"gsh", db::Value(company)}});
  if (!cursor) {
    labels.reset();
    return -1;
  }
  std::vector<db::ColumnInfo> columns;
  for (int c = 0; c < cursor->column_count(); ++c) columns.push_back(cursor->column_info(c));
  std::unordered_map<std::string, std::vector<db::Value>> by_key;
  try {
    while (cursor->next()) {
      std::vector<db::Value> row;
      row.reserve(ncols);
      for (int c = 0; c < cursor->column_count(); ++c) row.push_back(cursor->value(c));
      std::string key = key_of(text_or_empty(row[at.ckh]), text_or_empty(row[at.ccph]));
      by_key.emplace(std::move(key), std::move(row));
    }
  } catch (const std::exception& e) {
    sqlca.sqlcode = -1;
    sqlca.sqlerrtext = e.what();
    labels.reset();
    return -1;
  }

  // One label per shown stock row, in the order shown.
  std::vector<std::vector<db::Value>> rows;
  rows.reserve(static_cast<size_t>(stock.rowcount()));
  for (long r = 1; r <= stock.rowcount(); ++r) {
    std::string part = stock.getitemstring(r, "dbj030_ccph").value_or("");
    std::string warehouse = stock.getitemstring(r, "dbj030_ckh").value_or("");
    auto it = by_key.find(key_of(warehouse, part));
    if (it != by_key.end()) {
      rows.push_back(it->second);
      continue;
    }
    std::vector<db::Value> row(static_cast<size_t>(ncols));
    row[at.cgsh] = db::Value(company);
    row[at.ccph] = db::Value(part);
    row[at.ckh] = db::Value(warehouse);
    if (auto v = stock.getitem(r, "dbj002_ccpmc")) row[at.ccpmc] = *v;
    if (auto v = stock.getitem(r, "dbj030_ckqh")) row[at.ckqh] = *v;
    if (auto v = stock.getitem(r, "dbj030_ckwh")) row[at.ckwh] = *v;
    rows.push_back(std::move(row));
  }
  db::MemoryCursor in_order(std::move(columns), std::move(rows));
  return labels.retrieve_from(in_order);
}

}  // namespace sparestock::stock_enquiry
