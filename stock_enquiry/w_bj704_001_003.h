#pragma once
// w_bj704_001_003: the zero-stock enquiry "查询0库存": the stock enquiry w_bj704_001 over the
// parts whose stock and available quantity are both zero (d_bj704_0021), searched with the
// expressions of variant B. It never hands a row back: its close does nothing of its own (no
// structure, and the frame's title is left as it is), double-click and Enter in the grid do
// nothing. cb_9 prints dw_edit itself.

#include "stock_enquiry/stock_list_form.h"

namespace sparestock::stock_enquiry {

class w_bj704_001_003 : public stock_list_form {
 public:
  explicit w_bj704_001_003(ui::Session& session);
  ~w_bj704_001_003() override;

  ui::CommandButton cb_8{*this, "cb_8", "退出(&9)"};
  ui::CommandButton cb_9{*this, "cb_9", "打印(&8)"};

  // ---- window events ----
  void close() override;  // replaces: nothing

  // ---- control events ----
  void cb_8_clicked();
  void cb_9_clicked();
};

}  // namespace sparestock::stock_enquiry
