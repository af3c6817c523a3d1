#include "host/lib/pdf_print.h"

#include <cairo-pdf.h>
#include <cairo.h>
#include <pango/pangocairo.h>
#include <zint.h>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <stdexcept>
#include <unordered_map>

#include "host/base/text.h"
#include "host/grid/display_format.h"

namespace sparestock::lib {

namespace {

constexpr double kPointsPerMm = 72.0 / 25.4;
constexpr double kA4Width = 210 * kPointsPerMm, kA4Height = 297 * kPointsPerMm;
constexpr double kMargin = 12 * kPointsPerMm;

// ---- Text ----

enum class Align { Left, Center, Right };

// Draws text through one pango layout, reused for every piece (a layout per cell would cost
// an allocation and a font lookup each). Fonts are cached per size and weight.
class Painter {
 public:
  Painter(cairo_t* cr, const std::string& family) : cr_(cr), family_(family) {
    layout_ = pango_cairo_create_layout(cr);
  }
  ~Painter() {
    g_object_unref(layout_);
    for (auto& [key, layout] : shaped_) g_object_unref(layout);
    for (auto& [key, font] : fonts_) pango_font_description_free(font);
  }
  Painter(const Painter&) = delete;
  Painter& operator=(const Painter&) = delete;

  void font(double size, bool bold) {
    auto key = std::make_pair(static_cast<int>(size * 10), bold);
    auto it = fonts_.find(key);
    if (it == fonts_.end()) {
      PangoFontDescription* f = pango_font_description_new();
      pango_font_description_set_family(f, family_.c_str());
      pango_font_description_set_absolute_size(f, size * PANGO_SCALE);
      pango_font_description_set_weight(f, bold ? PANGO_WEIGHT_BOLD : PANGO_WEIGHT_NORMAL);
      it = fonts_.emplace(key, f).first;
    }
    if (it->second != current_) {
      pango_layout_set_font_description(layout_, it->second);
      current_ = it->second;
    }
  }

  // One line of text in the box from x of width w (0: unbounded), top at y; cut with an
  // ellipsis when wider than the box. A text shaped before in the same font, box width and
  // alignment is drawn from its kept layout (lists repeat units, codes and amounts often).
  void text(double x, double y, double w, std::string_view s, Align align = Align::Left) {
    if (s.empty()) return;
    int width = w > 0 ? pango_units_from_double(w) : -1;
    key_.assign(reinterpret_cast<const char*>(&current_), sizeof current_);
    key_.append(reinterpret_cast<const char*>(&width), sizeof width);
    key_ += static_cast<char>(align);
    key_ += s;
    auto it = shaped_.find(key_);
    if (it == shaped_.end()) {
      if (shaped_.size() >= kShapedKept) {
        for (auto& [key, layout] : shaped_) g_object_unref(layout);
        shaped_.clear();
      }
      PangoLayout* l = pango_layout_copy(layout_);
      pango_layout_set_text(l, s.data(), static_cast<int>(s.size()));
      pango_layout_set_width(l, width);
      pango_layout_set_ellipsize(l, w > 0 ? PANGO_ELLIPSIZE_END : PANGO_ELLIPSIZE_NONE);
      pango_layout_set_alignment(l, align == Align::Left     ? PANGO_ALIGN_LEFT
                                    : align == Align::Center ? PANGO_ALIGN_CENTER
                                                             : PANGO_ALIGN_RIGHT);
      it = shaped_.emplace(key_, l).first;
    }
    cairo_move_to(cr_, x, y);
    pango_cairo_show_layout(cr_, it->second);
  }

  // Width of a line of text in the current font.
  double width(std::string_view s) {
    pango_layout_set_text(layout_, s.data(), static_cast<int>(s.size()));
    pango_layout_set_width(layout_, -1);
    int w = 0, h = 0;
    pango_layout_get_size(layout_, &w, &h);
    return pango_units_to_double(w);
  }

