#pragma once
// Shorthands for writing grid definitions: one call per column, with the display formats the
// grids share.

#include <string>
#include <utility>

#include "host/grid/definition.h"

namespace sparestock::grids {

using grid::ArgumentDef;
using grid::Band;
using grid::BandItemDef;
using grid::ColumnDef;
using grid::ComputedDef;
using grid::GridDefinition;
using grid::GridType;
using grid::GroupDef;

// Quantities and prices.
inline constexpr const char* kAmount = "##,###,###,##0.00";
inline constexpr const char* kGeneral = "[general]";
inline constexpr const char* kDate = "yyyy/mm/dd";
inline constexpr const char* kDateTime = "[shortdate] [time]";

inline ColumnDef char_col(std::string name, int length, std::string heading = {}) {
  ColumnDef c;
  c.name = std::move(name);
  c.type = GridType::Char;
  c.length = length;
  c.heading = std::move(heading);
  c.format = kGeneral;
  return c;
}

inline ColumnDef decimal_col(std::string name, int scale, std::string heading = {},
                             std::string format = kAmount) {
  ColumnDef c;
  c.name = std::move(name);
  c.type = GridType::Decimal;
  c.scale = scale;
  c.heading = std::move(heading);
  c.format = std::move(format);
  return c;
}

inline ColumnDef long_col(std::string name, std::string heading = {}) {
  ColumnDef c;
  c.name = std::move(name);
  c.type = GridType::Long;
  c.heading = std::move(heading);
  c.format = kGeneral;
  return c;
}

inline ColumnDef number_col(std::string name, std::string heading = {}) {
  ColumnDef c;
  c.name = std::move(name);
  c.type = GridType::Number;
  c.heading = std::move(heading);
  c.format = kGeneral;
  return c;
}

inline ColumnDef datetime_col(std::string name, std::string heading = {}, std::string format = kDateTime) {
  ColumnDef c;
  c.name = std::move(name);
  c.type = GridType::DateTime;
  c.heading = std::move(heading);
  c.format = std::move(format);
  return c;
}

// A column that is retrieved but not shown.
inline ColumnDef hidden(ColumnDef c) {
  c.visible = false;
  return c;
}

// A column a writing grid updates, under the table column of the same name.
inline ColumnDef updatable(ColumnDef c) {
  c.updatable = true;
  c.db_name = c.name;
  return c;
}

// A column the user types into although the grid does not write it (a value the form reads
// itself).
inline ColumnDef entry(ColumnDef c) {
  c.entry = true;
  return c;
}

// A column of the update key.
inline ColumnDef key(ColumnDef c) {
  c.key = true;
  if (c.db_name.empty()) c.db_name = c.name;
  return c;
}

// A column a record cannot be stored without (findrequired reports it when empty).
inline ColumnDef required(ColumnDef c) {
  c.required = true;
  return c;
}

inline ArgumentDef string_arg(std::string name) { return {std::move(name), GridType::Char}; }
inline ArgumentDef number_arg(std::string name) { return {std::move(name), GridType::Number}; }

// A plain text of a band.
inline BandItemDef text_item(Band band, std::string name, std::string label) {
  BandItemDef b;
  b.band = band;
  b.name = std::move(name);
  b.label = std::move(label);
  return b;
}

// A computed value of a band with the caption printed before it.
inline BandItemDef value_item(Band band, std::string name, std::string label, std::string expression,
                              std::string format = kGeneral) {
  BandItemDef b;
  b.band = band;
  b.name = std::move(name);
  b.label = std::move(label);
  b.expression = std::move(expression);
  b.format = std::move(format);
  return b;
}

inline BandItemDef group_item(int group, std::string name, std::string label, std::string expression,
                              std::string format = kGeneral) {
  BandItemDef b = value_item(Band::Group, std::move(name), std::move(label), std::move(expression),
                             std::move(format));
  b.group = group;
  return b;
}

}  // namespace sparestock::grids
