#pragma once
// w_bj418_001: the stock status form 库存状态. Lists the available stock (d_bjcx_001: company,
// warehouse, part, available quantity) of the user's company, read-only, in `dw_1`, with the
// navigation of w_large and an exit button `cb_1`. The grid is retrieved whole and narrowed to
// the company by the filter "cgsh = '<gs_yhssgsh>'" (the company quoted with the expression
// language's escape); the menu's query keeps that condition and adds the user's to it.

#include <string>

#include "host/lib/w_large.h"
#include "host/ui/controls.h"
#include "host/ui/grid_control.h"

namespace sparestock::lib {

class w_bj418_001 : public w_large {
 public:
  explicit w_bj418_001(ui::Session& session);

  void open() override;
  void ue_help() override;

  ui::GridControl dw_1{*this, "dw_1"};
  ui::CommandButton cb_1{*this, "cb_1", "退出(&X)"};

 private:
  // The condition every filter of the list keeps.
  std::string company_filter() const;
};

}  // namespace sparestock::lib
