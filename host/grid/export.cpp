#include "host/grid/export.h"

#include <unistd.h>
#include <xlsxwriter.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <stdexcept>
#include <vector>

#include "host/base/csv.h"
#include "host/base/text.h"
#include "host/grid/display_format.h"
#include "host/grid/grid.h"
#include "host/grid/print.h"

namespace sparestock::grid {

namespace {

// One column of the file: a visible column or a computed field of the detail band.
struct Item {
  grid::ColumnRef ref;  // by number for a column: no lookup by name for every cell
  std::string name;
  std::string heading;
  const ColumnDef* column = nullptr;  // nullptr for a computed field
  std::string format;
  GridType type = GridType::Char;
};

std::vector<Item> shown_items(const GridDefinition& def) {
  std::vector<Item> items;
  for (size_t i = 0; i < def.columns.size(); ++i) {
    const ColumnDef& c = def.columns[i];
    if (c.visible)
      items.push_back({ColumnRef(static_cast<int>(i + 1)), c.name, c.heading.empty() ? c.name : c.heading, &c,
                       c.format, c.type});
  }
  for (const auto& c : def.computed)
    items.push_back(
        {ColumnRef(c.name), c.name, c.heading.empty() ? c.name : c.heading, nullptr, c.format, c.type});
  return items;
}

// A line after the rows: a band item's label in the first column and its value under the
// column it adds up, else beside the label.
struct BandLine {
  const BandItemDef* item;
  size_t value_column;
};

// The item an aggregate adds up when it is one shown item alone ("sum(dbj030_nkcsl for all)",
// "sum( nkykc )"); empty otherwise.
std::string summed_item(std::string_view expression) {
  std::string e;
  for (char c : expression)
    if (c != ' ') e += text::lower(c);
  size_t open = e.find('(');
  if (open == std::string::npos || e.back() != ')') return {};
  std::string fn = e.substr(0, open);
  if (fn != "sum" && fn != "avg" && fn != "max" && fn != "min" && fn != "count") return {};
  std::string inner = e.substr(open + 1, e.size() - open - 2);
  for (const char* tail : {"forall", "forgroup1", "forgroup2", "forgroup3"})
    if (inner.ends_with(tail)) inner.resize(inner.size() - std::string_view(tail).size());
  for (char c : inner)
    if (!std::isalnum(static_cast<unsigned char>(c)) && c != '_') return {};
  return inner;
}

std::vector<BandLine> band_lines(const GridDefinition& def, const std::vector<Item>& items, Band band,
                                 int level) {
  std::vector<BandLine> lines;
  for (const auto& b : def.band_items) {
    if (b.band != band || (band == Band::Group && b.group != level)) continue;
    if (b.expression.empty() && b.label.empty()) continue;
    size_t at = items.size() > 1 ? 1 : 0;
    std::string summed = summed_item(b.expression);
    for (size_t k = 0; k < items.size() && !summed.empty(); ++k)
      if (text::iequals(items[k].name, summed)) at = k;
    lines.push_back({&b, at});
  }
  return lines;
}

// A writer of rows of cells, for either format.
class Sink {
 public:
  virtual ~Sink() = default;
  virtual void heading(size_t col, const std::string& text) = 0;
  virtual void item(size_t col, const Item& item, const db::Value& v) = 0;
  // A band value: `format` is the band item's display format.
  virtual void value(size_t col, const db::Value& v, const std::string& format) = 0;
  virtual void label(size_t col, const std::string& text) = 0;
  virtual void end_row() = 0;
};

class CsvSink : public Sink {
 public:
  CsvSink(char delimiter) : delimiter_(delimiter) {}
  void heading(size_t col, const std::string& text) override { put(col, text); }
  void item(size_t col, const Item& item, const db::Value& v) override {
    put(col, item.column ? column_display(*item.column, v) : format_display(v, item.format));
  }
  void value(size_t col, const db::Value& v, const std::string& format) override {
    put(col, format_display(v, format));
  }
  void label(size_t col, const std::string& text) override { put(col, text); }
  void end_row() override {
    for (size_t k = 0; k < cells_.size(); ++k) {
      if (k) out_ += delimiter_;
      text::append_csv_field(out_, cells_[k], delimiter_);
    }
    out_ += "\r\n";
    cells_.clear();
  }
  std::string& text() { return out_; }

