// Entry points of the stock alarm form. Object numbers of the whole module are listed in
// docs/entry_points.md.

#include "host/ui/module_entry.h"
#include "stock_alarm/w_bj703_001.h"

namespace sparestock::stock_alarm {

// A script that runs a handler of the form and answers 0.
#define SCRIPT(control, script, call)                    \
  SPARESTOCK_ENTRY(7, control, script) {                 \
    ui::self_as<w_bj703_001>(self).call;                 \
    return 0;                                            \
  }

// Control numbers, in the order of the form's control list:
//   1 rb_1  2 rb_2  3 rb_3  4 dw_1  5 cb_4  6 cb_5  7 cb_6  8 sle_1  9 st_1  10 pb_1
//   11 ddlb_1  12 gb_1

SPARESTOCK_OBJECT(w_bj703_001, "window", "w_large", 7, {0, 0, "", "create"}, {0, 1, "", "open"},
                  {0, 2, "", "close"}, {0, 3, "", "ue_help"}, {0, 4, "", "ue_first"},
                  {0, 5, "", "ue_last"}, {0, 6, "", "ue_next"}, {0, 7, "", "ue_end"},
                  {1, 1, "rb_1", "clicked"}, {2, 1, "rb_2", "clicked"}, {3, 1, "rb_3", "clicked"},
                  {4, 1, "dw_1", "rowfocuschanged"}, {4, 2, "dw_1", "itemfocuschanged"},
                  {5, 1, "cb_4", "clicked"}, {6, 1, "cb_5", "clicked"}, {7, 1, "cb_6", "clicked"},
                  {8, 1, "sle_1", "ue_press"}, {10, 1, "pb_1", "clicked"},
                  {11, 1, "ddlb_1", "selectionchanged"})
SPARESTOCK_ENTRY(7, 0, 0) { return ui::created(new w_bj703_001(ui::session_arg(args))); }
SCRIPT(0, 1, open())
SCRIPT(0, 2, close())
SCRIPT(0, 3, ue_help())
SCRIPT(0, 4, ue_first())
SCRIPT(0, 5, ue_last())
SCRIPT(0, 6, ue_next())
SCRIPT(0, 7, ue_end())
SCRIPT(1, 1, rb_1_clicked())
SCRIPT(2, 1, rb_2_clicked())
SCRIPT(3, 1, rb_3_clicked())
SCRIPT(4, 1, dw_1_rowfocuschanged(ui::row_arg(args)))
SCRIPT(4, 2, dw_1_itemfocuschanged(ui::row_arg(args), ui::args_of(args).column))
SCRIPT(5, 1, cb_4_clicked())
SCRIPT(6, 1, cb_5_clicked())
SCRIPT(7, 1, cb_6_clicked())
SCRIPT(8, 1, sle_1_ue_enter(ui::key_arg(args)))
SCRIPT(10, 1, pb_1_clicked())
SCRIPT(11, 1, ddlb_1_selectionchanged(ui::args_of(args).index))

}  // namespace sparestock::stock_alarm
