// Entry points of the cost price revision form. Object numbers of the whole module are listed
// in docs/entry_points.md.

#include "cost_revision/w_bj902_001.h"
#include "host/ui/module_entry.h"

namespace sparestock::cost_revision {

// A script that runs a handler of the form and answers 0.
#define SCRIPT(object, control, script, call)            \
  SPARESTOCK_ENTRY(object, control, script) {            \
    ui::self_as<w_bj902_001>(self).call;                 \
    return 0;                                            \
  }

// Control numbers: those of w_bj704_001 (1 dw_edit .. 21 rb_4), then the form's own
// 22 cb_8  23 dw_scpz  24 dw_1. Handlers not listed are the stock enquiry's.

SPARESTOCK_OBJECT(w_bj902_001, "window", "w_bj704_001", 8, {0, 0, "", "create"}, {0, 1, "", "open"},
                  {0, 2, "", "ue_help"}, {0, 3, "", "f_center"}, {0, 4, "", "wf_save"},
                  {1, 1, "dw_edit", "rowfocuschanged"}, {1, 2, "dw_edit", "clicked"},
                  {1, 3, "dw_edit", "doubleclicked"}, {1, 4, "dw_edit", "rownotmove"},
                  {1, 5, "dw_edit", "editchanged"}, {20, 1, "rb_3", "clicked"},
                  {21, 1, "rb_4", "clicked"}, {22, 1, "cb_8", "clicked"})
SPARESTOCK_ENTRY(8, 0, 0) { return ui::created(new w_bj902_001(ui::session_arg(args))); }
SCRIPT(8, 0, 1, open())
SCRIPT(8, 0, 2, ue_help())
SPARESTOCK_ENTRY(8, 0, 3) { return ui::self_as<w_bj902_001>(self).f_center(); }
SPARESTOCK_ENTRY(8, 0, 4) { return ui::self_as<w_bj902_001>(self).wf_save() ? 1 : 0; }
SCRIPT(8, 1, 1, dw_edit_rowfocuschanged(ui::row_arg(args)))
SCRIPT(8, 1, 2, dw_edit_clicked(ui::row_arg(args)))
SCRIPT(8, 1, 3, dw_edit_doubleclicked(ui::row_arg(args)))
SCRIPT(8, 1, 4, dw_edit_rownotmove())
SCRIPT(8, 1, 5, dw_edit_editchanged(ui::row_arg(args), ui::args_of(args).column, ui::args_of(args).data))
SCRIPT(8, 20, 1, rb_3_clicked())
SCRIPT(8, 21, 1, rb_4_clicked())
SCRIPT(8, 22, 1, cb_8_clicked())

}  // namespace sparestock::cost_revision
