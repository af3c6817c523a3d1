#pragma once
// The grid control: it holds one grid definition, the rows retrieved for it and how they are
// shown (filter, sort, current row, selection), and writes changed rows back with update().
// The operations and their results follow the runtime the module was written for: row and
// column numbers are 1-based, functions answer 1 on success and -1 on failure (retrieve: the
// number of rows shown; find: a row number, 0 when none), and nothing throws for bad input.
//
// Rows live in a GridData shared through sharedata(): grids that share see the same rows,
// buffers, order, selection and item statuses, so a filter or sort applied through one shows in
// all. Each grid keeps its own definition (layout, headings), its own filter and sort
// expressions, its own current row and column, and its own read-only setting.
//
// A Grid is not copyable; it refers to its transaction object and print service, which must
// outlive it (or be replaced first).

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "host/db/value.h"
#include "host/grid/column_store.h"
#include "host/grid/compiler.h"
#include "host/grid/definition.h"
#include "host/grid/print.h"

namespace sparestock::db {
class Transaction;
class Cursor;
}  // namespace sparestock::db

namespace sparestock::grid {

enum class ItemStatus { NotModified, DataModified, New, NewModified };
enum class Buffer { Primary, Filter, Delete };

std::string_view item_status_name(ItemStatus s);  // "NotModified!", "DataModified!", ...

// A column given by name (any name the expression language resolves: "dbj030_ccph", "CCPH")
// or by number (1-based).
class ColumnRef {
 public:
  ColumnRef(int number) : by_name_(false), number_(number) {}
  ColumnRef(const char* name) : name_(name) {}
  ColumnRef(std::string_view name) : name_(name) {}
  ColumnRef(const std::string& name) : name_(name) {}
  bool by_name() const { return by_name_; }
  int number() const { return number_; }
  const std::string& name() const { return name_; }

 private:
  bool by_name_ = true;
  int number_ = 0;
  std::string name_;
};

// What the dberror hook is told about a failed statement.
struct DbErrorEvent {
  long sqldbcode = 0;
  std::string sqlerrtext;
  std::string sqlsyntax;  // the statement that failed
  Buffer buffer = Buffer::Primary;
  long row = 0;  // in that buffer, 1-based; 0 when not about a row
};

// Hook points for the window layer. Unset hooks do nothing.
struct GridEvents {
  // A database error during retrieve or update; the return value is for the window layer
  // (the grid ignores it).
  std::function<int(const DbErrorEvent&)> dberror;
  // accepttext() found a new valid value: 0 accept it, 1 reject it (the text stays for
  // correction, accepttext fails), 2 reject it and drop the text (accepttext succeeds).
  std::function<int(long row, const std::string& column, const std::string& text)> itemchanged;
  // accepttext() found a text the column cannot hold (the text stays, accepttext fails).
  std::function<void(long row, const std::string& column, const std::string& text)> itemerror;
  // The current row was changed by setrow/scrolltorow or by a retrieve.
  std::function<void(long row)> rowfocuschanged;
};

class Grid : private AggregateRows {
 public:
  Grid();
  explicit Grid(const GridDefinition& def);
  ~Grid() override;
  Grid(const Grid&) = delete;
  Grid& operator=(const Grid&) = delete;

  // ---- Definition ----
  // Places the built-in definition `name` in the grid (rows emptied). -1 when there is none.
  int set_dataobject(std::string_view name);
  // Places a copy of `def`. Throws std::invalid_argument when the definition's own filter,
  // sort, computed fields or groups do not compile (a defect of the definition, not of input).
  void set_definition(const GridDefinition& def);
  const GridDefinition& definition() const { return def_; }
  const std::string& dataobject() const { return def_.name; }
  int column_count() const { return static_cast<int>(def_.columns.size()); }
  // 0-based column index of a reference, or -1 (reason in last_error()).
  int column_index(const ColumnRef& col) const;

  // Names for print jobs and diagnostics: the control ("dw_1") and its window.
  void set_names(std::string control, std::string window = {});
  const std::string& control_name() const { return control_; }
  const std::string& window_name() const { return window_; }