 private:
  void put(size_t col, const std::string& text) {
    if (cells_.size() <= col) cells_.resize(col + 1);
    cells_[col] = text;
  }
  char delimiter_;
  std::vector<std::string> cells_;
  std::string out_;
};

std::string date_format(std::string_view display) {
  std::string f(display);
  if (f.empty() || text::iequals(f, "[general]")) return {};
  std::string out;
  for (size_t i = 0; i < f.size();) {
    if (f.compare(i, 11, "[shortdate]") == 0) {
      out += "yyyy/mm/dd";
      i += 11;
    } else if (f.compare(i, 6, "[time]") == 0) {
      out += "hh:mm:ss";
      i += 6;
    } else {
      out += f[i++];
    }
  }
  return out;
}

class XlsxSink : public Sink {
 public:
  XlsxSink(const std::string& path, const std::string& sheet) {
    lxw_workbook_options options{};
    options.constant_memory = LXW_TRUE;
    std::string tmp = std::filesystem::temp_directory_path().string();
    options.tmpdir = tmp.data();
    book_ = workbook_new_opt(path.c_str(), &options);
    if (!book_) throw std::runtime_error("cannot create the workbook " + path);
    sheet_ = workbook_add_worksheet(book_, sheet.empty() ? nullptr : sheet.c_str());
    bold_ = workbook_add_format(book_);
    format_set_bold(bold_);
  }
  ~XlsxSink() override {
    if (book_) workbook_close(book_);  // only after a failure: close() has run otherwise
  }
  void heading(size_t col, const std::string& text) override {
    worksheet_write_string(sheet_, row_, c(col), text.c_str(), bold_);
    worksheet_set_column(sheet_, c(col), c(col),
                         std::max(10.0, static_cast<double>(text::char_count(text)) * 2.2), nullptr);
  }
  void item(size_t col, const Item& item, const db::Value& v) override {
    if (item.column && !item.column->code_table.empty()) {
      label(col, column_display(*item.column, v));
      return;
    }
    value(col, v, item.format);
  }
  void value(size_t col, const db::Value& v, const std::string& format) override {
    switch (v.kind()) {
      case db::ValueKind::Null: return;
      case db::ValueKind::Decimal: number(col, v.decimal().to_double(), format); return;
      case db::ValueKind::Integer: number(col, static_cast<double>(v.integer()), format); return;
      case db::ValueKind::Real: number(col, v.real(), format); return;
      case db::ValueKind::DateTime: {
        std::string f = date_format(format);
        if (f.empty()) f = v.datetime().date() == v.datetime() ? "yyyy/mm/dd" : "yyyy/mm/dd hh:mm:ss";
        worksheet_write_unixtime(sheet_, row_, c(col), v.datetime().seconds, fmt(f));
        return;
      }
      case db::ValueKind::Text: label(col, v.text()); return;
    }
  }
  void label(size_t col, const std::string& text) override {
    if (!text.empty()) worksheet_write_string(sheet_, row_, c(col), text.c_str(), nullptr);
  }
  void end_row() override { ++row_; }
  void freeze_heading() { worksheet_freeze_panes(sheet_, 1, 0); }
  void close(const std::string& path) {
    lxw_error e = workbook_close(book_);
    book_ = nullptr;
    if (e != LXW_NO_ERROR) throw std::runtime_error("cannot write " + path + ": " + lxw_strerror(e));
  }

