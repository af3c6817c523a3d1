#pragma once
// Global functions of the host library that the forms call: retrieval by column values, key
// protection, row highlighting, centring, and the accounting-period and voucher-number helpers
// of the cost revision. Like the runtime's own functions they answer with return values
// (1 done, -1 refused) and never throw for bad input; a refusal changes nothing.

#include <optional>
#include <string>
#include <vector>

#include "host/db/value.h"
#include "host/grid/grid.h"
#include "host/ui/grid_control.h"
#include "host/ui/session.h"

namespace sparestock::lib {

// Retrieves `grid` with `values` as its retrieval arguments. `columns` names the columns the
// rows are retrieved by, comma-separated ("cgsh" or "cgsh , ckh"), one per value and one per
// argument of the grid's definition, in the same order; each must be a column of the grid.
// Returns what retrieve() returns (the number of rows, -1 on a database error); -1 without
// retrieving when the names, the values and the arguments do not pair up.
long f_table_retrieve(const std::string& columns, const std::vector<db::Value>& values, grid::Grid& grid);
long f_table_retrieve(const std::string& columns, const std::vector<db::Value>& values, ui::GridControl& grid);

// Protects the key columns of a grid from editing (`may_change` false, the state of a stored
// record, whose key must stay) or releases them (`may_change` true, a new record whose key is
// typed). `keys` is a comma-separated list ("cgsh , ckh , ccph"). 1, or -1 when a name is not
// a column of the grid (and then no column changes).
int f_primarykey_notchange(const std::string& keys, bool may_change, grid::Grid& grid);
int f_primarykey_notchange(const std::string& keys, bool may_change, ui::GridControl& grid);

// Highlights the current row alone and scrolls it into view. Returns the current row (0 when
// the grid shows no rows; then nothing is selected).
long f_select_current_row(grid::Grid& grid);
long f_select_current_row(ui::GridControl& grid);

// The runtime's scrollpriorrow / scrollnextrow: the current row one up or down, staying on the
// first or last row. Return the new current row (0 for an empty grid).
long scrollpriorrow(grid::Grid& grid);
long scrollnextrow(grid::Grid& grid);

// The navigation commands 第一条, 上一条, 下一条 and 最后一条 on a list: the current row moves
// (the grid's rowfocuschanged runs) and is highlighted alone. Returns the new current row (0
// for an empty grid).
enum class RowStep { First, Prior, Next, Last };
long step_current_row(grid::Grid& grid, RowStep step);

// Moves a window to the middle of the session's screen (the screen size in pixels converted to
// window units); a window larger than the screen goes to its top left corner. 1.
int f_aotocenter(ui::Window& window);

// The accounting period of a date is its calendar month. Sets gs_kjn (four-digit year) and
// gs_kjy (two-digit month, "01".."12") to the period of `date`. 1, or -1 without changing
// anything when the company or the date is missing.
int f_kjrqssny(ui::Session& session, const std::string& company, const std::optional<db::DateTime>& date);

// Fixes the company's current accounting period: the month kept in the ledger settings
// (dzz001.cdqkjny, 'YYYYMM', read on sqlca), or, when the company keeps none (no row, empty
// text), the month of the system date gd_xtrq (the clock's date when the host has not set it).
// Sets gs_kjn and gs_kjy as f_kjrqssny gives them and gd_zxrq to the first day of that month at
// 00:00:00. 1, or -1 without changing anything when the company is missing, the setting is not
// a month or the database fails.
int f_kjrqjy(ui::Session& session, const std::string& company);

// Hands an unused voucher number back to the vacant numbers of the period of `date` (table
// dzz008, company gs_yhssgsh, voucher word `voucher_word`), so that the numbering can reuse it.
// Written and committed on sqlls, apart from the caller's work on sqlca, which is usually
// about to be rolled back. Refused (-1, nothing written) for a number below 1, a missing
// date or voucher word, a number the period has never issued (above dzz007.nzdpzh) and a
// number a stored voucher of the period carries (dzz0031); a number already vacant is left
// as it is (1). -1 also when the database fails (sqlls rolled back).
int f_fxpzh(ui::Session& session, const std::optional<db::DateTime>& date, const std::string& voucher_word,
            long number);

// Splits a comma-separated list of names, trimming blanks; empty items are dropped.
std::vector<std::string> split_names(const std::string& list);

}  // namespace sparestock::lib
