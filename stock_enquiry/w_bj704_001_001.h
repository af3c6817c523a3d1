#pragma once
// w_bj704_001_001: the stock status enquiry "查询备件库存情况", a browsing and printing form
// over the stock enquiry w_bj704_001. It searches with the expressions of variant B, never hands
// a row back (double-click and Enter in the grid do nothing), prints the stock list (d_bj704_004
// in the hidden dw_1, showing dw_edit's rows as they stand) and part labels (d_bjbq in the
// hidden dw_2, one label per row shown), and opens the zero-stock enquiry w_bj704_001_003 and
// the host's stock status w_bj418_001.

#include "stock_enquiry/stock_list_form.h"

namespace sparestock::stock_enquiry {

class w_bj704_001_001 : public stock_list_form {
 public:
  explicit w_bj704_001_001(ui::Session& session);
  ~w_bj704_001_001() override;

  ui::CommandButton cb_8{*this, "cb_8", "退出(&B)"};
  ui::GridControl dw_1{*this, "dw_1"};
  ui::CommandButton cb_9{*this, "cb_9", "打印(&0)"};
  ui::CommandButton cb_11{*this, "cb_11", "打标签"};
  ui::GridControl dw_2{*this, "dw_2"};
  ui::CommandButton cb_12{*this, "cb_12", "零库存(&8)"};
  ui::CommandButton cb_13{*this, "cb_13", "库存状态(&9)"};

  // ---- window events (extend) ----
  void open() override;

  // ---- control events ----
  void cb_8_clicked();
  void cb_9_clicked();
  void cb_11_clicked();
  void cb_12_clicked();
  void cb_13_clicked();
};

}  // namespace sparestock::stock_enquiry
