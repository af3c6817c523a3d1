#include "stock_enquiry/w_bj704_001_003.h"


#include "common/row_count_status.h"

namespace sparestock::stock_enquiry {

w_bj704_001_003::w_bj704_001_003(ui::Session& session) : w_bj704_001(session, "w_bj704_001_003") {
  title = "查询0库存";
  height = 2330;
  dw_edit.grid.set_dataobject("d_bj704_0021");
  cb_9.place(20, 2030, 420, 100);
  cb_8.place(455, 2030, 420, 100);
}

w_bj704_001_003::~w_bj704_001_003() {
  // The print command must not reach a grid of a window that is gone.
  grid::Grid*& printing = session().globals().gd_print;
  if (printing == &dw_edit.grid) printing = nullptr;
}

void w_bj704_001_003::open() {
  w_bj704_001::open();
  dw_edit.grid.setsort("mid(dbj030_ccph,5,4) A");
  dw_edit.grid.sort();
  dw_edit.grid.modify("datawindow.readonly=yes");
}

void w_bj704_001_003::close() {}

void w_bj704_001_003::dw_edit_doubleclicked(long) {}

void w_bj704_001_003::dw_edit_rownotmove() {}

void w_bj704_001_003::dw_edit_editchanged(long, const std::string&, const std::string&) {}

void w_bj704_001_003::dw_edit_rowfocuschanged(long currentrow) {
  w_bj704_001::dw_edit_rowfocuschanged(currentrow);
  highlight_current_row(currentrow);
}

void w_bj704_001_003::dw_edit_clicked(long row) {
  w_bj704_001::dw_edit_clicked(row);
  common::status_on_clicked(dw_edit, row);
}

void w_bj704_001_003::cb_5_clicked() {
  w_bj704_001::cb_5_clicked();
  xlh = 5;
}

void w_bj704_001_003::rb_3_clicked() {
  dw_edit.grid.setsort("dbj030_ccph A");
  dw_edit.grid.sort();
}

void w_bj704_001_003::rb_4_clicked() {
  dw_edit.grid.setsort("mid(dbj030_ccph,5,20) A");
  dw_edit.grid.sort();
}

void w_bj704_001_003::cb_8_clicked() { session().windows().close(*this); }

// The zero-stock list prints its own grid.
void w_bj704_001_003::cb_9_clicked() {
  set_print_globals(dw_edit.grid);
  print_through_dialog();
}

void w_bj704_001_003::gg() { search(Variant::B); }

}  // namespace sparestock::stock_enquiry
