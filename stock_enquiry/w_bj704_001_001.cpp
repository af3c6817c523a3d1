#include "stock_enquiry/w_bj704_001_001.h"

#include "host/lib/w_main.h"
#include "stock_enquiry/stock_labels.h"
#include "stock_enquiry/w_bj704_001_003.h"

namespace sparestock::stock_enquiry {

w_bj704_001_001::w_bj704_001_001(ui::Session& session) : stock_list_form(session, "w_bj704_001_001") {
  title = "查询备件库存情况";
  height = 2330;
  cb_1.text = "备件号(&1)";
  cb_2.text = "备件名称(&2)";
  cb_3.text = "拼音码(&5)";
  cb_4.text = "常用件(&6)";
  cb_5.text = "备件分类(&3)";
  cb_6.text = "库号(&4)";
  cb_7.text = "车型(&7)";
  dw_1.grid.set_dataobject("d_bj704_004");
  dw_1.visible = false;
  dw_2.grid.set_dataobject("d_bjbq");
  dw_2.visible = false;
  int x = 20;
  for (ui::CommandButton* b : {&cb_9, &cb_11, &cb_12, &cb_13, &cb_8}) {
    b->place(x, 2030, 420, 100);
    x += 435;
  }
}

w_bj704_001_001::~w_bj704_001_001() {
  // The print command must not reach a grid of a window that is gone.
  grid::Grid*& printing = session().globals().gd_print;
  if (printing == &dw_1.grid || printing == &dw_2.grid || printing == &dw_edit.grid) printing = nullptr;
}

void w_bj704_001_001::open() {
  stock_list_form::open();
  db::Transaction& sqlca = session().sqlca;
  dw_1.grid.settransobject(sqlca);
  dw_2.grid.settransobject(sqlca);
  const ui::Globals& g = session().globals();
  lib::w_main(session()).title(g.gs_title + g.gs_dq + "查询备件库存情况");
}

void w_bj704_001_001::cb_8_clicked() { session().windows().close(*this); }

// The stock list: dw_1 shows dw_edit's rows as they stand (after filter and sort).
void w_bj704_001_001::cb_9_clicked() {
  set_print_globals(dw_1.grid);
  dw_edit.grid.sharedata(dw_1.grid);
  print_through_dialog();
}

// The labels: d_bjbq has other columns than d_bj704_002 and cannot share its rows, so dw_2
// gets one label per row dw_edit shows, in that order, read for the user's company only.
void w_bj704_001_001::cb_11_clicked() {
  ui::Session& s = session();
  set_print_globals(dw_2.grid);
  if (fill_labels(dw_2.grid, dw_edit.grid, s.sqlca, s.globals().gs_yhssgsh) < 0) {
    s.messagebox(s.globals().gs_tsxx, "读取标签数据失败：" + s.sqlca.sqlerrtext, ui::Icon::StopSign);
    return;
  }
  print_through_dialog();
}

void w_bj704_001_001::cb_12_clicked() { session().windows().open("w_bj704_001_003"); }

void w_bj704_001_001::cb_13_clicked() { session().windows().open("w_bj418_001"); }

}  // namespace sparestock::stock_enquiry
