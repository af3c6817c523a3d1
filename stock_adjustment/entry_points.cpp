// Entry points of the stock adjustment forms: each form and each of its scripts declared once;
// the build numbers them (docs/entry_points.md).

#include "common/entries.h"
#include "stock_adjustment/w_bj701_001.h"
#include "stock_adjustment/w_bj701_001_001.h"

namespace sparestock::stock_adjustment {

SPARESTOCK_WINDOW(w_bj701_001, w_spmm)
SPARESTOCK_SCRIPT(w_bj701_001, open, open())
SPARESTOCK_SCRIPT(w_bj701_001, ue_getfocus, ue_getfocus())
SPARESTOCK_SCRIPT(w_bj701_001, ue_query, ue_query())
SPARESTOCK_SCRIPT(w_bj701_001, ue_sort, ue_sort())
SPARESTOCK_SCRIPT(w_bj701_001, ue_help, ue_help())
SPARESTOCK_SCRIPT(w_bj701_001, ue_add, ue_add())
SPARESTOCK_SCRIPT(w_bj701_001, ue_delete, ue_delete())
SPARESTOCK_SCRIPT(w_bj701_001, mm, mm(ui::args_of(args).index != 0))
SPARESTOCK_CONTROL_SCRIPT(w_bj701_001, dw_edit, itemchanged,
                          dw_edit_itemchanged(ui::row_arg(args), ui::args_of(args).column,
                                              ui::args_of(args).data))
SPARESTOCK_CONTROL_SCRIPT(w_bj701_001, dw_display, clicked, dw_display_clicked(ui::row_arg(args)))
SPARESTOCK_CONTROL_SCRIPT(w_bj701_001, dw_display, rowfocuschanged,
                          dw_display_rowfocuschanged(ui::row_arg(args)))
SPARESTOCK_CONTROL_SCRIPT(w_bj701_001, sle_1, ue_press, sle_1_ue_enter(ui::key_arg(args)))
SPARESTOCK_CONTROL_SCRIPT(w_bj701_001, pb_1, clicked, pb_1_clicked())
SPARESTOCK_CONTROL_SCRIPT(w_bj701_001, sle_2, ue_press, sle_2_ue_enter(ui::key_arg(args)))
SPARESTOCK_CONTROL_SCRIPT(w_bj701_001, pb_2, clicked, pb_2_clicked())
SPARESTOCK_CONTROL_SCRIPT(w_bj701_001, sle_3, ue_press, sle_3_ue_press(ui::key_arg(args)))
SPARESTOCK_CONTROL_SCRIPT(w_bj701_001, pb_3, clicked, pb_3_clicked())
SPARESTOCK_CONTROL_SCRIPT(w_bj701_001, sle_4, ue_press, sle_4_ue_press(ui::key_arg(args)))
SPARESTOCK_CONTROL_SCRIPT(w_bj701_001, pb_4, clicked, pb_4_clicked())
SPARESTOCK_CONTROL_SCRIPT(w_bj701_001, cb_1, clicked, cb_1_clicked())
SPARESTOCK_CONTROL_SCRIPT(w_bj701_001, cb_2, clicked, cb_2_clicked())
SPARESTOCK_CONTROL_SCRIPT(w_bj701_001, cb_3, clicked, cb_3_clicked())

// A plain window: it derives from no form of the host's.
SPARESTOCK_WINDOW(w_bj701_001_001, )
SPARESTOCK_SCRIPT(w_bj701_001_001, open, open())
SPARESTOCK_CONTROL_SCRIPT(w_bj701_001_001, sle_1, ue_press, sle_1_ue_enter(ui::key_arg(args)))
SPARESTOCK_CONTROL_SCRIPT(w_bj701_001_001, pb_1, clicked, pb_1_clicked())
SPARESTOCK_CONTROL_SCRIPT(w_bj701_001_001, sle_3, ue_press, sle_3_ue_press(ui::key_arg(args)))
SPARESTOCK_CONTROL_SCRIPT(w_bj701_001_001, pb_3, clicked, pb_3_clicked())
SPARESTOCK_CONTROL_SCRIPT(w_bj701_001_001, sle_4, ue_press, sle_4_ue_press(ui::key_arg(args)))
SPARESTOCK_CONTROL_SCRIPT(w_bj701_001_001, pb_4, clicked, pb_4_clicked())
SPARESTOCK_CONTROL_SCRIPT(w_bj701_001_001, sle_2, ue_press, sle_2_ue_enter(ui::key_arg(args)))
SPARESTOCK_CONTROL_SCRIPT(w_bj701_001_001, pb_2, clicked, pb_2_clicked())
SPARESTOCK_CONTROL_SCRIPT(w_bj701_001_001, cb_5, clicked, cb_5_clicked())
SPARESTOCK_CONTROL_SCRIPT(w_bj701_001_001, cb_2, clicked, cb_2_clicked())
SPARESTOCK_CONTROL_SCRIPT(w_bj701_001_001, cb_3, clicked, cb_3_clicked())
SPARESTOCK_CONTROL_SCRIPT(w_bj701_001_001, cb_1, clicked, cb_1_clicked())
SPARESTOCK_CONTROL_SCRIPT(w_bj701_001_001, cb_4, clicked, cb_4_clicked())
SPARESTOCK_CONTROL_SCRIPT(w_bj701_001_001, dw_1, clicked, dw_1_clicked(ui::row_arg(args)))

}  // namespace sparestock::stock_adjustment
