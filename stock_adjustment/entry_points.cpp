// Entry points of the stock adjustment forms. Object numbers of the whole module are listed in
// docs/entry_points.md.

#include "host/ui/module_entry.h"
#include "stock_adjustment/w_bj701_001.h"
#include "stock_adjustment/w_bj701_001_001.h"

namespace sparestock::stock_adjustment {

// A script that runs a handler of form `Class` and answers 0.
#define SCRIPT(object, control, script, Class, call) \
  SPARESTOCK_ENTRY(object, control, script) {        \
    auto& w = ui::self_as<Class>(self);              \
    w.call;                                          \
    return 0;                                        \
  }

// Control numbers of w_bj701_001: the ancestor's grids and group box first, then the form's
// controls in their order.
//   1 dw_edit  2 dw_display  3 gb_1  4 st_1  5 sle_1  6 pb_1  7 st_2  8 sle_2  9 pb_2
//   10 st_3  11 sle_3  12 pb_3  13 st_4  14 sle_4  15 pb_4  16 cb_1  17 cb_2  18 cb_3  19 gb_2
SPARESTOCK_OBJECT(w_bj701_001, "window", "w_spmm", 5, {0, 0, "", "create"}, {0, 1, "", "open"},
                  {0, 2, "", "ue_getfocus"}, {0, 3, "", "ue_query"}, {0, 4, "", "ue_sort"},
                  {0, 5, "", "ue_help"}, {0, 6, "", "ue_add"}, {0, 7, "", "ue_delete"},
                  {0, 8, "", "mm"}, {1, 1, "dw_edit", "itemchanged"},
                  {2, 1, "dw_display", "clicked"}, {2, 2, "dw_display", "rowfocuschanged"},
                  {5, 1, "sle_1", "ue_press"}, {6, 1, "pb_1", "clicked"},
                  {8, 1, "sle_2", "ue_press"}, {9, 1, "pb_2", "clicked"},
                  {11, 1, "sle_3", "ue_press"}, {12, 1, "pb_3", "clicked"},
                  {14, 1, "sle_4", "ue_press"}, {15, 1, "pb_4", "clicked"},
                  {16, 1, "cb_1", "clicked"}, {17, 1, "cb_2", "clicked"}, {18, 1, "cb_3", "clicked"})
SPARESTOCK_ENTRY(5, 0, 0) { return ui::created(new w_bj701_001(ui::session_arg(args))); }
SCRIPT(5, 0, 1, w_bj701_001, open())
SCRIPT(5, 0, 2, w_bj701_001, ue_getfocus())
SCRIPT(5, 0, 3, w_bj701_001, ue_query())
SCRIPT(5, 0, 4, w_bj701_001, ue_sort())
SCRIPT(5, 0, 5, w_bj701_001, ue_help())
SCRIPT(5, 0, 6, w_bj701_001, ue_add())
SCRIPT(5, 0, 7, w_bj701_001, ue_delete())
SCRIPT(5, 0, 8, w_bj701_001, mm(ui::args_of(args).index != 0))
SPARESTOCK_ENTRY(5, 1, 1) {
  const auto& a = ui::args_of(args);
  return ui::self_as<w_bj701_001>(self).dw_edit_itemchanged(a.row, a.column, a.data);
}
SCRIPT(5, 2, 1, w_bj701_001, dw_display_clicked(ui::row_arg(args)))
SCRIPT(5, 2, 2, w_bj701_001, dw_display_rowfocuschanged(ui::row_arg(args)))
SCRIPT(5, 5, 1, w_bj701_001, sle_1_ue_enter(ui::key_arg(args)))
SCRIPT(5, 6, 1, w_bj701_001, pb_1_clicked())
SCRIPT(5, 8, 1, w_bj701_001, sle_2_ue_enter(ui::key_arg(args)))
SCRIPT(5, 9, 1, w_bj701_001, pb_2_clicked())
SCRIPT(5, 11, 1, w_bj701_001, sle_3_ue_press(ui::key_arg(args)))
SCRIPT(5, 12, 1, w_bj701_001, pb_3_clicked())
SCRIPT(5, 14, 1, w_bj701_001, sle_4_ue_press(ui::key_arg(args)))
SCRIPT(5, 15, 1, w_bj701_001, pb_4_clicked())
SCRIPT(5, 16, 1, w_bj701_001, cb_1_clicked())
SCRIPT(5, 17, 1, w_bj701_001, cb_2_clicked())
SCRIPT(5, 18, 1, w_bj701_001, cb_3_clicked())

// Control numbers of w_bj701_001_001, in the order of its controls:
//   1 st_1  2 sle_1  3 pb_1  4 st_3  5 sle_3  6 pb_3  7 st_4  8 sle_4  9 pb_4  10 st_2
//   11 sle_2  12 pb_2  13 cb_5  14 cb_2  15 cb_3  16 cb_1  17 cb_4  18 dw_1  19 gb_1
SPARESTOCK_OBJECT(w_bj701_001_001, "window", "", 6, {0, 0, "", "create"}, {0, 1, "", "open"},
                  {2, 1, "sle_1", "ue_press"}, {3, 1, "pb_1", "clicked"},
                  {5, 1, "sle_3", "ue_press"}, {6, 1, "pb_3", "clicked"},
                  {8, 1, "sle_4", "ue_press"}, {9, 1, "pb_4", "clicked"},
                  {11, 1, "sle_2", "ue_press"}, {12, 1, "pb_2", "clicked"},
                  {13, 1, "cb_5", "clicked"}, {14, 1, "cb_2", "clicked"}, {15, 1, "cb_3", "clicked"},
                  {16, 1, "cb_1", "clicked"}, {17, 1, "cb_4", "clicked"}, {18, 1, "dw_1", "clicked"})
SPARESTOCK_ENTRY(6, 0, 0) { return ui::created(new w_bj701_001_001(ui::session_arg(args))); }
SCRIPT(6, 0, 1, w_bj701_001_001, open())
SCRIPT(6, 2, 1, w_bj701_001_001, sle_1_ue_enter(ui::key_arg(args)))
SCRIPT(6, 3, 1, w_bj701_001_001, pb_1_clicked())
SCRIPT(6, 5, 1, w_bj701_001_001, sle_3_ue_press(ui::key_arg(args)))
SCRIPT(6, 6, 1, w_bj701_001_001, pb_3_clicked())
SCRIPT(6, 8, 1, w_bj701_001_001, sle_4_ue_press(ui::key_arg(args)))
SCRIPT(6, 9, 1, w_bj701_001_001, pb_4_clicked())
SCRIPT(6, 11, 1, w_bj701_001_001, sle_2_ue_enter(ui::key_arg(args)))
SCRIPT(6, 12, 1, w_bj701_001_001, pb_2_clicked())
SCRIPT(6, 13, 1, w_bj701_001_001, cb_5_clicked())
SCRIPT(6, 14, 1, w_bj701_001_001, cb_2_clicked())
SCRIPT(6, 15, 1, w_bj701_001_001, cb_3_clicked())
SCRIPT(6, 16, 1, w_bj701_001_001, cb_1_clicked())
SCRIPT(6, 17, 1, w_bj701_001_001, cb_4_clicked())
SCRIPT(6, 18, 1, w_bj701_001_001, dw_1_clicked(ui::row_arg(args)))

}  // namespace sparestock::stock_adjustment
