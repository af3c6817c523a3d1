#include "schema/table_files.h"

#include <fmt/format.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <sstream>
#include <unordered_map>
#include <unordered_set>

#include "host/base/csv.h"
#include "host/base/text.h"
#include "schema/batch_insert.h"
#include "schema/schema.h"

namespace sparestock::schema {

namespace fs = std::filesystem;

ImportError::ImportError(std::string file, long line, std::string column, std::string reason)
    : std::runtime_error(file + (line > 0 ? ", line " + std::to_string(line) : std::string()) +
                         (column.empty() ? std::string() : ", column " + column) + ": " + reason),
      file_(std::move(file)),
      line_(line),
      column_(std::move(column)),
      reason_(std::move(reason)) {}

namespace {

// Columns whose values must name a row of another table. The tables carry no foreign keys of
// their own (the application's older database had none), so the import checks them. A stock
// record whose part is missing from the parts master is kept: the stock grids join the parts
// master with outer joins and show such a record with empty part data.
struct Reference {
  const char* child;
  std::vector<const char*> columns;  // in the parent's key order
  const char* parent;
  const char* what;
  bool kept_when_missing = false;
};

const std::vector<Reference>& references() {
  static const std::vector<Reference> refs = {
      {"dbj005", {"cgsh", "ckh"}, "dbj003", "warehouse"},
      {"dbj005", {"ckqh"}, "dbj004", "zone"},
      {"dbj030", {"cgsh", "ckh"}, "dbj003", "warehouse"},
      {"dbj030", {"cgsh", "ccph"}, "dbj002", "part", true},
      {"dbj029", {"crcdh"}, "dbj028", "document"},
      {"dzz0032", {"cgsh", "dpzrq", "cpzz", "npzh"}, "dzz0031", "voucher"},
      {"dch003", {"cgsh", "dpzrq", "cpzz", "npzbh"}, "dch002", "voucher"},
  };
  return refs;
}

// Columns the database numbers itself; after rows are loaded with their own numbers, the
// PostgreSQL sequence is moved past the highest so that the next insert gets a new number.
const std::vector<std::pair<std::string, std::string>>& identities() {
  static const std::vector<std::pair<std::string, std::string>> ids = {{"dbj060", "nsxh"},
                                                                       {"error", "error_time"}};
  return ids;
}

// Rows of a table that an import or export covers: the company's rows, or every row. Document
// lines have no company of their own and follow their header.
std::string scope_condition(const db::Catalog& catalog, const std::string& table, const std::string& company) {
  if (company.empty()) return {};
  if (catalog.find(table, "cgsh")) return " WHERE cgsh = ?";
  if (table == "dbj029") return " WHERE crcdh IN (SELECT crcdh FROM dbj028 WHERE cgsh = ?)";
  return {};
}

// Tables without a company (zones, the stock restore's mailbox) are shared by the companies:
// an import of one company adds the rows that are missing and keeps those already there.
bool shared_under_company(const db::Catalog& catalog, const std::string& table, const std::string& company) {
  return !company.empty() && scope_condition(catalog, table, company).empty();
}

std::vector<db::Value> company_params(const std::string& condition, const std::string& company) {
  if (condition.empty()) return {};
  return {db::Value(company)};
}

// Shortest text that reads back as the same double.
std::string real_text(double v) {
  char buf[64];
  auto r = std::to_chars(buf, buf + sizeof buf, v);
  return std::string(buf, r.ptr);
}

// A key value as compared by the checks: the same text whether the value came from a file or
// from the database.
std::string key_text(const db::Value& v) {
  switch (v.kind()) {
    case db::ValueKind::Null: return "\x1e";
    case db::ValueKind::DateTime: return v.datetime().iso();
    case db::ValueKind::Real: return real_text(v.real());
    default: return v.as_text();
  }
}

// The key values of a row joined by `separator`: '\x1f' for the checks, '/' for messages.
std::string key_of(const std::vector<db::Value>& row, const std::vector<int>& cols, char separator = '\x1f') {
  std::string k;
  for (size_t i = 0; i < cols.size(); ++i) {
    if (i) k += separator;
    k += key_text(row[static_cast<size_t>(cols[i])]);
  }
  return k;
}

std::string shown_key(const std::vector<db::Value>& row, const std::vector<int>& cols) {
  return key_of(row, cols, '/');
}

// A field of a file as the column's value. Returns the reason when it cannot be one.
std::optional<std::string> convert_field(const db::ColumnInfo& c, const text::CsvField& f, bool key,
                                         db::Value& out) {
  if (c.type == db::ColumnType::Char) {
    // Older databases pad char(n) values with blanks; the module keeps them without.
    std::string_view v = text::trim_trailing(std::string_view(f.text));
    if (key && v.empty()) return std::string("a key column may not be empty");
    size_t n = text::char_count(v);
    if (c.length > 0 && n > static_cast<size_t>(c.length))
      return fmt::format("\"{}\" is {} characters long, the column holds at most {}", v, n, c.length);
    out = db::Value(v);
    return std::nullopt;
  }
  std::string_view v = text::trim(std::string_view(f.text));
  if (v.empty()) {
    if (key) return std::string("a key column may not be empty");
    out = db::Value();
    return std::nullopt;
  }
  switch (c.type) {
    case db::ColumnType::Decimal: {
      auto d = db::Decimal::parse(v);
      if (!d) return fmt::format("\"{}\" is not a decimal number", v);
      if (d->scale() > c.scale) {
        // More places than the column keeps are refused unless they are zeros: a value is
        // never rounded on its way in.
        db::Decimal r = d->rescale(c.scale);
        if (r != *d) return fmt::format("\"{}\" has more than {} decimal places", v, c.scale);
        d = r;
      } else {
        d = d->rescale(c.scale);
      }
      // NUMERIC(18, s) holds 18 - s digits before the point.
      int64_t limit = 1;
      for (int i = 0; i < 18; ++i) limit *= 10;
      if (d->units() >= limit || d->units() <= -limit)
        return fmt::format("\"{}\" is too large for the column", v);
      out = db::Value(*d);
      return std::nullopt;
    }
    case db::ColumnType::Integer: {
      auto d = db::Decimal::parse(v);
      if (!d || d->rescale(0) != *d) return fmt::format("\"{}\" is not a whole number", v);
      int64_t n = d->rescale(0).units();
      if (n > 2147483647 || n < -2147483648LL) return fmt::format("\"{}\" is out of range for the column", v);
      out = db::Value(n);
      return std::nullopt;
    }
    case db::ColumnType::Real: {
      double x = 0;
      auto r = std::from_chars(v.data(), v.data() + v.size(), x);
      if (r.ec != std::errc() || r.ptr != v.data() + v.size() || !std::isfinite(x))
        return fmt::format("\"{}\" is not a number", v);
      out = db::Value(x);
      return std::nullopt;
    }
    case db::ColumnType::DateTime: {
      auto d = db::DateTime::parse(v);
      if (!d) return fmt::format("\"{}\" is not a date (YYYY-MM-DD, optionally with HH:MM:SS)", v);
      out = db::Value(*d);
      return std::nullopt;
    }
    default: out = db::Value(std::string(v)); return std::nullopt;
  }
}

// The keys of a table, with where they come from: rows the database already holds, and rows of
// the file with their line.
struct KeySet {
  std::unordered_set<std::string> in_database;
  std::unordered_map<std::string, long> in_file;
  bool contains(const std::string& k) const { return in_database.count(k) || in_file.count(k); }
};

void load_keys(db::Connection& conn, const std::string& table, const std::vector<std::string>& cols,
               KeySet& set) {
  std::string sql = "SELECT ";
  for (size_t i = 0; i < cols.size(); ++i) sql += (i ? ", " : "") + cols[i];
  sql += " FROM " + table;
  auto cursor = conn.query(sql);
  std::vector<db::Value> row(cols.size());
  std::vector<int> all(cols.size());
  for (size_t i = 0; i < cols.size(); ++i) all[i] = static_cast<int>(i);
  while (cursor->next()) {
    for (size_t i = 0; i < cols.size(); ++i) row[i] = cursor->value(static_cast<int>(i));
    set.in_database.insert(key_of(row, all));
  }
}

std::string read_file(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw ImportError(path.filename().string(), 0, "", "cannot be read");
  std::ostringstream s;
  s << in.rdbuf();
  return std::move(s).str();
}

long line_at(std::string_view bytes, size_t offset) {
  return 1 + static_cast<long>(std::count(
                 bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(std::min(offset, bytes.size())),
                 '\n'));
}

// Rolls back unless committed.
class Transaction {
 public:
  explicit Transaction(db::Connection& conn) : conn_(conn) { conn_.begin(); }
  ~Transaction() {
    if (!done_) {
      try {
        conn_.rollback();
      } catch (...) {
      }
    }
  }
  void commit() {
    conn_.commit();
    done_ = true;
  }

