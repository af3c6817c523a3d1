#pragma once
// The module's tables as delimited text files, one file per table: written by
// `sparestock export-tables`, read by `sparestock import`. The format is that of the exports of
// older systems a dealer brings along: a file `<table>.csv` (or `.txt`), a header line of column
// names, one row a line, comma-separated (or tab, '|'), double quotes around a field that needs
// them, in UTF-8 or GBK. Decimals and dates are read and written as text, exactly.

#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "host/base/encoding.h"
#include "host/db/connection.h"

namespace sparestock::schema {

struct TableFileOptions {
  text::Encoding encoding = text::Encoding::Utf8;
  char delimiter = ',';
  std::string company;  // only this company's rows; empty: every row
};

// A file or a row that cannot be imported, or an import that would overwrite rows. Nothing has
// been written when it is thrown. `line` is 0 when the fault is not in one line (a file that is
// missing a key column, a table that already holds the company's rows).
class ImportError : public std::runtime_error {
 public:
  ImportError(std::string file, long line, std::string column, std::string reason);
  const std::string& file() const { return file_; }
  long line() const { return line_; }
  const std::string& column() const { return column_; }
  const std::string& reason() const { return reason_; }

 private:
  std::string file_;
  long line_;
  std::string column_;
  std::string reason_;
};

struct TableCount {
  std::string table;
  std::string file;      // the file name (import) or the path written (export)
  int64_t rows = 0;      // rows loaded or written
  int64_t skipped = 0;   // rows of other companies, or shared rows already there (import)
  int64_t replaced = 0;  // rows the import removed first (--replace)
};

struct TableFilesReport {
  std::vector<TableCount> tables;
  int64_t missing_parts = 0;               // stock records whose part the parts master lacks (import)
  std::vector<std::string> ignored_files;  // files in the folder that name no table of the module
};

// Writes every table of the module that the database holds into `folder` (created when
// missing), rows ordered by key. Each file is written beside its final name and renamed when
// complete. Throws std::runtime_error (a text GBK cannot hold names table, key and column),
// db::DbError.
TableFilesReport export_tables(db::Connection& conn, const std::string& folder,
                               const TableFileOptions& options);

struct ImportProgress {
  std::string table;
  uint64_t bytes_read = 0;  // of all the files
  uint64_t bytes_total = 0;
  int64_t rows = 0;  // rows loaded so far
};

struct ImportOptions : TableFileOptions {
  bool dry_run = false;  // check and load everything, then roll back
  bool replace = false;  // remove the rows the import covers first, in the same transaction
  // Called now and then while rows are read (for a progress line).
  std::function<void(const ImportProgress&)> progress;
};

// Loads the files of `folder` into the module's tables in one transaction: either every row of
// every file is written, or (ImportError, db::DbError) nothing is.
TableFilesReport import_tables(db::Connection& conn, const std::string& folder, const ImportOptions& options);

// The primary key columns of a table, in key order (lower case); empty for a table without one.
std::vector<std::string> primary_key(db::Connection& conn, const std::string& table);

}  // namespace sparestock::schema
