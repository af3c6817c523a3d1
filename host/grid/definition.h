#pragma once
// A grid definition: what a grid control shows. The statement that fills it (T-SQL, as
// written), its retrieval arguments, its columns with types, headings and display formats,
// computed fields, group and summary bands, sort, standing filter and, for grids that write,
// the update table and keys. Definitions are built into the program (grids/) and looked up by
// name.

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace sparestock::grid {

enum class GridType {
  Char,      // char(n): text of at most `length` characters
  Decimal,   // exact decimal with `scale` places
  Long,      // 4-byte integer
  Number,    // 8-byte floating
  DateTime,  // date and time
};

struct ArgumentDef {
  std::string name;  // without ':' ("gsh")
  GridType type = GridType::Char;
};

struct ColumnDef {
  std::string name;  // "dbj030_ccph", or the bare column in single-table grids
  GridType type = GridType::Char;
  int length = 0;       // for Char
  int scale = 0;        // for Decimal
  std::string heading;  // text of the heading object "<name>_t"; empty when none
  std::string format;   // display format ("##,###,###,##0.00", "[general]", ...)
  bool visible = true;
  bool updatable = false;
  bool key = false;       // part of the update key
  bool identity = false;  // assigned by the database on insert
  std::string db_name;    // the table column it updates ("ccph"), for grids that write
  // Display values of a code column: data value -> text shown ("1" -> "常用"); a value not
  // listed shows as itself. Empty: no code table.
  std::vector<std::pair<std::string, std::string>> code_table;
  // The user types into it although update() does not write it (a value the form reads
  // itself, such as a new price). Updatable columns take typing anyway.
  bool entry = false;
  // A record is incomplete while this column is empty (null, or blank text): findrequired()
  // reports it.
  bool required = false;
};

// A computed field shown in the detail band (not a database column).
struct ComputedDef {
  std::string name;        // "compute_1"
  std::string expression;  // in the grid expression language
  std::string heading;
  std::string format;
  GridType type = GridType::Decimal;
  int scale = 2;
};

enum class Band { Header, Detail, Group, Summary, Footer };

// A text or a computed value of a group trailer, the summary band, the header or footer.
struct BandItemDef {
  Band band = Band::Summary;
  int group = 0;           // for Band::Group: 1-based group level
  std::string name;        // "compute_2", "t_1"
  std::string label;       // the caption printed before it ("库存数量合计")
  std::string expression;  // empty for a plain text
  std::string format;
};

struct GroupDef {
  std::vector<std::string> by;  // columns or expressions
};

struct GridDefinition {
  std::string name;       // "d_bj704_002"
  std::string title;      // report title, where the grid prints one
  std::string statement;  // T-SQL, as written
  std::vector<ArgumentDef> arguments;
  std::vector<ColumnDef> columns;  // in result order of the statement
  std::vector<ComputedDef> computed;
  std::vector<GroupDef> groups;
  std::vector<BandItemDef> band_items;
  std::string sort;          // "dbj030_ckh A, mid(dbj030_ccph,5,4) A"; may be empty
  std::string filter;        // standing filter; may be empty
  std::string update_table;  // empty: read-only
  bool readonly_default = false;
  // Rows printed side by side on one line (labels): detail items named "<column>_<k>" show the
  // column of the k-th row of the line.
  int across = 1;
  // Labels: the column each label also carries as a Code 128 barcode; empty: none.
  std::string barcode;
  // The printed body's columns (and computed fields), left to right, where they differ from
  // the definition's order. Empty: the visible columns with a heading, then the computed
  // fields with one, in definition order.
  std::vector<std::string> print_columns;
};

// Adds definitions to those the runtime knows, replacing any of the same name. Called when a
// module is loaded, before any grid looks a definition up (it moves the stored definitions).
void install_definitions(std::vector<GridDefinition> definitions);
// Every installed definition, in the order installed.
const std::vector<GridDefinition>& all_definitions();
// nullptr when there is no definition of that name.
const GridDefinition* find_definition(std::string_view name);

}  // namespace sparestock::grid