 private:
  db::Connection& conn_;
  bool done_ = false;
};

class Importer {
 public:
  Importer(db::Connection& conn, const ImportOptions& options)
      : conn_(conn), options_(options), catalog_(conn.load_catalog()) {}

  TableFilesReport run(const std::string& folder) {
    find_files(folder);
    if (files_.empty())
      throw ImportError(folder, 0, "",
                        "holds no file named after a table of the module (<table>.csv or .txt)");
    for (const auto& [table, path] : files_) {
      std::error_code ec;
      total_bytes_ += fs::file_size(path, ec);
    }
    Transaction tx(conn_);
    make_room();
    for (const auto& table : table_names()) {
      auto it = files_.find(table);
      if (it != files_.end()) load(table, it->second);
    }
    // A dry run rolls back, and leaves the sequences alone (PostgreSQL does not roll them back).
    if (options_.dry_run) return report_;
    restart_identities();
    tx.commit();
    return report_;
  }

 private:
  void find_files(const std::string& folder) {
    std::error_code ec;
    if (!fs::is_directory(folder, ec)) throw ImportError(folder, 0, "", "is not a folder");
    std::set<std::string> known(table_names().begin(), table_names().end());
    std::vector<fs::path> entries;
    for (const auto& e : fs::directory_iterator(folder)) entries.push_back(e.path());
    std::sort(entries.begin(), entries.end());
    for (const auto& path : entries) {
      std::string ext = text::lower(path.extension().string());
      std::string stem = text::lower(path.stem().string());
      if (!fs::is_regular_file(path) || (ext != ".csv" && ext != ".txt")) continue;
      if (!known.count(stem) || !catalog_.has_table(stem)) {
        report_.ignored_files.push_back(path.filename().string());
        continue;
      }
      if (files_.count(stem))
        throw ImportError(path.filename().string(), 0, "",
                          "table " + stem + " has a second file, " + files_[stem].filename().string());
      files_[stem] = path;
    }
  }

