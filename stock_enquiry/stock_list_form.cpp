#include "stock_enquiry/stock_list_form.h"

#include "common/row_count_status.h"

namespace sparestock::stock_enquiry {

stock_list_form::stock_list_form(ui::Session& session, std::string class_name)
    : w_bj704_001(session, std::move(class_name)) {}

void stock_list_form::open() {
  w_bj704_001::open();
  resort("mid(dbj030_ccph,5,4) A");
  dw_edit.grid.modify("grid.readonly=yes");
}

void stock_list_form::dw_edit_doubleclicked(long) {}

void stock_list_form::dw_edit_rownotmove() {}

void stock_list_form::dw_edit_editchanged(long, const std::string&, const std::string&) {}

void stock_list_form::dw_edit_rowfocuschanged(long currentrow) {
  w_bj704_001::dw_edit_rowfocuschanged(currentrow);
  highlight_current_row(currentrow);
}

void stock_list_form::dw_edit_clicked(long row) {
  w_bj704_001::dw_edit_clicked(row);
  common::status_on_clicked(dw_edit, row);
}

void stock_list_form::cb_5_clicked() {
  w_bj704_001::cb_5_clicked();
  xlh = 5;
}

void stock_list_form::rb_3_clicked() { resort("dbj030_ccph A"); }

void stock_list_form::rb_4_clicked() { resort("mid(dbj030_ccph,5,20) A"); }

void stock_list_form::gg() { search(Variant::B); }

}  // namespace sparestock::stock_enquiry