 private:
  cairo_t* cr_;
  std::string family_;
  PangoLayout* layout_ = nullptr;
  PangoFontDescription* current_ = nullptr;
  std::map<std::pair<int, bool>, PangoFontDescription*> fonts_;
  static constexpr size_t kShapedKept = 20000;
  std::unordered_map<std::string, PangoLayout*> shaped_;
  std::string key_;
};

// Width of text in ems, for sizing columns before any font is at hand: CJK characters are an
// em wide, others about half.
double ems(std::string_view s) {
  double w = 0;
  for (size_t i = 0; i < s.size(); i += text::char_length(s, i))
    w += text::char_length(s, i) > 1 ? 1.0 : 0.55;
  return w;
}

std::string display(const db::Value& v, const std::string& format) {
  return text::trim_trailing(grid::format_display(v, format));
}

// ---- The list layout ----

struct BodyColumn {
  std::string name;
  std::string heading;
  std::string format;
  const grid::ColumnDef* column = nullptr;  // nullptr for a computed field
  bool right = false;                       // numbers are right-aligned
  double x = 0, width = 0;
};

enum class LineKind { GroupHeader, Detail, GroupTrailer, Summary };

struct Line {
  LineKind kind;
  long row = 0;  // the detail row, or the group's first (header) or last (trailer) row
  int level = 0;
  const grid::BandItemDef* item = nullptr;  // summary and trailer items
};

struct Page {
  std::vector<Line> lines;
};

class ListLayout {
 public:
  ListLayout(const grid::Grid& g, const grid::PrintSettings& settings, const PdfOptions& options)
      : grid_(g), def_(g.definition()), settings_(settings), options_(options) {
    place_columns();
    paginate();
  }

  int page_count() const { return static_cast<int>(pages_.size()); }
  double page_width() const { return page_w_; }
  double page_height() const { return page_h_; }
  const std::vector<long>& page_starts() const { return page_starts_; }

  void draw(Painter& p, cairo_t* cr, int page) const {
    cairo_set_source_rgb(cr, 0, 0, 0);
    double y = kMargin;
    y = draw_header(p, cr, page, y);
    for (const Line& line : pages_[static_cast<size_t>(page - 1)].lines) {
      draw_line(p, cr, line, page, y);
      y += line_height(line);
    }
    draw_footer(p, page);
  }

 private:
  // Lines of the group trailer of `level` (its value items).
  std::vector<const grid::BandItemDef*> band(grid::Band b, int level = 0) const {
    std::vector<const grid::BandItemDef*> out;
    for (const auto& item : def_.band_items)
      if (item.band == b && (b != grid::Band::Group || item.group == level)) out.push_back(&item);
    return out;
  }

  void place_columns() {
    auto add_column = [&](const std::string& name) {
      for (const auto& c : def_.columns) {
        if (!text::iequals(c.name, name)) continue;
        bool number = c.type != grid::GridType::Char && c.type != grid::GridType::DateTime &&
                      c.code_table.empty();
        body_.push_back({c.name, c.heading, c.format, &c, number});
        return;
      }
      for (const auto& c : def_.computed)
        if (text::iequals(c.name, name)) body_.push_back({c.name, c.heading, c.format, nullptr, true});
    };
    if (!def_.print_columns.empty()) {
      for (const auto& name : def_.print_columns) add_column(name);
    } else {
      for (const auto& c : def_.columns)
        if (c.visible && !c.heading.empty()) add_column(c.name);
      for (const auto& c : def_.computed)
        if (!c.heading.empty()) add_column(c.name);
    }
    // Widths in ems: a text column as wide as its longest text (up to 16 characters of a
    // name), a number as wide as "##,###,##0.00"; at least its heading.
    double total = 0;
    for (auto& b : body_) {
      double heading = 0;
      for (const auto& part : text::split(b.heading, '\n')) heading = std::max(heading, ems(part));
      double content = 7;
      if (b.column && b.column->type == grid::GridType::Char)
        content = std::min(static_cast<double>(b.column->length), 32.0) * 0.55;
      else if (b.column && b.column->type == grid::GridType::DateTime)
        content = 6;
      b.width = std::max(heading, content) + 1;
      total += b.width;
      heading_lines_ = std::max(heading_lines_, static_cast<int>(text::split(b.heading, '\n').size()));
    }
    // Portrait at 9 points when it fits, else landscape, at a smaller size when need be.
    font_ = 9;
    page_w_ = kA4Width;
    page_h_ = kA4Height;
    if (total * font_ > page_w_ - 2 * kMargin) std::swap(page_w_, page_h_);
    if (total > 0) font_ = std::clamp((page_w_ - 2 * kMargin) / total, 5.0, 9.0);
    double scale = total * font_ > 0 ? std::max(1.0, (page_w_ - 2 * kMargin) / (total * font_)) : 1.0;
    double x = kMargin;
    for (auto& b : body_) {
      b.width *= font_ * scale;
      b.x = x;
      x += b.width;
    }
    row_h_ = font_ * 1.7;
  }

