#include "host/base/csv.h"

namespace sparestock::text {

bool CsvReader::next(std::vector<CsvField>& fields) {
  fields.clear();
  // Empty lines hold no record.
  while (pos_ < text_.size() && (text_[pos_] == '\n' || (text_[pos_] == '\r' && pos_ + 1 < text_.size() &&
                                                         text_[pos_ + 1] == '\n'))) {
    pos_ += text_[pos_] == '\r' ? 2 : 1;
    ++line_;
  }
  if (pos_ >= text_.size()) return false;
  record_line_ = line_;
  CsvField field;
  while (true) {
    if (pos_ < text_.size() && text_[pos_] == '"') {
      field.quoted = true;
      ++pos_;
      while (true) {
        size_t q = text_.find('"', pos_);
        if (q == std::string_view::npos) throw CsvError("a quoted field is not closed", record_line_);
        for (size_t k = pos_; k < q; ++k)
          if (text_[k] == '\n') ++line_;
        field.text.append(text_.substr(pos_, q - pos_));
        pos_ = q + 1;
        if (pos_ < text_.size() && text_[pos_] == '"') {
          field.text.push_back('"');
          ++pos_;
          continue;
        }
        break;
      }
      if (pos_ < text_.size() && text_[pos_] != delimiter_ && text_[pos_] != '\n' &&
          !(text_[pos_] == '\r' && pos_ + 1 < text_.size() && text_[pos_ + 1] == '\n') &&
          !(text_[pos_] == '\r' && pos_ + 1 == text_.size()))
        throw CsvError("text after the closing quote of field " + std::to_string(fields.size() + 1), line_);
    } else {
      size_t end = pos_;
      while (end < text_.size() && text_[end] != delimiter_ && text_[end] != '\n') ++end;
      size_t stop = end;
      if (stop > pos_ && text_[stop - 1] == '\r' && (stop == text_.size() || text_[stop] == '\n')) --stop;
      field.text.assign(text_.substr(pos_, stop - pos_));
      pos_ = end;
    }
    fields.push_back(std::move(field));
    field = CsvField{};
    if (pos_ >= text_.size()) return true;
    if (text_[pos_] == delimiter_) {
      ++pos_;
      if (pos_ >= text_.size()) {
        fields.emplace_back();
        return true;
      }
      continue;
    }
    if (text_[pos_] == '\r') ++pos_;
    if (pos_ < text_.size() && text_[pos_] == '\n') {
      ++pos_;
      ++line_;
    }
    return true;
  }
}

void append_csv_field(std::string& out, std::string_view value, char delimiter, bool quote_empty) {
  bool quote = (quote_empty && value.empty()) ||
               value.find_first_of(std::string{delimiter, '"', '\n', '\r'}) != std::string_view::npos ||
               (!value.empty() && (value.front() == ' ' || value.back() == ' '));
  if (!quote) {
    out.append(value);
    return;
  }
  out.push_back('"');
  for (char c : value) {
    if (c == '"') out.push_back('"');
    out.push_back(c);
  }
  out.push_back('"');
}

}  // namespace sparestock::text
