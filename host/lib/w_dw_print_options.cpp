#include "host/lib/w_dw_print_options.h"

#include <fmt/format.h>

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
  cb_1.place(600, 480, 320, 100);
  cb_2.place(960, 480, 320, 100);
  cb_1.clicked = [this] { this->session().windows().closewithreturn(*this, 1.0); };
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
  cb_1.setfocus();
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