  bool has_page_text() const {
    for (const auto* item : band(grid::Band::Footer))
      if (item->expression.find("page()") != std::string::npos) return true;
    return false;
  }

  double header_height() const {
    double h = 0;
    if (!def_.title.empty()) h += 30;
    if (!header_items().empty()) h += 18;
    return h + row_h_ * heading_lines_ + 4;
  }

  // The header items other than the title (printed on its own).
  std::vector<const grid::BandItemDef*> header_items() const {
    std::vector<const grid::BandItemDef*> out;
    for (const auto* item : band(grid::Band::Header))
      if (!(item->expression.empty() && item->label == def_.title)) out.push_back(item);
    return out;
  }

  double line_height(const Line&) const { return row_h_; }

  void paginate() {
    std::vector<Line> lines;
    long rows = grid_.rowcount();
    int levels = static_cast<int>(def_.groups.size());
    std::vector<std::map<long, long>> firsts(static_cast<size_t>(levels)), lasts(static_cast<size_t>(levels));
    for (int level = 1; level <= levels; ++level) {
      for (auto [first, last] : grid_.group_rows(level)) {
        firsts[static_cast<size_t>(level - 1)][first] = last;
        lasts[static_cast<size_t>(level - 1)][last] = first;
      }
    }
    for (long r = 1; r <= rows; ++r) {
      for (int level = 1; level <= levels; ++level)
        if (firsts[static_cast<size_t>(level - 1)].count(r))
          lines.push_back({LineKind::GroupHeader, r, level});
      lines.push_back({LineKind::Detail, r});
      for (int level = levels; level >= 1; --level) {
        if (!lasts[static_cast<size_t>(level - 1)].count(r)) continue;
        for (const auto* item : band(grid::Band::Group, level))
          lines.push_back({LineKind::GroupTrailer, r, level, item});
      }
    }
    for (const auto* item : band(grid::Band::Summary)) lines.push_back({LineKind::Summary, rows, 0, item});

    double body = page_h_ - 2 * kMargin - header_height() - 24;
    pages_.emplace_back();
    double used = 0;
    for (const Line& line : lines) {
      double h = line_height(line);
      // A group header never ends a page on its own.
      double need = h + (line.kind == LineKind::GroupHeader ? row_h_ : 0);
      if (used + need > body && !pages_.back().lines.empty()) {
        pages_.emplace_back();
        used = 0;
      }
      pages_.back().lines.push_back(line);
      used += h;
    }
    for (const Page& page : pages_) {
      for (const Line& line : page.lines) {
        if (line.kind != LineKind::Detail) continue;
        if (page_starts_.empty() || line.row > page_starts_.back()) page_starts_.push_back(line.row);
        break;
      }
    }
  }

  // The text of a band item: its label, the text the form set for a text without one, or its
  // value in its format.
  std::string item_text(const grid::BandItemDef& item, long row, int page) const {
    if (item.expression.empty() && item.label.empty()) {
      const std::string* t = settings_.text(item.name);
      return t ? *t : std::string();
    }
    if (item.expression.empty()) return item.label;
    auto v = grid_.band_value(item.name, row, page, page_count());
    return v ? display(*v, item.format) : std::string();
  }

  long first_row(int page) const {
    for (const Line& line : pages_[static_cast<size_t>(page - 1)].lines)
      if (line.row > 0) return line.row;
    return grid_.rowcount() > 0 ? 1 : 0;
  }

