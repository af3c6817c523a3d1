#pragma once
// Windows the host library's tests open: a probe that logs every user event its menu raises,
// and an editing form on the company's stock records. Registered once per test program.

#include "host/grid/print.h"
#include "host/lib/global_functions.h"
#include "host/lib/host_library.h"
#include "host/lib/menus.h"
#include "host/lib/module_loader.h"
#include "host/lib/w_spmm.h"
#include "tests/scenario.h"

namespace sparestock::lib::testing_windows {

// Logs every user event a menu can raise in st_1; opened with the class of the menu to attach.
class w_hl_probe : public ui::Window {
 public:
  explicit w_hl_probe(ui::Session& s) : Window(s, "w_hl_probe") {
    for (const char* e : {"ue_query", "ue_add", "ue_delete", "ue_save", "ue_cancel", "ue_sort", "ue_help",
                          "ue_getfocus", "ue_first", "ue_last", "ue_next", "ue_end"})
      on_user_event(e, [this, e] { st_1.text += (st_1.text.empty() ? "" : " ") + std::string(e); });
  }
  void open() override { menu = create_menu(session().windows().message.stringparm, *this); }
  ui::StaticText st_1{*this, "st_1", ""};
};

// An editing form on the company's stock records (d_bj701_001 in dw_edit), with printing to a
// recording service.
class w_hl_spmm : public w_spmm {
 public:
  explicit w_hl_spmm(ui::Session& s) : w_spmm(s, "w_hl_spmm") {
    title = "编辑测试";
    dw_edit.grid.set_dataobject("d_bj701_001");
    dw_edit.grid.set_print_service(&printer);
    is_retrievecolumnstring = "cgsh";
    is_primarykey = "cgsh , ckh , ccph";
    is_first_colname = "ckh";
  }
  void open() override {
    w_spmm::open();
    ia_retrievecolumnvalue = {db::Value(session().globals().gs_yhssgsh)};
    f_table_retrieve(is_retrievecolumnstring, ia_retrievecolumnvalue, dw_edit);
    f_primarykey_notchange(is_primarykey, false, dw_edit);
    session().globals().gd_print = &dw_edit.grid;
  }
  void close() override {
    w_spmm::close();
    session().globals().gd_print = nullptr;
  }
  static inline grid::RecordingPrintService printer;
};

inline void register_host_test_windows() {
  static const bool registered = [] {
    lib::load_module();
    register_host_library();
    ui::register_window_class("w_hl_probe", [](ui::Session& s) { return std::make_unique<w_hl_probe>(s); });
    ui::register_window_class("w_hl_spmm", [](ui::Session& s) { return std::make_unique<w_hl_spmm>(s); });
    return true;
  }();
  (void)registered;
}

// The menu item `name` of a window's state.
inline nlohmann::json item_of(const nlohmann::json& window, const std::string& name) {
  for (const auto& i : window["menu"]["items"])
    if (i["name"] == name) return i;
  ADD_FAILURE() << "no menu item " << name;
  return nlohmann::json::object();
}

inline nlohmann::json menu_click(test::Scenario& sc, const std::string& window, const std::string& item) {
  return sc.send({{"op", "menu"}, {"window", window}, {"item", item}});
}

}  // namespace sparestock::lib::testing_windows
