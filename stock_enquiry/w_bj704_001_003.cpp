#include "stock_enquiry/w_bj704_001_003.h"

namespace sparestock::stock_enquiry {

w_bj704_001_003::w_bj704_001_003(ui::Session& session) : stock_list_form(session, "w_bj704_001_003") {
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

void w_bj704_001_003::close() {}

void w_bj704_001_003::cb_8_clicked() { session().windows().close(*this); }

// The zero-stock list prints its own grid.
void w_bj704_001_003::cb_9_clicked() {
  set_print_globals(dw_edit.grid);
  print_through_dialog();
}

}  // namespace sparestock::stock_enquiry
