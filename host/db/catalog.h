#pragma once
// Column types of the database's tables and views, read from the database itself when a
// transaction connects, so that the schema scripts stay the one place where types are written.
// The T-SQL translation asks it whether `a + b` joins strings or adds numbers; readers of result
// columns ask it for a decimal column's scale.

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace sparestock::db {

enum class ColumnType { Char, Decimal, Integer, Real, DateTime, Unknown };

struct ColumnInfo {
  std::string name;  // lower case
  ColumnType type = ColumnType::Unknown;
  int length = 0;  // characters, for Char
  int scale = 0;   // places, for Decimal
};

// Maps a declared SQL type ("VARCHAR(20)", "NUMERIC(18,2)", "timestamp without time zone",
// "double precision", "integer") to a column description. Unknown spellings give Unknown.
ColumnInfo column_info_from_decl(std::string name, std::string_view declared_type, int length = 0,
                                 int scale = -1);

class Catalog {
 public:
  void add(std::string_view table, ColumnInfo column);
  // Names are matched without regard to case. nullptr when the table or column is unknown.
  const ColumnInfo* find(std::string_view table, std::string_view column) const;
  bool has_table(std::string_view table) const;
  const std::vector<ColumnInfo>* columns(std::string_view table) const;
  std::vector<std::string> tables() const;
  bool empty() const { return tables_.empty(); }

 private:
  std::map<std::string, std::vector<ColumnInfo>> tables_;  // key: lower-case table name
};

}  // namespace sparestock::db