  double draw_header(Painter& p, cairo_t* cr, int page, double y) const {
    double inner = page_w_ - 2 * kMargin;
    if (!def_.title.empty()) {
      p.font(18, true);
      p.text(kMargin, y, inner, def_.title, Align::Center);
      y += 30;
    }
    auto items = header_items();
    if (!items.empty()) {
      // The items flow on one line: a caption, then the value it names.
      p.font(10, false);
      std::string line;
      long row = first_row(page);
      for (const auto* item : items) {
        std::string t = item->expression.empty() || row > 0 ? item_text(*item, row, page) : std::string();
        if (t.empty()) continue;
        // A caption of the definition is followed by what it names; other texts and values
        // are set apart.
        bool caption = item->expression.empty() && !item->label.empty();
        if (caption && !t.ends_with("：") && !t.ends_with(":")) t += "：";
        line += t + (caption ? "" : "    ");
      }
      p.text(kMargin, y, inner, line);
      y += 18;
    }
    // Column headings between two rules.
    double h = row_h_ * heading_lines_;
    cairo_set_line_width(cr, 0.8);
    cairo_move_to(cr, kMargin, y);
    cairo_line_to(cr, page_w_ - kMargin, y);
    cairo_move_to(cr, kMargin, y + h + 2);
    cairo_line_to(cr, page_w_ - kMargin, y + h + 2);
    cairo_stroke(cr);
    p.font(font_, true);
    for (const auto& b : body_) {
      auto parts = text::split(b.heading, '\n');
      double top = y + 1 + (h - row_h_ * static_cast<double>(parts.size())) / 2 + font_ * 0.25;
      for (const auto& part : parts) {
        p.text(b.x + 2, top, b.width - 4, part, Align::Center);
        top += row_h_;
      }
    }
    return y + h + 4;
  }

  // The body column a band item's value belongs under: the first body column its expression
  // names; nullptr when none.
  const BodyColumn* column_of(const grid::BandItemDef& item) const {
    std::string e = text::lower(item.expression);
    const BodyColumn* best = nullptr;
    size_t at = std::string::npos;
    for (const auto& b : body_) {
      size_t k = e.find(text::lower(b.name));
      if (k != std::string::npos && (at == std::string::npos || k < at)) {
        best = &b;
        at = k;
      }
    }
    return best;
  }

  void draw_line(Painter& p, cairo_t* cr, const Line& line, int page, double y) const {
    double top = y + font_ * 0.3;
    switch (line.kind) {
      case LineKind::Detail: {
        p.font(font_, false);
        for (const auto& b : body_) {
          auto v = grid_.getitem(line.row, b.name);
          if (!v) continue;
          std::string t = b.column ? text::trim_trailing(grid::column_display(*b.column, *v))
                                   : display(*v, b.format);
          p.text(b.x + 2, top, b.width - 4, t, b.right ? Align::Right : Align::Left);
        }
        break;
      }
      case LineKind::GroupHeader: {
        p.font(font_, true);
        std::string by = def_.groups[static_cast<size_t>(line.level - 1)].by.front();
        std::string caption = by;
        for (const auto& c : def_.columns)
          if (text::iequals(c.name, by) && !c.heading.empty()) caption = c.heading;
        auto v = grid_.evaluate(by, line.row);
        p.text(kMargin, top, 0, caption + "：" + (v ? display(*v, "[general]") : std::string()));
        break;
      }
      case LineKind::GroupTrailer:
      case LineKind::Summary: {
        p.font(font_, true);
        std::string value = line.item->expression.empty() ? std::string()
                                                          : item_text(*line.item, line.row, page);
        std::string label = line.item->expression.empty() ? item_text(*line.item, line.row, page)
                                                          : line.item->label;
        const BodyColumn* under = line.item->expression.empty() ? nullptr : column_of(*line.item);
        if (under) {
          p.text(kMargin, top, under->x - kMargin - 6, label, Align::Right);
          p.text(under->x + 2, top, under->width - 4, value, Align::Right);
        } else {
          p.text(kMargin, top, 0, label + (label.empty() ? "" : " ") + value);
        }
        if (line.kind == LineKind::Summary && &line == &pages_.back().lines.back()) break;
        if (line.kind == LineKind::GroupTrailer) {
          cairo_set_line_width(cr, 0.4);
          cairo_move_to(cr, kMargin, y + row_h_);
          cairo_line_to(cr, page_w_ - kMargin, y + row_h_);
          cairo_stroke(cr);
        }
        break;
      }
    }
  }