  // An import does not add to rows it covers: they are refused, or removed first when asked.
  // Document lines are removed before their headers (their scope is read through them); the
  // first table found holding rows is the one named.
  void make_room() {
    std::vector<std::string> names = table_names();
    if (options_.replace) std::reverse(names.begin(), names.end());
    for (const auto& table : names) {
      if (!files_.count(table) || shared_under_company(catalog_, table, options_.company)) continue;
      std::string cond = scope_condition(catalog_, table, options_.company);
      auto params = company_params(cond, options_.company);
      if (options_.replace) {
        replaced_[table] = conn_.exec("DELETE FROM " + table + cond, params);
        continue;
      }
      auto c = conn_.query("SELECT COUNT(*) FROM " + table + cond, params);
      int64_t n = c->next() ? c->integer(0) : 0;
      if (n > 0)
        throw ImportError(
            files_[table].filename().string(), 0, "",
            fmt::format("table {} already holds {} rows{}; an import does not add to them (--replace removes "
                        "them first)",
                        table, n, options_.company.empty() ? "" : " of company " + options_.company));
    }
  }

  KeySet& keys_of(const std::string& table) {
    auto it = keys_.find(table);
    if (it != keys_.end()) return it->second;
    KeySet& set = keys_[table];
    auto key = primary_key(conn_, table);
    if (!key.empty()) load_keys(conn_, table, key, set);
    return set;
  }

