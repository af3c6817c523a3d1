// Entry points of the stock enquiry forms and the sort selector. Object numbers of the whole
// module are listed in docs/entry_points.md.

#include "host/ui/module_entry.h"
#include "stock_enquiry/uo_pdpx.h"
#include "stock_enquiry/w_bj704_002.h"

namespace sparestock::stock_enquiry {

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