  void draw_footer(Painter& p, int page) const {
    double y = page_h_ - kMargin - 12;
    p.font(10, false);
    std::string left;
    std::string page_text;
    long row = first_row(page);
    for (const auto* item : band(grid::Band::Footer)) {
      if (item->expression.find("page()") != std::string::npos) {
        page_text = item_text(*item, row, page);
        continue;
      }
      left += item_text(*item, row, page);
    }
    if (!has_page_text()) page_text = "第 " + std::to_string(page) + " 页";
    p.text(kMargin, y, 0, left);
    p.text(kMargin, y, page_w_ - 2 * kMargin, page_text, Align::Center);
  }

  const grid::Grid& grid_;
  const grid::GridDefinition& def_;
  const grid::PrintSettings& settings_;
  const PdfOptions& options_;
  std::vector<BodyColumn> body_;
  int heading_lines_ = 1;
  double font_ = 9, row_h_ = 15, page_w_ = kA4Width, page_h_ = kA4Height;
  std::vector<Page> pages_;
  std::vector<long> page_starts_;
};

// ---- Labels ----

// `data` as a Code 128 barcode in the box from (x, y) of width w and height h. Throws std::runtime_error when zint cannot encode it.
void draw_barcode(cairo_t* cr, const std::string& data, double x, double y, double w, double h) {
  std::unique_ptr<zint_symbol, void (*)(zint_symbol*)> symbol(ZBarcode_Create(), ZBarcode_Delete);
  if (!symbol) throw std::runtime_error("out of memory for a barcode");
  symbol->symbology = BARCODE_CODE128;
  symbol->show_hrt = 0;
  symbol->height = 50;
  const auto* bytes = reinterpret_cast<const unsigned char*>(data.data());
  if (ZBarcode_Encode_and_Buffer_Vector(symbol.get(), bytes, static_cast<int>(data.size()), 0) >= ZINT_ERROR)
    throw std::runtime_error(std::string("barcode: ") + symbol->errtxt);
  const zint_vector* v = symbol->vector;
  if (!v || v->width <= 0) throw std::runtime_error("barcode: nothing drawn");
  // Modules as wide as the width allows, but no wider than half a millimetre (a short number
  // stays a compact code); centred.
  double modules = std::max(1, symbol->width);
  double module = std::min(w / modules, 0.5 * kPointsPerMm);
  double scale = module * modules / static_cast<double>(v->width);
  double yscale = h / static_cast<double>(v->height);
  double left = x + (w - static_cast<double>(v->width) * scale) / 2;
  for (const zint_vector_rect* r = v->rectangles; r; r = r->next) {
    cairo_rectangle(cr, left + r->x * scale, y + r->y * yscale, r->width * scale, r->height * yscale);
  }
  cairo_fill(cr);
}

class LabelLayout {
 public:
  LabelLayout(const grid::Grid& g, const PdfOptions& options)
      : grid_(g), def_(g.definition()), options_(options), sheet_(options.labels) {
    per_page_ = std::max(1, sheet_.columns * sheet_.rows);
    long rows = g.rowcount();
    pages_ = std::max(1, static_cast<int>((rows + per_page_ - 1) / per_page_));
    // The items of the left label, in order; the right label's items name the same columns.
    for (const auto& item : def_.band_items)
      if (item.band == grid::Band::Detail && item.name.ends_with("_1")) items_.push_back(&item);
  }

  int page_count() const { return pages_; }
  double page_width() const { return sheet_.page_width * kPointsPerMm; }
  double page_height() const { return sheet_.page_height * kPointsPerMm; }

  void draw(Painter& p, cairo_t* cr, int page) const {
    cairo_set_source_rgb(cr, 0, 0, 0);
    long first = static_cast<long>(page - 1) * per_page_ + 1;
    for (int k = 0; k < per_page_; ++k) {
      long row = first + k;
      if (row > grid_.rowcount()) break;
      int col = k % sheet_.columns, line = k / sheet_.columns;
      double x = (sheet_.margin_left + col * (sheet_.label_width + sheet_.gap_x)) * kPointsPerMm;
      double y = (sheet_.margin_top + line * (sheet_.label_height + sheet_.gap_y)) * kPointsPerMm;
      draw_label(p, cr, row, x, y);
    }
  }