  // ---- Retrieval ----
  int settransobject(db::Transaction& transaction);
  db::Transaction* transaction() const { return transaction_; }
  // Runs the definition's statement with the arguments (in the definition's order) and loads
  // the rows, then applies the grid's filter and sort. Returns the number of rows shown, or -1
  // (the rows are then empty; the reason is in the transaction and last_error()).
  long retrieve(const std::vector<db::Value>& arguments = {});
  // Loads the rows of an open cursor, as retrieve does after running the statement.
  long retrieve_from(db::Cursor& cursor, const std::vector<db::Value>& arguments = {});
  const std::vector<db::Value>& arguments() const { return data_->arguments; }

  // ---- Rows ----
  long rowcount() const { return static_cast<long>(data_->primary.size()); }
  long filteredcount() const { return static_cast<long>(data_->order.size() - data_->primary.size()); }
  long deletedcount() const { return static_cast<long>(data_->deleted.size()); }
  // Rows (shown or filtered) that are changed or new and changed.
  long modifiedcount() const;
  // Empties every buffer. 1.
  int reset();
  // Inserts an empty row before `before` (0: after the last row). Returns its row number, or
  // -1 for a row number out of range. The current row stays where it is.
  long insertrow(long before);
  // Moves a row (0: the current row) to the delete buffer; a row that was inserted and never
  // written is simply dropped. 1, or -1.
  int deleterow(long row);

  // ---- Current row, scrolling, selection ----
  // The current row: 0 when the grid shows no rows. After a filter, sort or retrieve the
  // current row stays on the same row when it is still shown, else goes to row 1.
  long getrow() const;
  // 1, or -1 when the row is not shown.
  int setrow(long row);
  // Makes `row` current and visible; a row past the end means the last row. -1 for row < 1 or
  // an empty grid.
  int scrolltorow(long row);
  // Row 0 means every shown row. 1, or -1 for a row out of range.
  int selectrow(long row, bool on);
  bool isselected(long row) const;
  // The next selected row after `after`, 0 when there is none.
  long getselectedrow(long after) const;

  // ---- Filter, sort, find ----
  // Sets the filter applied by the next filter(); "" removes it. A malformed expression
  // returns -1, keeps the previous filter, and leaves the reason in last_error().
  int setfilter(std::string_view expression);
  // Applies the filter to every row not deleted. 1.
  int filter();
  const std::string& filter_text() const { return filter_text_; }
  // Sets the sort list applied by the next sort() ("dbj030_ckh A, mid(dbj030_ccph,5,4) A");
  // "" removes it. -1 and the previous sort kept for a malformed list.
  int setsort(std::string_view sort_list);
  // Sorts the rows stably by the sort list. 1.
  int sort();
  const std::string& sort_text() const { return sort_text_; }
  // The first row from `from` to `to` (backwards when from > to) for which the condition holds;
  // 0 when none, -1 for a malformed expression. Ends beyond the last row mean the last row.
  long find(std::string_view condition, long from, long to);
  // The reason of the last failure.
  const std::string& last_error() const { return error_; }

  // ---- Items ----
  // The item (a column or a computed field of the detail band) of a row of a buffer, as it is
  // now or, with `original`, as it was retrieved (or as last written by update()). nullopt
  // for a row or column that does not exist; a null item is a null Value.
  std::optional<db::Value> getitem(long row, const ColumnRef& col, Buffer buffer = Buffer::Primary,
                                   bool original = false) const;
  // Typed reads. nullopt for a null item as well as for a bad row or column; a value of
  // another type is converted where it reads (text "12.5" as a decimal, a decimal as text).
  std::optional<std::string> getitemstring(long row, const ColumnRef& col, Buffer buffer = Buffer::Primary,
                                           bool original = false) const;
  std::optional<db::Decimal> getitemdecimal(long row, const ColumnRef& col, Buffer buffer = Buffer::Primary,
                                            bool original = false) const;
  std::optional<double> getitemnumber(long row, const ColumnRef& col, Buffer buffer = Buffer::Primary,
                                      bool original = false) const;
  std::optional<db::DateTime> getitemdatetime(long row, const ColumnRef& col, Buffer buffer = Buffer::Primary,
                                              bool original = false) const;
  // Stores a value in a shown row. The value is converted to the column's type (a decimal is
  // rounded to the column's places); -1 when it cannot be (text in a number column, text
  // longer than a char column takes), and nothing changes.
  int setitem(long row, const ColumnRef& col, const db::Value& value);
  // Status of an item, or of the row as a whole when `col` is 0.
  std::optional<ItemStatus> getitemstatus(long row, const ColumnRef& col,
                                          Buffer buffer = Buffer::Primary) const;

