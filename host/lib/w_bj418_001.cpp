#include "host/lib/w_bj418_001.h"

#include "host/grid/expression.h"
#include "host/lib/global_functions.h"
#include "host/lib/help.h"
#include "host/lib/w_cx.h"
#include "host/lib/w_sort.h"

namespace sparestock::lib {

w_bj418_001::w_bj418_001(ui::Session& session) : w_large(session, "w_bj418_001") {
  title = "库存状态";
  width = 2800;
  height = 1900;
  dw_1.place(37, 32, 2720, 1640);
  cb_1.place(2400, 1720, 320, 100);
  dw_1.grid.set_dataobject("d_bjcx_001");
  dw_1.rowfocuschanged = [this](long) {
    f_select_current_row(dw_1);
    return 0L;
  };
  cb_1.clicked = [this] { this->session().windows().close(*this); };
  on_user_event("ue_query", [this] { query_with_conditions(*this, dw_1, company_filter()); });
  on_user_event("ue_sort", [this] { sort_with_dialog(*this, dw_1, "dbj030"); });
}

void w_bj418_001::open() {
  w_large::open();
  f_aotocenter();
  ui::Session& s = session();
  dw_1.grid.settransobject(s.sqlca);
  dw_1.grid.retrieve();
  s.sqlca.commit();
  dw_1.grid.setfilter(company_filter());
  dw_1.grid.filter();
  dw_1.grid.set_readonly(true);
  f_select_current_row(dw_1);
  s.globals().gd_print = &dw_1.grid;
  s.globals().gi_dwtype = 1;
  s.globals().gs_syntax.clear();
}

std::string w_bj418_001::company_filter() const {
  return "cgsh = " + grid::quote_literal(session().globals().gs_yhssgsh);
}

void w_bj418_001::ue_help() { f_open_help(session(), 418); }

}  // namespace sparestock::lib
