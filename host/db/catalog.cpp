#include "host/db/catalog.h"

#include <algorithm>
#include <cstdlib>

#include "host/base/text.h"

namespace sparestock::db {

namespace {

// Reads "(a)" or "(a,b)" after the type name.
void read_modifiers(std::string_view decl, int& first, int& second) {
  auto open = decl.find('(');
  if (open == std::string_view::npos) return;
  std::string inner(decl.substr(open + 1));
  first = std::atoi(inner.c_str());
  auto comma = inner.find(',');
  if (comma != std::string::npos) second = std::atoi(inner.c_str() + comma + 1);
}

bool starts_with(std::string_view s, std::string_view p) { return s.substr(0, p.size()) == p; }

}  // namespace

ColumnInfo column_info_from_decl(std::string name, std::string_view declared_type, int length, int scale) {
  ColumnInfo info;
  info.name = text::lower(name);
  std::string decl = text::lower(declared_type);
  int a = 0, b = 0;
  read_modifiers(decl, a, b);
  if (starts_with(decl, "varchar") || starts_with(decl, "char") || starts_with(decl, "character") ||
      starts_with(decl, "text") || starts_with(decl, "bpchar")) {
    info.type = ColumnType::Char;
    info.length = length > 0 ? length : a;
  } else if (starts_with(decl, "numeric") || starts_with(decl, "decimal")) {
    info.type = ColumnType::Decimal;
    info.scale = scale >= 0 ? scale : b;
  } else if (starts_with(decl, "int") || starts_with(decl, "bigint") || starts_with(decl, "smallint")) {
    info.type = ColumnType::Integer;
  } else if (starts_with(decl, "double") || starts_with(decl, "real") || starts_with(decl, "float")) {
    info.type = ColumnType::Real;
  } else if (starts_with(decl, "timestamp") || starts_with(decl, "datetime") || starts_with(decl, "date")) {
    info.type = ColumnType::DateTime;
  }
  return info;
}

void Catalog::add(std::string_view table, ColumnInfo column) {
  column.name = text::lower(column.name);
  tables_[text::lower(table)].push_back(std::move(column));
}

const ColumnInfo* Catalog::find(std::string_view table, std::string_view column) const {
  auto t = tables_.find(text::lower(table));
  if (t == tables_.end()) return nullptr;
  std::string c = text::lower(column);
  for (const auto& info : t->second)
    if (info.name == c) return &info;
  return nullptr;
}

bool Catalog::has_table(std::string_view table) const { return tables_.count(text::lower(table)) > 0; }

const std::vector<ColumnInfo>* Catalog::columns(std::string_view table) const {
  auto t = tables_.find(text::lower(table));
  return t == tables_.end() ? nullptr : &t->second;
}

std::vector<std::string> Catalog::tables() const {
  std::vector<std::string> out;
  for (const auto& [name, cols] : tables_) out.push_back(name);
  return out;
}

}  // namespace sparestock::db
