// Entry points of the stock enquiry forms and the sort selector: each object and each of its
// scripts declared once; the build numbers them (docs/entry_points.md).

#include "common/entries.h"
#include "stock_enquiry/uo_pdpx.h"
#include "stock_enquiry/w_bj704_001.h"
#include "stock_enquiry/w_bj704_001_001.h"
#include "stock_enquiry/w_bj704_001_003.h"
#include "stock_enquiry/w_bj704_002.h"

namespace sparestock::stock_enquiry {

SPARESTOCK_WINDOW(w_bj704_001, w_spmm)
SPARESTOCK_SCRIPT(w_bj704_001, open, open())
SPARESTOCK_SCRIPT(w_bj704_001, close, close())
SPARESTOCK_SCRIPT(w_bj704_001, ue_query, ue_query())
SPARESTOCK_SCRIPT(w_bj704_001, ue_sort, ue_sort())
SPARESTOCK_SCRIPT(w_bj704_001, ue_help, ue_help())
SPARESTOCK_SCRIPT(w_bj704_001, gg, gg())
SPARESTOCK_SCRIPT(w_bj704_001, cete, cete())
SPARESTOCK_CONTROL_SCRIPT(w_bj704_001, dw_edit, rowfocuschanged, dw_edit_rowfocuschanged(ui::row_arg(args)))
SPARESTOCK_CONTROL_SCRIPT(w_bj704_001, dw_edit, clicked, dw_edit_clicked(ui::row_arg(args)))
SPARESTOCK_CONTROL_SCRIPT(w_bj704_001, dw_edit, doubleclicked, dw_edit_doubleclicked(ui::row_arg(args)))
SPARESTOCK_CONTROL_SCRIPT(w_bj704_001, dw_edit, rownotmove, dw_edit_rownotmove())
SPARESTOCK_CONTROL_SCRIPT(w_bj704_001, cb_1, clicked, cb_1_clicked())
SPARESTOCK_CONTROL_SCRIPT(w_bj704_001, cb_2, clicked, cb_2_clicked())
SPARESTOCK_CONTROL_SCRIPT(w_bj704_001, cb_3, clicked, cb_3_clicked())
SPARESTOCK_CONTROL_SCRIPT(w_bj704_001, cb_4, clicked, cb_4_clicked())
SPARESTOCK_CONTROL_SCRIPT(w_bj704_001, cb_5, clicked, cb_5_clicked())
SPARESTOCK_CONTROL_SCRIPT(w_bj704_001, cb_6, clicked, cb_6_clicked())
SPARESTOCK_CONTROL_SCRIPT(w_bj704_001, cb_7, clicked, cb_7_clicked())
SPARESTOCK_CONTROL_SCRIPT(w_bj704_001, sle_1, ue_press, sle_1_ue_enter(ui::key_arg(args)))
SPARESTOCK_CONTROL_SCRIPT(w_bj704_001, cb_10, clicked, cb_10_clicked())
SPARESTOCK_CONTROL_SCRIPT(w_bj704_001, pb_1, clicked, pb_1_clicked())
SPARESTOCK_CONTROL_SCRIPT(w_bj704_001, ddlb_1, selectionchanged,
                          ddlb_1_selectionchanged(ui::args_of(args).index))
SPARESTOCK_CONTROL_SCRIPT(w_bj704_001, rb_1, clicked, rb_1_clicked())
SPARESTOCK_CONTROL_SCRIPT(w_bj704_001, rb_2, clicked, rb_2_clicked())
SPARESTOCK_CONTROL_SCRIPT(w_bj704_001, rb_3, clicked, rb_3_clicked())
SPARESTOCK_CONTROL_SCRIPT(w_bj704_001, rb_4, clicked, rb_4_clicked())

// What the two stock list forms change of the stock enquiry alike (stock_list_form).
SPARESTOCK_SHARED_CONTROL_SCRIPT(stock_list_form, dw_edit, rowfocuschanged,
                                 dw_edit_rowfocuschanged(ui::row_arg(args)))
SPARESTOCK_SHARED_CONTROL_SCRIPT(stock_list_form, dw_edit, clicked, dw_edit_clicked(ui::row_arg(args)))
SPARESTOCK_SHARED_CONTROL_SCRIPT(stock_list_form, dw_edit, doubleclicked,
                                 dw_edit_doubleclicked(ui::row_arg(args)))
SPARESTOCK_SHARED_CONTROL_SCRIPT(stock_list_form, dw_edit, rownotmove, dw_edit_rownotmove())
SPARESTOCK_SHARED_CONTROL_SCRIPT(stock_list_form, dw_edit, editchanged,
                                 dw_edit_editchanged(ui::row_arg(args), ui::args_of(args).column,
                                                     ui::args_of(args).data))
SPARESTOCK_SHARED_CONTROL_SCRIPT(stock_list_form, cb_5, clicked, cb_5_clicked())
SPARESTOCK_SHARED_CONTROL_SCRIPT(stock_list_form, rb_3, clicked, rb_3_clicked())
SPARESTOCK_SHARED_CONTROL_SCRIPT(stock_list_form, rb_4, clicked, rb_4_clicked())

SPARESTOCK_WINDOW(w_bj704_001_001, w_bj704_001)
SPARESTOCK_SCRIPT(w_bj704_001_001, open, open())
SPARESTOCK_SCRIPT(w_bj704_001_001, gg, gg())
SPARESTOCK_SHARES(w_bj704_001_001, stock_list_form)
SPARESTOCK_CONTROL_SCRIPT(w_bj704_001_001, cb_8, clicked, cb_8_clicked())
SPARESTOCK_CONTROL_SCRIPT(w_bj704_001_001, cb_9, clicked, cb_9_clicked())
SPARESTOCK_CONTROL_SCRIPT(w_bj704_001_001, cb_11, clicked, cb_11_clicked())
SPARESTOCK_CONTROL_SCRIPT(w_bj704_001_001, cb_12, clicked, cb_12_clicked())
SPARESTOCK_CONTROL_SCRIPT(w_bj704_001_001, cb_13, clicked, cb_13_clicked())

SPARESTOCK_WINDOW(w_bj704_001_003, w_bj704_001)
SPARESTOCK_SCRIPT(w_bj704_001_003, open, open())
SPARESTOCK_SCRIPT(w_bj704_001_003, close, close())
SPARESTOCK_SCRIPT(w_bj704_001_003, gg, gg())
SPARESTOCK_SHARES(w_bj704_001_003, stock_list_form)
SPARESTOCK_CONTROL_SCRIPT(w_bj704_001_003, cb_8, clicked, cb_8_clicked())
SPARESTOCK_CONTROL_SCRIPT(w_bj704_001_003, cb_9, clicked, cb_9_clicked())

SPARESTOCK_WINDOW(w_bj704_002, w_small)
SPARESTOCK_SCRIPT(w_bj704_002, open, open())
SPARESTOCK_SCRIPT(w_bj704_002, f_aotocenter, f_aotocenter())
SPARESTOCK_CONTROL_SCRIPT(w_bj704_002, sle_1, ue_press, sle_1_ue_press(ui::key_arg(args)))
SPARESTOCK_CONTROL_SCRIPT(w_bj704_002, pb_1, clicked, pb_1_clicked())

SPARESTOCK_USEROBJECT(uo_pdpx)
SPARESTOCK_CONTROL_SCRIPT(uo_pdpx, rb_1, clicked, rb_1_clicked())
SPARESTOCK_CONTROL_SCRIPT(uo_pdpx, rb_2, clicked, rb_2_clicked())

SPARESTOCK_STRUCTURE(s_bj704_001)

}  // namespace sparestock::stock_enquiry
