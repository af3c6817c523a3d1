#include "host/lib/w_dw_print_options.h"

#include <fmt/format.h>

#include <charconv>

#include "host/base/text.h"

#include "host/lib/global_functions.h"
#include "host/lib/host_library.h"
#include "host/lib/w_cx.h"

namespace sparestock::lib {

w_dw_print_options::w_dw_print_options(ui::Session& session)
    : Window(session, kPrintOptionsClass, ui::WindowType::Response) {
  title = "打印";
  width = 1400;
  height = 700;
  st_1.place(73, 80, 1250, 72);
  st_2.place(73, 180, 1250, 72);
  st_3.place(73, 280, 330, 72);
  sle_1.place(420, 272, 200, 88);
  st_4.place(73, 380, 330, 72);
  sle_2.place(420, 372, 860, 88);
  cb_1.place(600, 500, 320, 100);
  cb_2.place(960, 500, 320, 100);
  cb_1.clicked = [this] { accept(); };
  sle_1.ue_enter = [this] { accept(); };
  sle_2.ue_enter = [this] { accept(); };
  cb_2.clicked = [this] { this->session().windows().closewithreturn(*this, 0.0); };
}

void w_dw_print_options::open() {
  lib::f_aotocenter(*this);
  grid::Grid* g = grid_parameter(session().windows().message.powerobjectparm);
  if (!g) {
    session().windows().closewithreturn(*this, -1.0);
    return;
  }
  std::string report = session().windows().report_title(*g);
  st_1.text = report.empty() ? "打印" : "打印：" + report;
  st_2.text = fmt::format("共 {} 行", g->rowcount());
  grid_ = g;
  sle_1.text = std::to_string(g->print_settings().copies);
  sle_2.text = g->print_settings().page_range;
  cb_1.setfocus();
}

void w_dw_print_options::accept() {
  const std::string& title = session().globals().gs_tsxx;
  std::string copies(text::trim(sle_1.text));
  int n = 0;
  auto [end, ec] = std::from_chars(copies.data(), copies.data() + copies.size(), n);
  if (copies.empty() || ec != std::errc() || end != copies.data() + copies.size() || n < 1 || n > 99) {
    session().messagebox(title, "份数不正确，请重新输入!", ui::Icon::Exclamation);
    sle_1.setfocus();
    return;
  }
  std::string range(text::trim(sle_2.text));
  // Only the form is checked here (against one page); pages beyond the last print nothing.
  if (!grid::parse_page_range(range, 1)) {
    session().messagebox(title, "页码范围不正确，请重新输入!", ui::Icon::Exclamation);
    sle_2.setfocus();
    return;
  }
  if (grid_) {
    grid_->print_settings().copies = n;
    grid_->print_settings().page_range = range;
  }
  session().windows().closewithreturn(*this, 1.0);
}

int print_with_options(ui::Session& session, grid::Grid* grid) {
  register_host_library();
  const std::string& title = session.globals().gs_tsxx;
  if (!grid) {
    session.messagebox(title, "没有可打印的数据!", ui::Icon::Exclamation);
    return -1;
  }
  auto& windows = session.windows();
  windows.openwithparm(kPrintOptionsClass, grid);
  if (windows.message.doubleparm != 1) return 0;
  if (grid->print() != 1) {
    session.messagebox(title, "打印失败!", ui::Icon::StopSign);
    return -1;
  }
  return 1;
}

}  // namespace sparestock::lib
