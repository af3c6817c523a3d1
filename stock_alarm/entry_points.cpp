// Entry points of the stock alarm form: the form and each of its scripts declared once; the
// build numbers them (docs/entry_points.md).

#include "common/entries.h"
#include "stock_alarm/w_bj703_001.h"

namespace sparestock::stock_alarm {

SPARESTOCK_WINDOW(w_bj703_001, w_large)
SPARESTOCK_SCRIPT(w_bj703_001, open, open())
SPARESTOCK_SCRIPT(w_bj703_001, close, close())
SPARESTOCK_SCRIPT(w_bj703_001, ue_help, ue_help())
SPARESTOCK_SCRIPT(w_bj703_001, ue_first, ue_first())
SPARESTOCK_SCRIPT(w_bj703_001, ue_last, ue_last())
SPARESTOCK_SCRIPT(w_bj703_001, ue_next, ue_next())
SPARESTOCK_SCRIPT(w_bj703_001, ue_end, ue_end())
SPARESTOCK_CONTROL_SCRIPT(w_bj703_001, rb_1, clicked, rb_1_clicked())
SPARESTOCK_CONTROL_SCRIPT(w_bj703_001, rb_2, clicked, rb_2_clicked())
SPARESTOCK_CONTROL_SCRIPT(w_bj703_001, rb_3, clicked, rb_3_clicked())
SPARESTOCK_CONTROL_SCRIPT(w_bj703_001, dw_1, rowfocuschanged, dw_1_rowfocuschanged(ui::row_arg(args)))
SPARESTOCK_CONTROL_SCRIPT(w_bj703_001, dw_1, itemfocuschanged,
                          dw_1_itemfocuschanged(ui::row_arg(args), ui::args_of(args).column))
SPARESTOCK_CONTROL_SCRIPT(w_bj703_001, cb_4, clicked, cb_4_clicked())
SPARESTOCK_CONTROL_SCRIPT(w_bj703_001, cb_5, clicked, cb_5_clicked())
SPARESTOCK_CONTROL_SCRIPT(w_bj703_001, cb_6, clicked, cb_6_clicked())
SPARESTOCK_CONTROL_SCRIPT(w_bj703_001, sle_1, ue_press, sle_1_ue_enter(ui::key_arg(args)))
SPARESTOCK_CONTROL_SCRIPT(w_bj703_001, pb_1, clicked, pb_1_clicked())
SPARESTOCK_CONTROL_SCRIPT(w_bj703_001, ddlb_1, selectionchanged,
                          ddlb_1_selectionchanged(ui::args_of(args).index))

}  // namespace sparestock::stock_alarm
