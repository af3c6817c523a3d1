#pragma once
// The pick-list button beside a code field: it opens the host's pick list and copies the
// chosen code into the field.
//
//   pb_1.clicked = [this] { common::pick_button(sle_1, common::parts_list(gs_yhssgsh, lib::f_popcx)); };
//
// The where clauses are built when the button is clicked, from the company number of that
// moment, with the company quoted as a SQL literal.

#include <string>

#include "host/ui/controls.h"
#include "host/ui/session.h"

namespace sparestock::common {

using PickFunction = std::string (*)(ui::Session&, const std::string& table, const std::string& columns,
                                     const std::string& headings, const std::string& return_column,
                                     const std::string& fifth, const std::string& where);

// One pick-list call: the function and its six arguments in order.
struct PickCall {
  PickFunction function = nullptr;
  std::string table, columns, headings, return_column, fifth, where;
};

// Calls the pick list. An empty answer gives `target` the focus and keeps its text; otherwise
// the answer becomes the field's text and the field gets the focus. True when a code was
// chosen (the caller may then change its captions).
bool pick_button(ui::SingleLineEdit& target, PickFunction function, const std::string& table,
                 const std::string& columns, const std::string& headings, const std::string& return_column,
                 const std::string& fifth, const std::string& where);
bool pick_button(ui::SingleLineEdit& target, const PickCall& call);

// "cgsh='<company>'" with the company quoted, and the same with " and ltybs = 0" for lists
// that leave disabled codes out.
std::string company_where(const std::string& company);
std::string company_enabled_where(const std::string& company);

// The lists the forms open. `enabled_only` leaves disabled codes out.
PickCall category_list(const std::string& company, bool enabled_only);       // dbj001
PickCall vehicle_model_list(const std::string& company, bool enabled_only);  // dxl002
PickCall parts_list(const std::string& company, PickFunction function);      // dbj002
PickCall warehouse_list(const std::string& company, bool enabled_only);      // dbj003
PickCall zone_list();                                                        // dbj004, any company

}  // namespace sparestock::common