  // ---- Edit control: the text being typed into the current row and column ----
  int setcolumn(const ColumnRef& col);
  int getcolumn() const { return current_column_ + 1; }  // 0 when none
  std::string getcolumnname() const;
  // Types text into the current item (not yet stored). -1 when there is no current item, the
  // grid is read-only or the column protected.
  int settext(std::string_view text);
  // The text being typed, or the current item's text.
  std::string gettext() const;
  // Stores the text being typed into its item (through the itemchanged hook). 1, or -1 when
  // the text is refused.
  int accepttext();

  // ---- Writing ----
  // Writes the changes to the update table through the transaction object: DELETE for
  // deleted rows, UPDATE of the changed updatable columns for changed rows, INSERT for new
  // changed rows (reading back an identity key), each row found by the original values of its
  // key columns. Nothing is committed. On the first failure: -1, the transaction holds
  // sqlcode/sqlerrtext, the dberror hook is told, and every status stays as it was (the caller
  // rolls back and may try again). On success: 1, and (with reset_flags) every row becomes
  // unchanged. An UPDATE or DELETE that finds no row fails ("Row changed between retrieve and
  // update."): someone else changed or removed the row. The statements are those
  // UpdatePlanner (update_planner.h) plans; a plan that cannot be written (no update table, no
  // key) fails before any statement is sent.
  int update(bool accept = true, bool reset_flags = true);
  // Marks every row as unchanged (a new row never filled in stays new) and empties the delete
  // buffer. 1.
  int resetupdate();
  // The first required column (ColumnDef::required) left empty, searching the rows of
  // `buffer` after `row` (0: from the first row), each row from its first column; with
  // `updateonly` only rows that are new or changed. Found: `row`, `colnbr` (1-based) and
  // `colname` name it. None: `row` 0. Answers 1, or -1 for a row out of range (nothing set).
  int findrequired(Buffer buffer, long& row, int& colnbr, std::string& colname, bool updateonly);

  // ---- Sharing ----
  // `secondary` shows this grid's rows from now on (its own rows are dropped). Its definition
  // must have the same number of columns, of the same types. 1, or -1.
  int sharedata(Grid& secondary);
  // This grid stops sharing and gets an empty set of rows of its own. 1.
  int sharedataoff();
  bool shares_with(const Grid& other) const { return data_ == other.data_; }

  // ---- Properties ----
  // Reads properties, several separated by blanks (one answer per line): "dbj030_ccph_t.Text",
  // "#3.Name", "grid.column.count", "grid.table.select", "evaluate('sum(x for all)', 0)" and
  // the others listed in docs/grid.md. "!" for an unknown property, "?" for a known property
  // without a value.
  std::string describe(std::string_view properties);
  // Sets properties ("grid.readonly=yes", "ckh.protect=1"). "" on success, else the reason,
  // and nothing is changed.
  std::string modify(std::string_view modifications);
  bool readonly() const { return readonly_; }
  void set_readonly(bool on) { readonly_ = on; }
  bool is_protected(int column_index) const;