  void load(const std::string& table, const fs::path& path) {
    std::string file = path.filename().string();
    std::string bytes = read_file(path);
    std::string content;
    try {
      content = text::to_utf8(bytes, options_.encoding);
    } catch (const text::EncodingError& e) {
      throw ImportError(file, line_at(bytes, e.offset()), "",
                        fmt::format("{} ({} expected)", e.what(), text::encoding_name(options_.encoding)));
    }
    text::CsvReader reader(content, options_.delimiter);
    std::vector<text::CsvField> fields;
    try {
      if (!reader.next(fields))
        throw ImportError(file, 1, "", "the file is empty (a header line of column names is expected)");
    } catch (const text::CsvError& e) {
      throw ImportError(file, e.line(), "", e.what());
    }

    // The header names the columns of the file; columns it leaves out take their defaults.
    std::vector<const db::ColumnInfo*> col;
    std::vector<std::string_view> names;
    for (const auto& f : fields) {
      std::string name = text::lower(text::trim(std::string_view(f.text)));
      const db::ColumnInfo* info = catalog_.find(table, name);
      if (!info) throw ImportError(file, reader.line(), name, "table " + table + " has no such column");
      if (std::find(col.begin(), col.end(), info) != col.end())
        throw ImportError(file, reader.line(), name, "the column is named twice");
      col.push_back(info);
      names.push_back(info->name);
    }
    std::vector<std::string> key = primary_key(conn_, table);
    std::string key_names;
    for (const auto& k : key) key_names += (key_names.empty() ? "" : "/") + k;
    std::vector<int> key_cols;
    std::vector<bool> is_key(col.size(), false);
    for (const auto& k : key) {
      auto it = std::find_if(col.begin(), col.end(), [&](const db::ColumnInfo* c) { return c->name == k; });
      if (it == col.end())
        throw ImportError(file, reader.line(), k, "the key column is missing from the header");
      key_cols.push_back(static_cast<int>(it - col.begin()));
      is_key[static_cast<size_t>(it - col.begin())] = true;
    }
    int company_col = -1;
    if (!options_.company.empty())
      for (size_t i = 0; i < col.size(); ++i)
        if (col[i]->name == "cgsh") company_col = static_cast<int>(i);
    bool shared = shared_under_company(catalog_, table, options_.company);

    struct Check {
      const Reference* ref;
      std::vector<int> cols;
      KeySet* parent;
    };
    std::vector<Check> checks;
    for (const auto& ref : references()) {
      if (table != ref.child) continue;
      Check check{&ref, {}, &keys_of(ref.parent)};
      for (const char* c : ref.columns) {
        auto it = std::find_if(col.begin(), col.end(), [&](const db::ColumnInfo* x) { return x->name == c; });
        if (it == col.end())
          throw ImportError(file, reader.line(), c,
                            fmt::format("the column is missing from the header (it names the {})", ref.what));
        check.cols.push_back(static_cast<int>(it - col.begin()));
      }
      checks.push_back(std::move(check));
    }
    KeySet* own = key.empty() ? nullptr : &keys_of(table);

    TableCount count{table, file};
    count.replaced = replaced_.count(table) ? replaced_[table] : 0;
    BatchInsert insert(conn_, table, names);
    std::vector<db::Value> row(col.size());
    while (true) {
      try {
        if (!reader.next(fields)) break;
      } catch (const text::CsvError& e) {
        throw ImportError(file, e.line(), "", e.what());
      }
      long line = reader.line();
      if (fields.size() != col.size())
        throw ImportError(file, line, "",
                          fmt::format("{} fields, the header names {} columns", fields.size(), col.size()));
      if (company_col >= 0 && text::trim_trailing(std::string_view(
                                  fields[static_cast<size_t>(company_col)].text)) != options_.company) {
        ++count.skipped;
        continue;
      }
      for (size_t i = 0; i < col.size(); ++i)
        if (auto reason = convert_field(*col[i], fields[i], is_key[i], row[i]))
          throw ImportError(file, line, col[i]->name, *reason);
      // Document lines of another company's documents stay behind with their headers.
      if (table == "dbj029" && !options_.company.empty() &&
          other_documents_.count(key_text(row[static_cast<size_t>(checks[0].cols[0])]))) {
        ++count.skipped;
        continue;
      }
      if (own) {
        std::string k = key_of(row, key_cols);
        if (auto f = own->in_file.find(k); f != own->in_file.end())
          throw ImportError(
              file, line, key_names,
              fmt::format("duplicate key {}: line {} has it too", shown_key(row, key_cols), f->second));
        if (own->in_database.count(k)) {
          if (shared) {
            ++count.skipped;
            continue;
          }
          throw ImportError(
              file, line, key_names,
              fmt::format("duplicate key {}: the database holds it already", shown_key(row, key_cols)));
        }
        own->in_file.emplace(std::move(k), line);
      }
      for (const auto& check : checks) {
        if (check.parent->contains(key_of(row, check.cols))) continue;
        if (check.ref->kept_when_missing) {
          ++report_.missing_parts;
          continue;
        }
        throw ImportError(file, line, col[static_cast<size_t>(check.cols.back())]->name,
                          fmt::format("{} {} is not in {}", check.ref->what, shown_key(row, check.cols),
                                      check.ref->parent));
      }
      insert.add(row);
      ++count.rows;
      if (options_.progress && count.rows % 4096 == 0)
        options_.progress({table,
                           bytes_done_ + reader.offset() * bytes.size() / std::max<size_t>(1, content.size()),
                           total_bytes_, rows_done_ + count.rows});
    }
    insert.finish();
    if (table == "dbj028" && !options_.company.empty()) remember_other_documents(content, col);
    bytes_done_ += bytes.size();
    rows_done_ += count.rows;
    if (options_.progress) options_.progress({table, bytes_done_, total_bytes_, rows_done_});
    report_.tables.push_back(std::move(count));
  }

