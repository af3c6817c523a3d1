#include "host/ui/grid_control.h"

#include <fmt/format.h>

#include "host/ui/session.h"
#include "host/ui/window.h"

namespace sparestock::ui {

namespace {

std::string_view grid_type_name(grid::GridType type) {
  switch (type) {
    case grid::GridType::Char: return "char";
    case grid::GridType::Decimal: return "decimal";
    case grid::GridType::Long: return "long";
    case grid::GridType::Number: return "number";
    case grid::GridType::DateTime: return "datetime";
  }
  return "char";
}

}  // namespace

GridControl::GridControl(Window& parent, std::string name)
    : Control(parent, std::move(name), ControlKind::Grid) {
  grid.set_names(this->name(), parent.class_name());
  grid.set_print_service(&parent.session().print_service());
  grid.events.rowfocuschanged = [this](long row) {
    if (rowfocuschanged) rowfocuschanged(row);
  };
  grid.events.itemchanged = [this](long row, const std::string& column, const std::string& text) {
    return itemchanged ? static_cast<int>(itemchanged(row, column, text)) : 0;
  };
  grid.events.dberror = [this](const grid::DbErrorEvent& e) {
    return dberror ? static_cast<int>(dberror(e)) : 0;
  };
}

std::string GridControl::getbandatpointer() const {
  return fmt::format("{}\t{}", pointer_band, pointer_band == "detail" ? pointer_row : 0);
}

std::string GridControl::user_click(long row, const std::string& band, bool double_click) {
  static const char* kBands[] = {"header", "detail", "summary", "footer"};
  bool known = band.rfind("trailer.", 0) == 0 || band.rfind("header.", 0) == 0;
  for (const char* b : kBands) known = known || band == b;
  if (!known) return "unknown band: " + band;
  // Row 0 of the detail band is the empty area below the last row.
  if (band == "detail" && (row < 0 || row > grid.rowcount()))
    return fmt::format("row {} is not shown (the grid shows {} rows)", row, grid.rowcount());
  long clicked_row = band == "detail" ? row : 0;
  pointer_band = band;
  pointer_row = clicked_row;
  setfocus();
  if (clicked) clicked(clicked_row);
  if (clicked_row > 0 && clicked_row <= grid.rowcount() && grid.getrow() != clicked_row)
    grid.setrow(clicked_row);
  if (double_click && doubleclicked) doubleclicked(clicked_row);
  return {};
}

std::string GridControl::user_key(const std::string& key) {
  setfocus();
  long row = grid.getrow();
  if (key == "down" || key == "up") {
    long next = row + (key == "down" ? 1 : -1);
    if (next >= 1 && next <= grid.rowcount()) grid.scrolltorow(next);
    return {};
  }
  if (key == "home" || key == "end") {
    if (grid.rowcount() > 0) grid.scrolltorow(key == "home" ? 1 : grid.rowcount());
    return {};
  }
  if (key == "enter") {
    if (rownotmove) rownotmove();
    return {};
  }
  return "the grid takes no key " + key;
}

std::string GridControl::user_setrow(long row) {
  if (row < 1 || row > grid.rowcount())
    return fmt::format("row {} is not shown (the grid shows {} rows)", row, grid.rowcount());
  setfocus();
  grid.scrolltorow(row);
  return {};
}

std::string GridControl::user_edit(long row, const std::string& column, const std::string& value) {
  if (grid.readonly()) return "the grid " + name() + " is read-only";
  if (row < 1 || row > grid.rowcount())
    return fmt::format("row {} is not shown (the grid shows {} rows)", row, grid.rowcount());
  int col = grid.column_index(column);
  if (col < 0) return "the grid " + name() + " has no column " + column;
  if (grid.is_protected(col)) return "the column " + column + " cannot be changed";
  setfocus();
  if (grid.getrow() != row) grid.setrow(row);
  if (grid.getcolumn() != col + 1) {
    grid.setcolumn(col + 1);
    if (itemfocuschanged) itemfocuschanged(row, grid.getcolumnname());
  }
  if (grid.settext(value) != 1) return grid.last_error();
  if (editchanged) editchanged(row, grid.getcolumnname(), value);
  grid.accepttext();
  return {};
}

nlohmann::json GridControl::state() const {
  auto j = Control::state();
  const auto& def = grid.definition();
  j["dataobject"] = def.name;
  j["rowcount"] = grid.rowcount();
  j["row"] = grid.getrow();
  nlohmann::json selected = nlohmann::json::array();
  for (long r = grid.getselectedrow(0); r > 0; r = grid.getselectedrow(r)) selected.push_back(r);
  j["selected"] = selected;
  j["filter"] = grid.filter_text();
  j["sort"] = grid.sort_text();
  j["readonly"] = grid.readonly();
  nlohmann::json columns = nlohmann::json::array();
  for (size_t i = 0; i < def.columns.size(); ++i) {
    const auto& c = def.columns[i];
    nlohmann::json column{{"name", c.name},
                          {"heading", c.heading},
                          {"format", c.format},
                          {"visible", c.visible},
                          {"type", grid_type_name(c.type)},
                          {"protected", grid.is_protected(static_cast<int>(i))}};
    // Where a front end offers typing: a grid open for input, a column the user enters.
    column["editable"] = !grid.readonly() && !grid.is_protected(static_cast<int>(i)) &&
                         (c.updatable || c.entry);
    if (c.type == grid::GridType::Char) column["limit"] = c.length;
    columns.push_back(column);
  }
  j["columns"] = columns;
  // What a front end needs to draw the grid as its definition lays it out: the computed fields
  // of the detail band, the plain texts of the header and detail bands and the labels of the
  // summary band (their values come with the `rows` request).
  nlohmann::json computed = nlohmann::json::array();
  for (const auto& c : def.computed)
    computed.push_back(
        {{"name", c.name}, {"heading", c.heading}, {"format", c.format}, {"type", grid_type_name(c.type)}});
  j["computed"] = computed;
  nlohmann::json texts = nlohmann::json::array();
  nlohmann::json summary = nlohmann::json::array();
  for (const auto& b : def.band_items) {
    if (b.band == grid::Band::Summary)
      summary.push_back({{"name", b.name}, {"label", b.label}});
    else if (b.expression.empty() && (b.band == grid::Band::Header || b.band == grid::Band::Detail))
      texts.push_back(
          {{"band", b.band == grid::Band::Header ? "header" : "detail"}, {"name", b.name}, {"text", b.label}});
  }
  j["texts"] = texts;
  j["summary"] = summary;
  return j;
}

}  // namespace sparestock::ui