 private:
  void draw_label(Painter& p, cairo_t* cr, long row, double x, double y) const {
    double w = sheet_.label_width * kPointsPerMm, h = sheet_.label_height * kPointsPerMm;
    double pad = 4 * kPointsPerMm;
    // A thin frame to cut along.
    cairo_set_line_width(cr, 0.3);
    cairo_rectangle(cr, x + 1, y + 1, w - 2, h - 2);
    cairo_stroke(cr);
    double top = y + pad, inner = w - 2 * pad;
    // The first item (the part name) is the label's heading, 18-point bold; the second (the
    // part number) has a line of its own; the others (warehouse, zone, location) share one.
    std::string details;
    for (size_t k = 0; k < items_.size(); ++k) {
      const auto* item = items_[k];
      auto v = grid_.evaluate(item->expression, row);
      std::string t = item->label + (v ? display(*v, item->format) : std::string());
      if (k == 0) {
        p.font(18, true);
        p.text(x + pad, top, inner, t);
        top += 26;
      } else if (k == 1) {
        p.font(11, false);
        p.text(x + pad, top, inner, t);
        top += 16;
      } else {
        details += (details.empty() ? "" : "   ") + t;
      }
    }
    if (!details.empty()) {
      p.font(11, false);
      p.text(x + pad, top, inner, details);
      top += 16;
    }
    if (!def_.barcode.empty()) {
      auto v = grid_.getitemstring(row, def_.barcode);
      std::string code = v ? std::string(text::trim(*v)) : std::string();
      double bar_h = std::min(y + h - pad - top - 2, 14 * kPointsPerMm);
      if (!code.empty() && bar_h > 8) draw_barcode(cr, code, x + pad, top + 2, inner, bar_h);
    }
  }

  const grid::Grid& grid_;
  const grid::GridDefinition& def_;
  const PdfOptions& options_;
  LabelSheet sheet_;
  int per_page_ = 10;
  int pages_ = 1;
  std::vector<const grid::BandItemDef*> items_;
};

// ---- Either layout ----

class Layout {
 public:
  Layout(const grid::Grid& g, const grid::PrintSettings& settings, const PdfOptions& options)
      : copy_(grid::in_group_order(g)) {
    if (g.definition().across > 1)
      labels_.emplace(*copy_, options);
    else
      list_.emplace(*copy_, settings, options);
    if (list_) copy_->set_page_starts(list_->page_starts());
  }
  int page_count() const { return list_ ? list_->page_count() : labels_->page_count(); }
  double width() const { return list_ ? list_->page_width() : labels_->page_width(); }
  double height() const { return list_ ? list_->page_height() : labels_->page_height(); }
  void draw(Painter& p, cairo_t* cr, int page) const {
    if (list_)
      list_->draw(p, cr, page);
    else
      labels_->draw(p, cr, page);
  }

