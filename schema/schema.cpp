#include "schema/schema.h"

#include <fmt/format.h>

#include <string_view>

#include "schema/unit_of_work.h"

namespace sparestock::embedded {
std::string_view text(std::string_view name);
}

namespace sparestock::schema {

namespace {

// The PostgreSQL script carries its own BEGIN/COMMIT so that it can be run by hand with psql;
// here the caller's unit of work decides, so those lines are left out.
std::string script_body(std::string_view script) {
  std::string out;
  out.reserve(script.size());
  size_t pos = 0;
  while (pos < script.size()) {
    size_t end = script.find('\n', pos);
    if (end == std::string_view::npos) end = script.size();
    std::string_view line = script.substr(pos, end - pos);
    if (line != "BEGIN;" && line != "COMMIT;") {
      out.append(line);
      out.push_back('\n');
    }
    pos = end + 1;
  }
  return out;
}

std::string_view script_for(db::Backend backend) {
  std::string_view name = backend == db::Backend::Sqlite ? "sqlite.sql" : "postgres.sql";
  std::string_view text = embedded::text(name);
  if (text.empty()) throw db::DbError("schema script " + std::string(name) + " is not built in");
  return text;
}

// The rules of char(n) columns for writes that do not come through the data layer (which trims
// and checks values itself): a value may not end in a blank, nor be longer than n characters.
// SQLite does not enforce a declared length, so each table gets a trigger for inserts and one
// for updates of its char columns, whose message names the column. PostgreSQL refuses an
// over-long value by the column's type; a check constraint named after the column refuses a
// trailing blank.
std::string char_rules(db::Backend backend, const db::Catalog& catalog) {
  std::string out;
  for (const auto& table : table_names()) {
    const auto* columns = catalog.columns(table);
    if (!columns) continue;
    std::vector<const db::ColumnInfo*> chars;
    for (const auto& c : *columns)
      if (c.type == db::ColumnType::Char) chars.push_back(&c);
    if (chars.empty()) continue;
    if (backend == db::Backend::Postgres) {
      for (const auto* c : chars)
        out += fmt::format(
            "ALTER TABLE {0} ADD CONSTRAINT {0}_{1}_trailing_blank CHECK (right({1}, 1) <> ' ');\n", table,
            c->name);
      continue;
    }
    std::string cases, names;
    for (const auto* c : chars) {
      if (c->length > 0)
        cases += fmt::format(
            "    WHEN length(NEW.{1}) > {2} THEN RAISE(ABORT, 'value too long for {0}.{1}: at most {2} characters')\n",
            table, c->name, c->length);
      cases += fmt::format(
          "    WHEN substr(NEW.{1}, -1) = ' ' THEN RAISE(ABORT, 'trailing blank in {0}.{1}')\n", table,
          c->name);
      names += (names.empty() ? "" : ", ") + c->name;
    }
    std::string body = " BEGIN\n  SELECT CASE\n" + cases + "  END;\nEND;\n";
    out += fmt::format("CREATE TRIGGER {0}_char_insert BEFORE INSERT ON {0} FOR EACH ROW", table) + body;
    out += fmt::format("CREATE TRIGGER {0}_char_update BEFORE UPDATE OF {1} ON {0} FOR EACH ROW", table,
                       names) +
           body;
  }
  return out;
}

}  // namespace

const std::vector<std::string>& table_names() {
  static const std::vector<std::string> names = {"dbj001", "dbj002",  "dbj003",  "dbj004", "dbj005", "dxl002",
                                                 "dbj030", "dbj028",  "dbj029",  "dbj032", "dbj060", "dbj013",
                                                 "dxt002", "dxt004",  "error",   "dzz001", "dzz006", "dzz007",
                                                 "dzz008", "dzz0031", "dzz0032", "dch002", "dch003"};
  return names;
}

const std::vector<std::string>& view_names() {
  static const std::vector<std::string> names = {"v_kcmx", "v_bj060", "v_bj902_001"};
  return names;
}

void create_schema(db::Connection& conn) {
  std::string body = script_body(script_for(conn.backend()));
  UnitOfWork work(conn);
  conn.exec_script(body);
  conn.exec_script(char_rules(conn.backend(), conn.load_catalog()));
  work.commit();
}

bool holds_data(db::Connection& conn) {
  db::Catalog catalog = conn.load_catalog();
  for (const auto& name : table_names())
    if (catalog.has_table(name)) return true;
  for (const auto& name : view_names())
    if (catalog.has_table(name)) return true;
  return false;
}

void drop_schema(db::Connection& conn) {
  UnitOfWork work(conn);
  for (const auto& name : view_names()) conn.exec_script("DROP VIEW IF EXISTS " + name);
  for (auto it = table_names().rbegin(); it != table_names().rend(); ++it)
    conn.exec_script("DROP TABLE IF EXISTS " + *it);
  work.commit();
}

}  // namespace sparestock::schema
