// Entry points of the cost price revision form: the form and each of its scripts declared once;
// the build numbers them (docs/entry_points.md). Handlers not declared here are the stock
// enquiry's, inherited.

#include "common/entries.h"
#include "cost_revision/w_bj902_001.h"

namespace sparestock::cost_revision {

SPARESTOCK_WINDOW(w_bj902_001, w_bj704_001)
SPARESTOCK_SCRIPT(w_bj902_001, open, open())
SPARESTOCK_SCRIPT(w_bj902_001, ue_help, ue_help())
SPARESTOCK_SCRIPT(w_bj902_001, f_center, f_center())
SPARESTOCK_SCRIPT(w_bj902_001, wf_save, wf_save())
SPARESTOCK_CONTROL_SCRIPT(w_bj902_001, dw_edit, rowfocuschanged, dw_edit_rowfocuschanged(ui::row_arg(args)))
SPARESTOCK_CONTROL_SCRIPT(w_bj902_001, dw_edit, clicked, dw_edit_clicked(ui::row_arg(args)))
SPARESTOCK_CONTROL_SCRIPT(w_bj902_001, dw_edit, doubleclicked, dw_edit_doubleclicked(ui::row_arg(args)))
SPARESTOCK_CONTROL_SCRIPT(w_bj902_001, dw_edit, rownotmove, dw_edit_rownotmove())
SPARESTOCK_CONTROL_SCRIPT(w_bj902_001, dw_edit, editchanged,
                          dw_edit_editchanged(ui::row_arg(args), ui::args_of(args).column,
                                              ui::args_of(args).data))
SPARESTOCK_CONTROL_SCRIPT(w_bj902_001, rb_3, clicked, rb_3_clicked())
SPARESTOCK_CONTROL_SCRIPT(w_bj902_001, rb_4, clicked, rb_4_clicked())
SPARESTOCK_CONTROL_SCRIPT(w_bj902_001, cb_8, clicked, cb_8_clicked())

}  // namespace sparestock::cost_revision