  // The document numbers of other companies in the header file, whose lines are skipped.
  void remember_other_documents(const std::string& content, const std::vector<const db::ColumnInfo*>& col) {
    int number = -1, company = -1;
    for (size_t i = 0; i < col.size(); ++i) {
      if (col[i]->name == "crcdh") number = static_cast<int>(i);
      if (col[i]->name == "cgsh") company = static_cast<int>(i);
    }
    if (number < 0 || company < 0) return;
    text::CsvReader reader(content, options_.delimiter);
    std::vector<text::CsvField> fields;
    reader.next(fields);
    while (reader.next(fields)) {
      if (text::trim_trailing(std::string_view(fields[static_cast<size_t>(company)].text)) != options_.company)
        other_documents_.insert(
            std::string(text::trim_trailing(std::string_view(fields[static_cast<size_t>(number)].text))));
    }
  }

  void restart_identities() {
    if (conn_.backend() != db::Backend::Postgres) return;  // AUTOINCREMENT follows the highest number
    for (const auto& [table, column] : identities()) {
      if (!files_.count(table)) continue;
      conn_.query(
          fmt::format("SELECT setval(pg_get_serial_sequence('{0}', '{1}'), "
                      "COALESCE((SELECT MAX({1}) FROM {0}), 0) + 1, false)",
                      table, column));
    }
  }

