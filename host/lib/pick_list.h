#pragma once
// The host's pick lists f_popcx and f_cph_popcx: a modal window `w_pick_list` that lists the
// rows of a table under a where clause, lets the user narrow them with a search text and hands
// back one column of the chosen row.
//
//   std::string ls = lib::f_popcx(session, "dbj003", "ckh,ckmc", "库号,库名称", "ckh", "",
//                                 "cgsh=" + lib::sql_literal(gs_yhssgsh));
//
// The call suspends the handler until the user chooses (the return column of the row) or
// cancels (""). The list's grid is built at run time from the table's columns in the database
// catalog: the table and column names must be known there (else std::invalid_argument), so
// nothing but the catalog's own identifiers reach the statement. The where clause is the
// caller's code and is used as written; a caller that puts typed text into it quotes that text
// with sql_literal().
//
// Headings and columns: when more headings than columns are given, the extra ones at the
// front are dropped ("公司号,产品分类号,产品分类名称" over "cflh,cflmc" shows 产品分类号 and
// 产品分类名称), since the lists always lead with the company column and a caller that leaves
// the column out leaves its heading behind. When fewer are given they head the columns from
// the left ("库号,库区,库位" over "ckh,ckqh,ckwh,lzt"), and a column without a heading is
// headed by its name.
//
// The fifth argument, when not empty, is a search text the list opens with.
//
// In the list:
//   - Enter in the search field `sle_1` narrows the list to the rows where any shown column
//     contains the text (trimmed; ASCII letters match in either case). Then a row whose return
//     column equals the text is chosen at once, or the only row left; Enter again on the same
//     text chooses the current row.
//   - A double-click on a row, Enter in the grid or `cb_1` (确定) chooses the current row.
//   - Escape in the search field, `cb_2` (取消) or the close box cancel.
// The rows are retrieved once; searching filters them in memory.
//
// f_cph_popcx is the list for parts: the same window, sorted by part number (the return
// column) instead of by the shown columns left to right.

#include <memory>
#include <string>
#include <vector>

#include "host/db/catalog.h"
#include "host/grid/definition.h"
#include "host/ui/grid_control.h"
#include "host/ui/session.h"

namespace sparestock::lib {

inline constexpr const char* kPickListClass = "w_pick_list";

std::string f_popcx(ui::Session& session, const std::string& table, const std::string& columns,
                    const std::string& headings, const std::string& return_column, const std::string& fifth,
                    const std::string& where);
std::string f_cph_popcx(ui::Session& session, const std::string& table, const std::string& columns,
                        const std::string& headings, const std::string& return_column,
                        const std::string& fifth, const std::string& where);

// The heading of each column (see above for the pairing).
std::vector<std::string> pair_headings(const std::vector<std::string>& columns,
                                       const std::vector<std::string>& headings);

// The grid a pick list shows: "SELECT <columns> FROM <table> [WHERE <where>]" with the
// columns typed from the catalog; the return column is added, hidden, when it is not shown.
// Throws std::invalid_argument for an empty or repeated column list and for a table or column
// the catalog does not hold.
grid::GridDefinition pick_list_definition(const db::Catalog& catalog, const std::string& table,
                                          const std::string& columns, const std::string& headings,
                                          const std::string& return_column, const std::string& where);

// The filter expression that keeps the rows where any of `columns` contains `text`, ASCII
// letters in either case; "" for an empty text.
std::string search_filter(const grid::GridDefinition& def, const std::string& text);

// What a pick list is asked to show; f_popcx and f_cph_popcx fill it in.
struct PickRequest {
  grid::GridDefinition definition;
  std::string return_column;
  std::string sort;  // grid sort list
  std::string title;
  std::string search;  // initial search text
  std::shared_ptr<std::string> answer = std::make_shared<std::string>();
};

class PickListWindow : public ui::Window {
 public:
  PickListWindow(ui::Session& session, PickRequest request);

  void open() override;

  // The user's actions (also reached through the controls' handlers).
  void search(const std::string& text);
  void choose_row(long row);
  void cancel();
  // Chooses the retrieved row whose return column equals `value` (a row hidden by the search
  // too); "" cancels. Answers "" or why nothing was chosen.
  std::string pick(const std::string& value);

  const std::string& return_column() const { return request_.return_column; }
  const std::string& search_in_force() const { return search_in_force_; }

  ui::StaticText st_1{*this, "st_1", "查找"};
  ui::SingleLineEdit sle_1{*this, "sle_1"};
  ui::GridControl dw_1{*this, "dw_1"};
  ui::CommandButton cb_1{*this, "cb_1", "确定(&O)"};
  ui::CommandButton cb_2{*this, "cb_2", "取消(&C)"};

 private:
  void enter_in_search_field();
  void finish(std::string value);

  PickRequest request_;
  std::string search_in_force_;
};

// The pick list waiting for the user on top of the session's windows, or nullptr.
PickListWindow* open_pick_list(ui::Session& session);

}  // namespace sparestock::lib