  // ---- Computed values ----
  // Evaluates an expression for a row (0: no row, for sums over all rows). nullopt and
  // last_error() when the expression is malformed. `page` is what page() answers.
  std::optional<db::Value> evaluate(std::string_view expression, long row, long page = 1,
                                    long page_count = 1) const;
  // The value of a band item of the definition (a summary sum, a group trailer's subtotal for
  // the group of `row`). nullopt when there is none of that name.
  std::optional<db::Value> band_value(std::string_view name, long row = 0, long page = 1,
                                      long page_count = 1) const;
  // The rows of each group of a level (1-based): (first, last) row numbers, inclusive.
  std::vector<std::pair<long, long>> group_rows(int level) const;
  // While printing: the first row of each page (1-based), so that `for page` sums and page()
  // know the pages. Empty: one page.
  void set_page_starts(std::vector<long> starts);

  // ---- Printing ----
  void set_print_service(PrintService* service) { print_service_ = service; }
  // Copies, page range and band texts of the next print(); they stay set until changed.
  PrintSettings& print_settings() { return print_settings_; }
  const PrintSettings& print_settings() const { return print_settings_; }
  // Hands the grid with its rows as they stand (shown rows, in the order shown) to the print
  // service. 1, or -1 when there is no print service or it failed.
  int print();
  // A grid of its own holding a copy of the shown rows, in order, with this grid's
  // definition and arguments (for printing). Not connected to any transaction.
  std::unique_ptr<Grid> snapshot() const;

  GridEvents events;

  // ---- Engine access (tests, benchmarks) ----
  const GridData& data() const { return *data_; }
  // Bytes held for the rows and for filtering them.
  size_t memory_bytes() const {
    return data_->memory_bytes() + selections_.memory_bytes() + all_rows_.capacity() * sizeof(uint32_t);
  }
  const CompiledFilter* compiled_filter() const { return filter_.get(); }
  // Off: filters and finds run every condition through the general row-by-row evaluator
  // instead of the column kernels (tests compare the two).
  void set_specialised_filters(bool on) { specialise_ = on; }

 private:
  // AggregateRows
  const std::vector<uint32_t>& shown_rows() const override { return data_->primary; }
  std::pair<size_t, size_t> group_range(int level, uint32_t row) const override;
  std::pair<size_t, size_t> page_range(uint32_t row) const override;

  EvalContext context() const;
  // Row id of a row number of a buffer; -1 when out of range.
  long row_id(long row, Buffer buffer) const;
  long column_or_error(const ColumnRef& col) const;
  const ComputedDef* computed_named(std::string_view name) const;
  uint32_t current_row_id() const;
  void set_current(uint32_t row_id, bool notify);
  long load(db::Cursor& cursor, const std::vector<db::Value>& arguments);
  void apply_filter();
  void apply_sort();
  void fail_db(const std::string& message, const std::string& statement, Buffer buffer, long row);
  int failed(std::string message) const;
  const std::vector<size_t>& group_starts(int level) const;

  GridDefinition def_;
  std::shared_ptr<GridData> data_;
  db::Transaction* transaction_ = nullptr;
  PrintService* print_service_ = nullptr;
  PrintSettings print_settings_;
  std::string control_, window_;

  std::string filter_text_, sort_text_;
  std::unique_ptr<CompiledFilter> filter_;
  std::unique_ptr<CompiledSort> sort_;
  std::vector<std::unique_ptr<CompiledExpression>> computed_;               // per def_.computed
  std::vector<std::vector<std::unique_ptr<CompiledExpression>>> group_by_;  // per level

  static constexpr uint32_t kNoRow = UINT32_MAX;
  mutable uint32_t current_ = kNoRow;
  int current_column_ = -1;
  std::optional<std::string> edit_text_;
  bool readonly_ = false;
  bool specialise_ = true;
  std::vector<uint8_t> protected_;
  std::vector<long> page_starts_;

  mutable SelectionBuffers selections_;
  std::vector<uint32_t> all_rows_;  // 0, 1, 2, ...: the input of a filter over every row
  mutable std::string error_;
  mutable uint64_t groups_version_ = 0, groups_value_version_ = 0;
  mutable std::vector<std::vector<size_t>> group_starts_;
};

}  // namespace sparestock::grid