 private:
  std::unique_ptr<grid::Grid> copy_;
  std::optional<ListLayout> list_;
  std::optional<LabelLayout> labels_;
};

cairo_status_t append_png(void* closure, const unsigned char* data, unsigned int length) {
  static_cast<std::string*>(closure)->append(reinterpret_cast<const char*>(data), length);
  return CAIRO_STATUS_SUCCESS;
}

}  // namespace

LabelSheet LabelSheet::parse(std::string_view settings) {
  LabelSheet s;
  const std::pair<const char*, double*> numbers[] = {
      {"page_width", &s.page_width},
      {"page_height", &s.page_height},
      {"margin_left", &s.margin_left},
      {"margin_top", &s.margin_top},
      {"label_width", &s.label_width},
      {"label_height", &s.label_height},
      {"gap_x", &s.gap_x},
      {"gap_y", &s.gap_y},
  };
  for (const auto& part : text::split_list(settings)) {
    size_t eq = part.find('=');
    if (eq == std::string::npos) throw std::invalid_argument("label sheet: '" + part + "' is not key=value");
    std::string key(text::trim(std::string_view(part).substr(0, eq)));
    std::string value(text::trim(std::string_view(part).substr(eq + 1)));
    double number = 0;
    auto [end, ec] = std::from_chars(value.data(), value.data() + value.size(), number);
    if (value.empty() || ec != std::errc() || end != value.data() + value.size() || number < 0)
      throw std::invalid_argument("label sheet: " + key + " takes a number, not '" + value + "'");
    bool known = false;
    for (auto [name, field] : numbers) {
      if (key != name) continue;
      *field = number;
      known = true;
    }
    if (key == "columns" || key == "rows") {
      if (number < 1 || number > 20 || number != static_cast<int>(number))
        throw std::invalid_argument("label sheet: " + key + " takes a whole number from 1 to 20");
      (key == "columns" ? s.columns : s.rows) = static_cast<int>(number);
      known = true;
    }
    if (!known) throw std::invalid_argument("label sheet: unknown setting '" + key + "'");
  }
  if (s.label_width < 20 || s.label_height < 20)
    throw std::invalid_argument("label sheet: labels must be at least 20 x 20 mm");
  if (s.margin_left + s.columns * s.label_width + (s.columns - 1) * s.gap_x > s.page_width + 0.01 ||
      s.margin_top + s.rows * s.label_height + (s.rows - 1) * s.gap_y > s.page_height + 0.01)
    throw std::invalid_argument("label sheet: the labels do not fit on the page");
  return s;
}

int print_pdf(const grid::Grid& g, const grid::PrintSettings& settings, const std::string& path,
              const PdfOptions& options) {
  Layout layout(g, settings, options);
  int pages = layout.page_count();
  auto chosen = grid::parse_page_range(settings.page_range, pages);
  if (!chosen) throw std::runtime_error("bad page range '" + settings.page_range + "'");
  if (chosen->empty()) throw std::runtime_error("the page range selects no page");
  if (settings.copies < 1) throw std::runtime_error("copies must be at least 1");

  cairo_surface_t* surface = cairo_pdf_surface_create(path.c_str(), layout.width(), layout.height());
  if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
    cairo_surface_destroy(surface);
    throw std::runtime_error("cannot write " + path);
  }
  if (!g.definition().title.empty())
    cairo_pdf_surface_set_metadata(surface, CAIRO_PDF_METADATA_TITLE, g.definition().title.c_str());
  cairo_t* cr = cairo_create(surface);
  {
    Painter p(cr, options.font);
    for (int copy = 0; copy < settings.copies; ++copy) {
      for (int page : *chosen) {
        layout.draw(p, cr, page);
        cairo_show_page(cr);
      }
    }
  }
  cairo_destroy(cr);
  cairo_surface_finish(surface);
  cairo_status_t status = cairo_surface_status(surface);
  cairo_surface_destroy(surface);
  if (status != CAIRO_STATUS_SUCCESS)
    throw std::runtime_error("cannot write " + path + ": " + cairo_status_to_string(status));
  return pages;
}

int page_count(const grid::Grid& g, const grid::PrintSettings& settings, const PdfOptions& options) {
  return Layout(g, settings, options).page_count();
}

std::string render_page_png(const grid::Grid& g, const grid::PrintSettings& settings, int page, double dpi,
                            const PdfOptions& options) {
  Layout layout(g, settings, options);
  if (page < 1 || page > layout.page_count())
    throw std::runtime_error("there is no page " + std::to_string(page));
  double scale = dpi / 72.0;
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24,
                                                        static_cast<int>(layout.width() * scale),
                                                        static_cast<int>(layout.height() * scale));
  cairo_t* cr = cairo_create(surface);
  cairo_set_source_rgb(cr, 1, 1, 1);
  cairo_paint(cr);
  cairo_scale(cr, scale, scale);
  {
    Painter p(cr, options.font);
    layout.draw(p, cr, page);
  }
  cairo_destroy(cr);
  std::string png;
  cairo_status_t status = cairo_surface_write_to_png_stream(surface, append_png, &png);
  cairo_surface_destroy(surface);
  if (status != CAIRO_STATUS_SUCCESS) throw std::runtime_error("cannot draw the page");
  return png;
}

void install_pdf_printer(ui::Session& session, std::string directory) {
  PdfOptions options;
  if (const char* sheet = std::getenv("SPARESTOCK_LABEL_SHEET")) options.labels = LabelSheet::parse(sheet);
  auto count = std::make_shared<long>(0);
  session.set_print_renderer([directory = std::move(directory), options, count](grid::PrintJob& job) {
    std::filesystem::create_directories(directory);
    std::string file = (std::filesystem::path(directory) /
                        (std::to_string(++*count) + "-" + (job.dataobject.empty() ? "grid" : job.dataobject) +
                         ".pdf"))
                           .string();
    job.pages = print_pdf(*job.grid, job.settings, file, options);
    job.file = file;
  });
}

}  // namespace sparestock::lib