 private:
  static lxw_col_t c(size_t col) { return static_cast<lxw_col_t>(col); }
  void number(size_t col, double x, const std::string& display) {
    // The spreadsheet format of each display format is worked out once, not for every cell.
    auto it = number_formats_.find(display);
    if (it == number_formats_.end()) {
      std::string f = spreadsheet_number_format(display);
      it = number_formats_.emplace(display, f.empty() ? nullptr : fmt(f)).first;
    }
    worksheet_write_number(sheet_, row_, c(col), x, it->second);
  }
  lxw_format* fmt(const std::string& num_format) {
    auto it = formats_.find(num_format);
    if (it != formats_.end()) return it->second;
    lxw_format* f = workbook_add_format(book_);
    format_set_num_format(f, num_format.c_str());
    formats_[num_format] = f;
    return f;
  }
  lxw_workbook* book_ = nullptr;
  lxw_worksheet* sheet_ = nullptr;
  lxw_format* bold_ = nullptr;
  std::map<std::string, lxw_format*> formats_;         // by spreadsheet number format
  std::map<std::string, lxw_format*> number_formats_;  // by display format
  lxw_row_t row_ = 0;
};

// The rows, then the group trailers after each group's last row, then the summary band.
long write_rows(const Grid& g, const std::vector<Item>& items, Sink& sink) {
  const GridDefinition& def = g.definition();
  for (size_t k = 0; k < items.size(); ++k) sink.heading(k, items[k].heading);
  sink.end_row();
  // Group trailers: for each level, the row that ends each group.
  std::vector<std::vector<BandLine>> trailers(def.groups.size() + 1);
  std::map<long, std::vector<int>> ends;  // row -> levels whose group ends there, innermost first
  for (int level = static_cast<int>(def.groups.size()); level >= 1; --level) {
    trailers[static_cast<size_t>(level)] = band_lines(def, items, Band::Group, level);
    if (trailers[static_cast<size_t>(level)].empty()) continue;
    for (const auto& [first, last] : g.group_rows(level)) ends[last].push_back(level);
  }
  auto put_band = [&](const std::vector<BandLine>& lines, long row) {
    for (const auto& line : lines) {
      // The label leads the line; a value that belongs under the first column goes beside it.
      size_t at = line.value_column == 0 && !line.item->label.empty() ? 1 : line.value_column;
      if (!line.item->label.empty()) sink.label(0, line.item->label);
      if (!line.item->expression.empty())
        if (auto v = g.band_value(line.item->name, row)) sink.value(at, *v, line.item->format);
      sink.end_row();
    }
  };
  long rows = g.rowcount();
  for (long r = 1; r <= rows; ++r) {
    for (size_t k = 0; k < items.size(); ++k)
      sink.item(k, items[k], g.getitem(r, items[k].ref).value_or(db::Value()));
    sink.end_row();
    if (auto e = ends.find(r); e != ends.end())
      for (int level : e->second) put_band(trailers[static_cast<size_t>(level)], r);
  }
  auto summary = band_lines(def, items, Band::Summary, 0);
  if (!summary.empty()) {
    sink.end_row();  // a blank line between the rows and the totals
    put_band(summary, 0);
  }
  return rows;
}

std::string temp_beside(const std::string& path) { return path + ".part" + std::to_string(getpid()); }

}  // namespace

std::optional<ExportFormat> export_format_of(std::string_view name) {
  if (text::iequals(name, "csv")) return ExportFormat::Csv;
  if (text::iequals(name, "xlsx")) return ExportFormat::Xlsx;
  return std::nullopt;
}

std::string_view export_extension(ExportFormat f) { return f == ExportFormat::Xlsx ? ".xlsx" : ".csv"; }

std::string spreadsheet_number_format(std::string_view display) {
  std::string f(display);
  if (f.empty() || text::iequals(f, "[general]")) return {};
  if (auto semi = f.find(';'); semi != std::string::npos) f.resize(semi);
  int required = 0, places = 0;
  bool grouping = false, digits = false;
  auto point = f.find('.');
  for (size_t i = 0; i < f.size(); ++i) {
    char ch = f[i];
    if (ch == ',') grouping = true;
    if (ch == '#' || ch == '0') digits = true;
    if (point != std::string::npos && i > point) {
      if (ch == '0') required = ++places;
      if (ch == '#') ++places;
    } else if (ch != '#' && ch != '0' && ch != ',' && ch != '.' && ch != ' ') {
      return {};  // not a number format
    }
  }
  if (!digits) return {};
  // Optional places only: a spreadsheet would show "12." for 12, the grid shows "12"; the
  // general format shows the value as the grid does once it is rounded to those places.
  if (required == 0 && places > 0) return {};
  std::string out = grouping ? "#,##0" : "0";
  if (places > 0)
    out += "." + std::string(static_cast<size_t>(required), '0') +
           std::string(static_cast<size_t>(places - required), '#');
  return out;
}

long export_grid(const Grid& shown, const std::string& path, const ExportOptions& options) {
  // A grouped list is saved in group order, so each group's trailer follows all of its rows.
  std::unique_ptr<Grid> ordered;
  if (!shown.definition().groups.empty()) ordered = in_group_order(shown);
  const Grid& g = ordered ? *ordered : shown;
  std::vector<Item> items = shown_items(g.definition());
  std::string temp = temp_beside(path);
  long rows = 0;
  try {
    if (options.format == ExportFormat::Xlsx) {
      XlsxSink sink(temp, g.definition().name);
      sink.freeze_heading();
      rows = write_rows(g, items, sink);
      sink.close(temp);
    } else {
      CsvSink sink(options.delimiter);
      rows = write_rows(g, items, sink);
      std::string bytes;
      if (options.encoding == text::Encoding::Gbk) {
        try {
          bytes = text::utf8_to_gbk(sink.text());
        } catch (const text::EncodingError& e) {
          throw std::runtime_error(std::string(e.what()) + " (save as UTF-8 instead)");
        }
      } else {
        bytes = "\xEF\xBB\xBF" + sink.text();
      }
      std::ofstream f(temp, std::ios::binary | std::ios::trunc);
      f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
      if (!f.flush()) throw std::runtime_error("cannot write " + path);
    }
    std::filesystem::rename(temp, path);
  } catch (...) {
    std::error_code ec;
    std::filesystem::remove(temp, ec);
    throw;
  }
  return rows;
}

}  // namespace sparestock::grid
