#pragma once
// w_bj701_001: stock special adjustment (库存特殊调整). The stock keeper corrects single
// stock records of the company by hand: the locked quantity and the zone and location of the
// part. dw_edit (d_bj701_001) holds the company's records, dw_display (d_bj701_002) shows the
// same rows as a read-only list with totals; the row chosen in the list is the record edited.
//
// Storing (ue_getfocus, the menu's 修改/保存) checks every record about to be written, the
// current one and any other changed one, in row order: locked quantity not negative, warehouse,
// location and zone filled in, the location present in dbj005, and a changed locked quantity
// not above what the stock can spare. Then the records are written and the location states
// follow the moves (the new location occupied, the old one freed when no record is left on
// it), all in one unit of work: committed whole, or rolled back with the reason shown.
//
// The user types into the zone, the location and the locked quantity; company, warehouse and
// part are the record's key and stay protected, and the stock quantity is the documents' to
// change, not this form's. The form neither adds nor deletes records.
//
// It also filters the list by warehouse, zone, location and part (cb_1, or the query form),
// restores the period's stock figures through sp_kcyzx (cb_2) and opens the clearing of empty
// locations (cb_3).

#include <optional>
#include <string>
#include <vector>

#include "host/db/decimal.h"
#include "host/grid/grid.h"
#include "host/lib/w_spmm.h"
#include "host/ui/controls.h"
#include "stock_adjustment/locations.h"

namespace sparestock::stock_adjustment {

class w_bj701_001 : public lib::w_spmm {
 public:
  explicit w_bj701_001(ui::Session& session);

  // ---- controls, in the order of the window's control list (dw_edit, dw_display and gb_1
  //      come from w_spmm) ----
  ui::StaticText st_1{*this, "st_1", "库号"};
  ui::SingleLineEdit sle_1{*this, "sle_1", 2, /*uppercase=*/true};
  ui::CommandButton pb_1{*this, "pb_1", "", ui::ControlKind::PictureButton};
  ui::StaticText st_2{*this, "st_2", "备件号"};
  ui::SingleLineEdit sle_2{*this, "sle_2", 20, /*uppercase=*/true};
  ui::CommandButton pb_2{*this, "pb_2", "", ui::ControlKind::PictureButton};
  ui::StaticText st_3{*this, "st_3", "库区"};
  ui::SingleLineEdit sle_3{*this, "sle_3", 2, /*uppercase=*/true};
  ui::CommandButton pb_3{*this, "pb_3", "", ui::ControlKind::PictureButton};
  ui::StaticText st_4{*this, "st_4", "库位"};
  ui::SingleLineEdit sle_4{*this, "sle_4", 10, /*uppercase=*/true};
  ui::CommandButton pb_4{*this, "pb_4", "", ui::ControlKind::PictureButton};
  ui::CommandButton cb_1{*this, "cb_1", "查询(&1)"};
  ui::CommandButton cb_2{*this, "cb_2", "库存数据恢复(&2)"};
  ui::CommandButton cb_3{*this, "cb_3", "清除空库位"};
  ui::GroupBox gb_2{*this, "gb_2", ""};

  // ---- window events ----
  void open() override;
  void ue_getfocus() override;
  void ue_query() override;
  void ue_sort() override;
  void ue_help() override;
  // The form neither adds nor deletes stock records: both do nothing.
  void ue_add() override;
  void ue_delete() override;

  // ---- control events ----
  long dw_edit_itemchanged(long row, const std::string& column, const std::string& data);
  long dw_display_clicked(long row);
  long dw_display_rowfocuschanged(long currentrow);
  // Key-down in the filter fields: F9 opens the field's pick list, Enter checks the code.
  void sle_1_ue_enter(ui::Key key);
  void sle_2_ue_enter(ui::Key key);
  void sle_3_ue_press(ui::Key key);
  void sle_4_ue_press(ui::Key key);
  void pb_1_clicked();
  void pb_2_clicked();
  void pb_3_clicked();
  void pb_4_clicked();
  void cb_1_clicked();
  void cb_2_clicked();
  void cb_3_clicked();

  // ---- window functions ----
  // true: browse state (list enabled, keys protected, ib_add false); false: the other state.
  void mm(bool ab);

 private:
  // A stock record about to be written: where it lies in dw_edit and the place it moves from
  // and to (when it moves).
  struct Record {
    grid::Buffer buffer = grid::Buffer::Primary;
    long row = 0;
    std::optional<Place> moved_from, moved_to;
  };
  // The records a store writes: the current row and every other changed row, in row order
  // (rows hidden by a filter after the shown ones).
  std::vector<Record> records_to_store();
  // The checks of one record before it is written; false after telling the user why (the
  // record's row made current and the column set, when it is shown).
  bool check_record(Record& record);
  // The location states follow the records' moves, after the records were written. "" when
  // done, else the message of the step that failed.
  std::string follow_moves(const std::vector<Record>& records);
  // Shows a check's message about a record: its row becomes current in both grids and the
  // column is set, so the user sees what the message is about.
  void refuse(const Record& record, const std::string& column, const std::string& message);
  // Shows the database's text after a statement failed.
  void database_failed(const std::string& text);
  // The company number of the user.
  const std::string& company() const;
};

}  // namespace sparestock::stock_adjustment