  db::Connection& conn_;
  const ImportOptions& options_;
  db::Catalog catalog_;
  std::map<std::string, fs::path> files_;
  std::map<std::string, KeySet> keys_;
  std::map<std::string, int64_t> replaced_;
  std::unordered_set<std::string> other_documents_;
  uint64_t total_bytes_ = 0, bytes_done_ = 0;
  int64_t rows_done_ = 0;
  TableFilesReport report_;
};

// One value of a result row as the import reads it back.
void append_value(std::string& out, db::Cursor& c, int i, const db::ColumnInfo& info, char delimiter) {
  if (c.is_null(i)) return;
  switch (info.type) {
    case db::ColumnType::Char: text::append_csv_field(out, c.text(i), delimiter, true); return;
    case db::ColumnType::Decimal: out += c.decimal(i, info.scale)->to_string(); return;
    case db::ColumnType::Integer: out += std::to_string(c.integer(i)); return;
    case db::ColumnType::Real: out += real_text(c.real(i)); return;
    case db::ColumnType::DateTime: {
      db::Value v = c.value(i);
      if (v.kind() == db::ValueKind::DateTime) {
        out += v.datetime().iso();
        return;
      }
      auto d = db::DateTime::parse(v.as_text());
      out += d ? d->iso() : v.as_text();
      return;
    }
    default: text::append_csv_field(out, c.value(i).as_text(), delimiter); return;
  }
}

}  // namespace

std::vector<std::string> primary_key(db::Connection& conn, const std::string& table) {
  std::vector<std::string> key;
  if (conn.backend() == db::Backend::Sqlite) {
    std::vector<std::pair<int64_t, std::string>> cols;
    auto c = conn.query("SELECT pk, name FROM pragma_table_info(?) WHERE pk > 0", {db::Value(table)});
    while (c->next()) cols.emplace_back(c->integer(0), text::lower(c->text(1)));
    std::sort(cols.begin(), cols.end());
    for (auto& [pos, name] : cols) key.push_back(std::move(name));
    return key;
  }
  auto c = conn.query(
      "SELECT a.attname FROM pg_index i "
      "JOIN pg_attribute a ON a.attrelid = i.indrelid AND a.attnum = ANY(i.indkey) "
      "WHERE i.indrelid = to_regclass(?) AND i.indisprimary "
      "ORDER BY array_position(i.indkey::int2[], a.attnum)",
      {db::Value(text::lower(table))});
  while (c->next()) key.push_back(text::lower(c->text(0)));
  return key;
}

TableFilesReport import_tables(db::Connection& conn, const std::string& folder, const ImportOptions& options) {
  Importer importer(conn, options);
  return importer.run(folder);
}

TableFilesReport export_tables(db::Connection& conn, const std::string& folder,
                               const TableFileOptions& options) {
  db::Catalog catalog = conn.load_catalog();
  fs::create_directories(folder);
  TableFilesReport report;
  for (const auto& table : table_names()) {
    const auto* columns = catalog.columns(table);
    if (!columns) continue;
    std::vector<std::string> key = primary_key(conn, table);
    std::string sql = "SELECT ";
    std::string header;
    for (size_t i = 0; i < columns->size(); ++i) {
      sql += (i ? ", " : "") + (*columns)[i].name;
      if (i) header += options.delimiter;
      header += (*columns)[i].name;
    }
    std::string cond = scope_condition(catalog, table, options.company);
    sql += " FROM " + table + cond + " ORDER BY ";
    // Rows in key order (every column for a table without a key), texts by their bytes on both
    // backends, so that equal tables give equal files.
    std::vector<std::string> order = key;
    if (order.empty())
      for (const auto& c : *columns) order.push_back(c.name);
    for (size_t i = 0; i < order.size(); ++i) {
      const db::ColumnInfo* info = catalog.find(table, order[i]);
      bool text_col = info && info->type == db::ColumnType::Char;
      sql += (i ? ", " : "") + order[i] +
             (text_col && conn.backend() == db::Backend::Postgres ? " COLLATE \"C\"" : "");
    }
    std::string out = header + "\r\n";
    auto cursor = conn.query(sql, company_params(cond, options.company));
    TableCount count{table, (fs::path(folder) / (table + ".csv")).string()};
    while (cursor->next()) {
      for (size_t i = 0; i < columns->size(); ++i) {
        if (i) out += options.delimiter;
        append_value(out, *cursor, static_cast<int>(i), (*columns)[i], options.delimiter);
      }
      out += "\r\n";
      ++count.rows;
    }
    std::string bytes;
    try {
      bytes = text::from_utf8(out, options.encoding);
    } catch (const text::EncodingError& e) {
      throw std::runtime_error(fmt::format("{}, line {}: {} (export as utf-8, or change the value)",
                                           table + ".csv", line_at(out, e.offset()), e.what()));
    }
    std::string temp = count.file + ".part";
    {
      std::ofstream f(temp, std::ios::binary | std::ios::trunc);
      f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
      if (!f.flush()) throw std::runtime_error("cannot write " + temp);
    }
    fs::rename(temp, count.file);
    report.tables.push_back(std::move(count));
  }
  return report;
}

}  // namespace sparestock::schema
