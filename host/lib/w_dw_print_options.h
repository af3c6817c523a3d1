#pragma once
// w_dw_print_options: the print dialog. Opened with the grid to print (openwithparm with a
// grid::Grid* or ui::GridControl*), it shows what will be printed (the report's title or grid
// name and its number of rows) and answers in message.doubleparm: 1 print (cb_1), 0 cancel
// (cb_2 or the close box). The caller prints when the answer is 1.

#include "host/grid/grid.h"
#include "host/ui/controls.h"
#include "host/ui/session.h"
#include "host/ui/window.h"

namespace sparestock::lib {

inline constexpr const char* kPrintOptionsClass = "w_dw_print_options";

class w_dw_print_options : public ui::Window {
 public:
  explicit w_dw_print_options(ui::Session& session);

  void open() override;

  ui::StaticText st_1{*this, "st_1", ""};  // what is printed
  ui::StaticText st_2{*this, "st_2", ""};  // how many rows
  ui::StaticText st_3{*this, "st_3", "份数："};
  ui::SingleLineEdit sle_1{*this, "sle_1", 2};
  ui::StaticText st_4{*this, "st_4", "页码范围："};
  ui::SingleLineEdit sle_2{*this, "sle_2", 40};
  ui::CommandButton cb_1{*this, "cb_1", "打印(&P)"};
  ui::CommandButton cb_2{*this, "cb_2", "取消(&C)"};

 private:
  // Puts the typed copies and page range into the grid's print settings and answers 1; a bad
  // value is refused with a message.
  void accept();
  grid::Grid* grid_ = nullptr;
};

// The print command: opens the dialog for `grid` and prints it when the user answers 1.
// Returns print()'s result (1), 0 when the user cancelled, -1 when there was nothing to print
// (no grid: "没有可打印的数据!") or printing failed ("打印失败!"); the user is told.
int print_with_options(ui::Session& session, grid::Grid* grid);

}  // namespace sparestock::lib
