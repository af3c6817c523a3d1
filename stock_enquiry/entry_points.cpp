// Entry points of the stock enquiry forms and the sort selector. Object numbers of the whole
// module are listed in docs/entry_points.md.

#include "host/ui/module_entry.h"
#include "stock_enquiry/uo_pdpx.h"
#include "stock_enquiry/w_bj704_001.h"
#include "stock_enquiry/w_bj704_001_001.h"
#include "stock_enquiry/w_bj704_001_003.h"
#include "stock_enquiry/w_bj704_002.h"

namespace sparestock::stock_enquiry {

// A script that runs a handler of form `Class` and answers 0.
#define SCRIPT(object, control, script, Class, call) \
  SPARESTOCK_ENTRY(object, control, script) {        \
    auto& w = ui::self_as<Class>(self);              \
    w.call;                                          \
    return 0;                                        \
  }

// Control numbers of the stock enquiry form and its descendants: the ancestor's grids and
// group box first, then the form's controls in their order, then each descendant's own.
//   1 dw_edit  2 dw_display  3 gb_1  4-10 cb_1..cb_7  11 sle_1  12 cb_10  13 st_1  14 pb_1
//   15 st_2  16 ddlb_1  17 gb_2  18 rb_1  19 rb_2  20 rb_3  21 rb_4
//   w_bj704_001_001: 22 cb_8  23 dw_1  24 cb_9  25 cb_11  26 dw_2  27 cb_12  28 cb_13
//   w_bj704_001_003: 22 cb_8  23 cb_9

SPARESTOCK_OBJECT(w_bj704_001, "window", "w_spmm", 1, {0, 0, "", "create"}, {0, 1, "", "open"},
                  {0, 2, "", "close"}, {0, 3, "", "ue_query"}, {0, 4, "", "ue_sort"},
                  {0, 5, "", "ue_help"}, {0, 6, "", "gg"}, {0, 7, "", "cete"},
                  {1, 1, "dw_edit", "rowfocuschanged"}, {1, 2, "dw_edit", "clicked"},
                  {1, 3, "dw_edit", "doubleclicked"}, {1, 4, "dw_edit", "rownotmove"},
                  {4, 1, "cb_1", "clicked"}, {5, 1, "cb_2", "clicked"}, {6, 1, "cb_3", "clicked"},
                  {7, 1, "cb_4", "clicked"}, {8, 1, "cb_5", "clicked"}, {9, 1, "cb_6", "clicked"},
                  {10, 1, "cb_7", "clicked"}, {11, 1, "sle_1", "ue_press"}, {12, 1, "cb_10", "clicked"},
                  {14, 1, "pb_1", "clicked"}, {16, 1, "ddlb_1", "selectionchanged"},
                  {18, 1, "rb_1", "clicked"}, {19, 1, "rb_2", "clicked"}, {20, 1, "rb_3", "clicked"},
                  {21, 1, "rb_4", "clicked"})
SPARESTOCK_ENTRY(1, 0, 0) { return ui::created(new w_bj704_001(ui::session_arg(args))); }
SCRIPT(1, 0, 1, w_bj704_001, open())
SCRIPT(1, 0, 2, w_bj704_001, close())
SCRIPT(1, 0, 3, w_bj704_001, ue_query())
SCRIPT(1, 0, 4, w_bj704_001, ue_sort())
SCRIPT(1, 0, 5, w_bj704_001, ue_help())
SCRIPT(1, 0, 6, w_bj704_001, gg())
SPARESTOCK_ENTRY(1, 0, 7) { return ui::self_as<w_bj704_001>(self).cete(); }
SCRIPT(1, 1, 1, w_bj704_001, dw_edit_rowfocuschanged(ui::row_arg(args)))
SCRIPT(1, 1, 2, w_bj704_001, dw_edit_clicked(ui::row_arg(args)))
SCRIPT(1, 1, 3, w_bj704_001, dw_edit_doubleclicked(ui::row_arg(args)))
SCRIPT(1, 1, 4, w_bj704_001, dw_edit_rownotmove())
SCRIPT(1, 4, 1, w_bj704_001, cb_1_clicked())
SCRIPT(1, 5, 1, w_bj704_001, cb_2_clicked())
SCRIPT(1, 6, 1, w_bj704_001, cb_3_clicked())
SCRIPT(1, 7, 1, w_bj704_001, cb_4_clicked())
SCRIPT(1, 8, 1, w_bj704_001, cb_5_clicked())
SCRIPT(1, 9, 1, w_bj704_001, cb_6_clicked())
SCRIPT(1, 10, 1, w_bj704_001, cb_7_clicked())
SCRIPT(1, 11, 1, w_bj704_001, sle_1_ue_enter(ui::key_arg(args)))
SCRIPT(1, 12, 1, w_bj704_001, cb_10_clicked())
SCRIPT(1, 14, 1, w_bj704_001, pb_1_clicked())
SCRIPT(1, 16, 1, w_bj704_001, ddlb_1_selectionchanged(ui::args_of(args).index))
SCRIPT(1, 18, 1, w_bj704_001, rb_1_clicked())
SCRIPT(1, 19, 1, w_bj704_001, rb_2_clicked())
SCRIPT(1, 20, 1, w_bj704_001, rb_3_clicked())
SCRIPT(1, 21, 1, w_bj704_001, rb_4_clicked())

// The scripts the two stock list forms share (stock_list_form), with the same numbers in both.
#define LIST_FORM_SCRIPTS                                                              \
  {1, 1, "dw_edit", "rowfocuschanged"}, {1, 2, "dw_edit", "clicked"},                  \
      {1, 3, "dw_edit", "doubleclicked"}, {1, 4, "dw_edit", "rownotmove"},             \
      {1, 5, "dw_edit", "editchanged"}, {8, 1, "cb_5", "clicked"}, {20, 1, "rb_3", "clicked"}, \
      {21, 1, "rb_4", "clicked"}
#define LIST_FORM_ENTRIES(object, Class)                                                       \
  SCRIPT(object, 1, 1, Class, dw_edit_rowfocuschanged(ui::row_arg(args)))                     \
  SCRIPT(object, 1, 2, Class, dw_edit_clicked(ui::row_arg(args)))                             \
  SCRIPT(object, 1, 3, Class, dw_edit_doubleclicked(ui::row_arg(args)))                       \
  SCRIPT(object, 1, 4, Class, dw_edit_rownotmove())                                           \
  SCRIPT(object, 1, 5, Class,                                                                 \
         dw_edit_editchanged(ui::row_arg(args), ui::args_of(args).column, ui::args_of(args).data)) \
  SCRIPT(object, 8, 1, Class, cb_5_clicked())                                                 \
  SCRIPT(object, 20, 1, Class, rb_3_clicked())                                                \
  SCRIPT(object, 21, 1, Class, rb_4_clicked())

SPARESTOCK_OBJECT(w_bj704_001_001, "window", "w_bj704_001", 2, {0, 0, "", "create"},
                  {0, 1, "", "open"}, {0, 2, "", "gg"}, LIST_FORM_SCRIPTS, {22, 1, "cb_8", "clicked"},
                  {24, 1, "cb_9", "clicked"}, {25, 1, "cb_11", "clicked"}, {27, 1, "cb_12", "clicked"},
                  {28, 1, "cb_13", "clicked"})
SPARESTOCK_ENTRY(2, 0, 0) { return ui::created(new w_bj704_001_001(ui::session_arg(args))); }
SCRIPT(2, 0, 1, w_bj704_001_001, open())
SCRIPT(2, 0, 2, w_bj704_001_001, gg())
LIST_FORM_ENTRIES(2, w_bj704_001_001)
SCRIPT(2, 22, 1, w_bj704_001_001, cb_8_clicked())
SCRIPT(2, 24, 1, w_bj704_001_001, cb_9_clicked())
SCRIPT(2, 25, 1, w_bj704_001_001, cb_11_clicked())
SCRIPT(2, 27, 1, w_bj704_001_001, cb_12_clicked())
SCRIPT(2, 28, 1, w_bj704_001_001, cb_13_clicked())

SPARESTOCK_OBJECT(w_bj704_001_003, "window", "w_bj704_001", 3, {0, 0, "", "create"},
                  {0, 1, "", "open"}, {0, 2, "", "close"}, {0, 3, "", "gg"}, LIST_FORM_SCRIPTS,
                  {22, 1, "cb_8", "clicked"}, {23, 1, "cb_9", "clicked"})
SPARESTOCK_ENTRY(3, 0, 0) { return ui::created(new w_bj704_001_003(ui::session_arg(args))); }
SCRIPT(3, 0, 1, w_bj704_001_003, open())
SCRIPT(3, 0, 2, w_bj704_001_003, close())
SCRIPT(3, 0, 3, w_bj704_001_003, gg())
LIST_FORM_ENTRIES(3, w_bj704_001_003)
SCRIPT(3, 22, 1, w_bj704_001_003, cb_8_clicked())
SCRIPT(3, 23, 1, w_bj704_001_003, cb_9_clicked())

SPARESTOCK_OBJECT(w_bj704_002, "window", "w_small", 4, {0, 0, "", "create"}, {0, 1, "", "open"},
                  {0, 2, "", "f_aotocenter"}, {2, 1, "sle_1", "ue_press"}, {3, 1, "pb_1", "clicked"})
SPARESTOCK_ENTRY(4, 0, 0) { return ui::created(new w_bj704_002(ui::session_arg(args))); }
SPARESTOCK_ENTRY(4, 0, 1) {
  ui::self_as<w_bj704_002>(self).open();
  return 0;
}
SPARESTOCK_ENTRY(4, 0, 2) { return ui::self_as<w_bj704_002>(self).f_aotocenter(); }
SPARESTOCK_ENTRY(4, 2, 1) {
  ui::self_as<w_bj704_002>(self).sle_1_ue_press(ui::key_arg(args));
  return 0;
}
SPARESTOCK_ENTRY(4, 3, 1) {
  ui::self_as<w_bj704_002>(self).pb_1_clicked();
  return 0;
}

SPARESTOCK_OBJECT(uo_pdpx, "userobject", "", 12, {0, 0, "", "create"}, {0, 1, "", "destroy"},
                  {3, 1, "rb_1", "clicked"}, {4, 1, "rb_2", "clicked"})
SPARESTOCK_ENTRY(12, 0, 0) {
  const auto& place = *static_cast<ui::UserObjectCreate*>(args);
  return ui::created<uo_pdpx>(new uo_pdpx(*place.parent, place.name));
}
SPARESTOCK_ENTRY(12, 0, 1) {
  delete &ui::self_as<uo_pdpx, uo_pdpx>(self);
  return 0;
}
SPARESTOCK_ENTRY(12, 3, 1) {
  ui::self_as<uo_pdpx, uo_pdpx>(self).rb_1_clicked();
  return 0;
}
SPARESTOCK_ENTRY(12, 4, 1) {
  ui::self_as<uo_pdpx, uo_pdpx>(self).rb_2_clicked();
  return 0;
}

}  // namespace sparestock::stock_enquiry
