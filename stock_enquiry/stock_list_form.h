#pragma once
// What the stock status enquiry (w_bj704_001_001) and the zero-stock enquiry (w_bj704_001_003)
// change of the stock enquiry w_bj704_001 alike: they list stock for browsing and printing and
// never hand a row back. The list is sorted by main group and read-only; the search uses the
// expressions of variant B; double-click, Enter and typing in the grid do nothing; a row
// becoming current is highlighted and a click writes the row-count status; the matching rule
// buttons re-sort the list instead of searching again; the category button searches in mode 5.

#include <string>

#include "stock_enquiry/w_bj704_001.h"

namespace sparestock::stock_enquiry {

class stock_list_form : public w_bj704_001 {
 public:
  stock_list_form(ui::Session& session, std::string class_name);

  void open() override;  // extends

  void dw_edit_doubleclicked(long row) override;  // replaces: nothing
  void dw_edit_rownotmove() override;             // replaces: nothing
  void dw_edit_editchanged(long row, const std::string& column, const std::string& data);
  void dw_edit_rowfocuschanged(long currentrow) override;  // extends
  void dw_edit_clicked(long row) override;                 // extends
  void cb_5_clicked() override;                            // extends
  void rb_3_clicked() override;                            // replaces
  void rb_4_clicked() override;                            // replaces

  void gg() override;  // variant B
};

}  // namespace sparestock::stock_enquiry
