#pragma once
// Delimited text files: one record a line, fields separated by a delimiter (comma, tab, '|'),
// a field that holds the delimiter, a double quote or a line end enclosed in double quotes with
// its quotes doubled. Records end with "\n" or "\r\n".

#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace sparestock::text {

struct CsvField {
  std::string text;
  bool quoted = false;  // written between quotes: "" is an empty text, an unquoted empty field is nothing
};

// A record that cannot be read: an unterminated quote, or text after a closing quote.
class CsvError : public std::runtime_error {
 public:
  CsvError(std::string message, long line) : std::runtime_error(std::move(message)), line_(line) {}
  long line() const { return line_; }

 private:
  long line_;
};

class CsvReader {
 public:
  CsvReader(std::string_view text, char delimiter) : text_(text), delimiter_(delimiter) {}
  // Reads the next record into `fields`; false at the end of the text. Empty lines are skipped.
  // Throws CsvError.
  bool next(std::vector<CsvField>& fields);
  // The line (from 1) on which the record last read starts.
  long line() const { return record_line_; }
  // Bytes of the text read so far.
  size_t offset() const { return pos_; }

 private:
  std::string_view text_;
  char delimiter_;
  size_t pos_ = 0;
  long line_ = 1;
  long record_line_ = 0;
};

// The field as written in a record: quoted when it holds the delimiter, a quote, a line end, or
// leading or trailing blanks (which some readers drop), or when `quote_empty` asks for "" to
// mark an empty text apart from nothing.
void append_csv_field(std::string& out, std::string_view value, char delimiter, bool quote_empty = false);

}  // namespace sparestock::text
