#pragma once
// uo_pdpx: the sort selector. Two radio buttons in a group box that re-sort a grid by location
// or by part number. The form places it and assigns the grid:
//
//   uo_pdpx uo_1{*this, "uo_1"};          // member of the form
//   uo_1.dw_1 = &dw_edit;                 // in the form's open
//
// Its controls belong to the form's window under the names "<name>.st_1", "<name>.gb_1",
// "<name>.rb_1" and "<name>.rb_2", so that they never clash with the form's own st_1 or gb_1.
// It does not sort when created: the grid keeps its order until a button is clicked, although
// rb_1 shows as chosen. With no grid assigned a click only moves the check mark.

#include <string>

#include "host/ui/controls.h"
#include "host/ui/grid_control.h"
#include "host/ui/window.h"

namespace sparestock::stock_enquiry {

class uo_pdpx {
 public:
  uo_pdpx(ui::Window& parent, const std::string& name = "uo_pdpx");
  uo_pdpx(const uo_pdpx&) = delete;
  uo_pdpx& operator=(const uo_pdpx&) = delete;

  static constexpr const char* kByLocation = "cgsh a,ckh a,ckqh a,ckwh a,ccph a";
  static constexpr const char* kByPart = "cgsh a,ccph a";

  ui::GridControl* dw_1 = nullptr;

  ui::StaticText st_1;
  ui::GroupBox gb_1;
  ui::RadioButton rb_1;
  ui::RadioButton rb_2;

  void rb_1_clicked();
  void rb_2_clicked();

 private:
  void sort_by(const char* sort_list);
};

}  // namespace sparestock::stock_enquiry
