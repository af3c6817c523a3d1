#include "host/lib/w_reports.h"

#include <fmt/format.h>

#include <exception>

#include "host/base/text.h"
#include "host/db/clock.h"
#include "host/lib/global_functions.h"
#include "host/lib/pdf_print.h"
#include "host/lib/w_dw_print_options.h"

namespace sparestock::lib {

w_reports::w_reports(ui::Session& session) : Window(session, kReportsClass) {
  title = "报表";
  width = 3000;
  height = 2000;
  gb_1.place(37, 20, 1000, 330);
  rb_1.place(80, 80, 900, 72);
  rb_2.place(80, 160, 900, 72);
  rb_3.place(80, 240, 900, 72);
  for (ui::RadioButton* rb : {&rb_1, &rb_2, &rb_3}) rb->group = &gb_1;
  st_1.place(1100, 60, 300, 72);
  sle_1.place(1400, 52, 400, 88);
  st_2.place(1100, 160, 300, 72);
  sle_2.place(1400, 152, 400, 88);
  cb_1.place(1900, 52, 320, 100);
  cb_2.place(2250, 52, 320, 100);
  cb_3.place(2600, 52, 320, 100);
  st_4.place(1100, 260, 1800, 72);
  p_1.place(37, 380, 2920, 1580);
  dw_1.visible = false;
  cb_1.clicked = [this] { preview(); };
  sle_1.ue_enter = [this] { preview(); };
  cb_2.clicked = [this] { print(); };
  cb_3.clicked = [this] { this->session().windows().close(*this); };
}

void w_reports::open() {
  f_aotocenter(*this);
  db::DateTime today = db::today();
  sle_1.text = fmt::format("{:04}/{:02}/{:02}", today.year(), today.month(), today.day());
  dw_1.grid.settransobject(session().sqlca);
  sle_1.setfocus();
}

bool w_reports::retrieve() {
  ui::Session& s = session();
  const std::string& title_text = s.globals().gs_tsxx;
  auto date = db::DateTime::parse(text::trim(sle_1.text));
  if (!date) {
    s.messagebox(title_text, "盘点日期不正确，请重新输入!", ui::Icon::Exclamation);
    sle_1.setfocus();
    return false;
  }
  std::string day = fmt::format("{:04}/{:02}/{:02}", date->year(), date->month(), date->day());
  sle_1.text = day;
  const char* report = rb_2.checked ? "r_bj600_002" : rb_3.checked ? "r_bj606_001" : "r_bj600_001";
  if (dw_1.grid.dataobject() != report) {
    dw_1.grid.set_dataobject(report);
    dw_1.grid.settransobject(s.sqlca);
  }
  // Company and day are bound as parameters of the report's statement.
  long rows = dw_1.grid.retrieve({db::Value(s.globals().gs_yhssgsh), db::Value(day)});
  if (rows < 0) {
    std::string error = s.sqlca.sqlerrtext;
    s.sqlca.rollback();
    s.messagebox(title_text, "读取报表失败：" + error, ui::Icon::StopSign);
    return false;
  }
  s.sqlca.commit();
  auto& settings = dw_1.grid.print_settings();
  settings.set_text("t_2", s.globals().gs_yhssgsh);
  settings.set_text("t_1", std::string(text::trim(sle_2.text)));
  if (rows == 0) {
    p_1.png.clear();
    st_4.text.clear();
    s.messagebox(title_text, "无满足条件的记录!", ui::Icon::Information);
    return false;
  }
  return true;
}

void w_reports::preview() {
  if (!retrieve()) return;
  try {
    grid::PrintSettings settings = dw_1.grid.print_settings();
    settings.page_range.clear();
    int pages = page_count(dw_1.grid, settings);
    p_1.png = render_page_png(dw_1.grid, settings, 1, 72);
    st_4.text = fmt::format("共 {} 行，{} 页；预览第 1 页", dw_1.grid.rowcount(), pages);
  } catch (const std::exception&) {
    p_1.png.clear();
    session().messagebox(session().globals().gs_tsxx, "预览失败!", ui::Icon::StopSign);
  }
}

void w_reports::print() {
  if (!retrieve()) return;
  ui::Globals& g = session().globals();
  g.gd_print = &dw_1.grid;
  g.gi_dwtype = 1;
  g.gs_syntax.clear();
  print_with_options(session(), &dw_1.grid);
}

}  // namespace sparestock::lib
