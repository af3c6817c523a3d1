#include "host/lib/host_library.h"

#include <mutex>

#include "host/lib/d_yfscpz.h"
#include "host/lib/help.h"
#include "host/lib/menus.h"
#include "host/lib/w_bj418_001.h"
#include "host/lib/w_cx.h"
#include "host/lib/w_dw_print_options.h"
#include "host/lib/w_reports.h"
#include "host/lib/w_sort.h"

namespace sparestock::lib {

namespace {

template <class W>
void window_class(const char* name) {
  ui::register_window_class(
      name, [](ui::Session& s) -> std::unique_ptr<ui::Window> { return std::make_unique<W>(s); });
}

template <class M>
void menu_class(const char* name) {
  register_menu_class(name, [](ui::Window& w) -> std::unique_ptr<Menu> { return std::make_unique<M>(w); });
}

}  // namespace

void register_host_library() {
  static std::once_flag once;
  std::call_once(once, [] {
    window_class<w_cx>(kQueryFormClass);
    window_class<w_sort>(kSortFormClass);
    window_class<w_dw_print_options>(kPrintOptionsClass);
    window_class<w_help>(kHelpClass);
    window_class<w_bj418_001>("w_bj418_001");
    window_class<w_reports>(kReportsClass);
    menu_class<m_e>("m_e");
    menu_class<m_module>("m_module");
    menu_class<me_yshx>("me_yshx");
    menu_class<m_e3>("m_e3");
    menu_class<m_e4>("m_e4");
    grid::install_definitions({d_yfscpz()});
  });
}

}  // namespace sparestock::lib
