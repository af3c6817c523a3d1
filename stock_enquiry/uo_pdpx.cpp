#include "stock_enquiry/uo_pdpx.h"

#include <stdexcept>

namespace sparestock::stock_enquiry {

uo_pdpx::uo_pdpx(ui::Window& parent, const std::string& name)
    : st_1(parent, name + ".st_1", "排序类型"),
      gb_1(parent, name + ".gb_1", ""),
      rb_1(parent, name + ".rb_1", "按库位", true),
      rb_2(parent, name + ".rb_2", "按备件号") {
  st_1.place(14, 8, 229, 64);
  gb_1.place(251, 0, 571, 96);
  rb_1.place(278, 28, 247, 64);
  rb_2.place(544, 28, 265, 64);
  rb_1.group = rb_2.group = &gb_1;
  // The runtime binds rb_1 and rb_2 to the scripts below through the module's entry points.
  parent.add_user_object(name, "uo_pdpx", this);
}

void uo_pdpx::rb_1_clicked() { sort_by(kByLocation); }

void uo_pdpx::rb_2_clicked() { sort_by(kByPart); }

void uo_pdpx::sort_by(const char* sort_list) {
  if (!dw_1) return;
  if (dw_1->grid.setsort(sort_list) != 1)
    throw std::logic_error("the grid " + dw_1->name() +
                           " cannot be sorted by location or part: " + dw_1->grid.last_error());
  dw_1->grid.sort();
}

}  // namespace sparestock::stock_enquiry
