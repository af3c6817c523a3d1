#pragma once
// w_spmm: the host's editing form. An edit grid `dw_edit` (the record being edited, or the
// list itself in read-only forms), a display grid `dw_display` (the list of records), a group
// box `gb_1`, the menu m_module, and the standard user events that the menu raises:
//
//   ue_query     the query-condition form w_cx on the list grid; its answer becomes the list's
//                filter ("没有符合条件的记录" and the filter cleared when no row passes)
//   ue_sort      the sort form w_sort on the list grid (columns of is_tablename first)
//   ue_add       a new row at the end of dw_edit, current, keys open for typing; ib_add true
//   ue_delete    after "确定要删除当前记录吗？" (yes/no) the current row of dw_edit is deleted
//                and written, committed or rolled back
//   ue_getfocus  stores dw_edit: accepttext, update, commit (rollback and a message on
//                failure); ib_savesuccess, ii_dberrorcode; mf_synchro_save when ib_add and
//                ib_issynchrosave; keys protected again
//   ue_save      raises ue_getfocus, so that a form whose ue_getfocus stores its own way is
//                saved by the save command too
//   ue_cancel    drops unsaved changes of dw_edit: it is retrieved again with its arguments
//   ue_help      f_open_help(0), the help index
//   ue_first, ue_last, ue_next, ue_end
//                the current row of the list grid to the first, previous, next or last row,
//                highlighted alone (the grid's rowfocuschanged runs)
//
// The record commands (add, delete, store, cancel) do nothing while dw_edit is read-only or
// its grid writes no table, and the menu shows them disabled then (can_edit).
//
// A statement of a grid write that the database refuses is told through the grid's dberror
// ("数据库错误：" + the database's text, ii_dberrorcode set) unless the form handles dberror
// itself. When the two grids share their rows, the row that becomes current in dw_display
// becomes current in dw_edit as well, before the form's own rowfocuschanged runs. The list
// grid of query, sort and navigation is dw_display when it holds a grid definition, else
// dw_edit (list_grid).
//
// A descendant extends an event by overriding it and calling the ancestor's first
// (`void ue_sort() override { is_tablename = "dbj030"; w_spmm::ue_sort(); }`) or replaces it
// by not calling it. The same holds for open and close, which set and restore the frame title
// (gs_title + gs_dq + the form's title), and closequery, which asks "数据已修改，是否保存？"
// (yes: save, no: close without saving, cancel: stay) when dw_edit holds unsaved changes.

#include <string>
#include <vector>

#include "host/db/value.h"
#include "host/ui/grid_control.h"
#include "host/ui/session.h"
#include "host/ui/window.h"

namespace sparestock::lib {

class w_spmm : public ui::Window {
 public:
  w_spmm(ui::Session& session, std::string class_name, ui::WindowType type = ui::WindowType::Child);

  ui::GridControl dw_edit{*this, "dw_edit"};
  ui::GridControl dw_display{*this, "dw_display"};
  ui::GroupBox gb_1{*this, "gb_1", ""};

  // ---- settings a form gives its ancestor ----
  std::string is_tablename;                       // table of the rows the sort offers first
  std::string is_primarykey;                      // "cgsh , ckh , ccph": key columns of dw_edit
  std::string is_retrievecolumnstring;            // "cgsh": columns dw_edit is retrieved by
  std::vector<db::Value> ia_retrievecolumnvalue;  // their values
  std::string is_first_colname;                   // first column typed into a new record
  std::string is_last_colname;                    // last column of a record
  bool ib_add = false;                            // a new record is being added
  bool ib_modify = false;                         // the record was changed
  bool ib_issynchrosave = false;                  // a stored new record is copied to dw_display
  bool ib_synchrosavedone = false;                // set while that copy runs
  bool ib_savesuccess = false;                    // the last store succeeded
  bool ib_haveempty = false;                      // the last store found a required column empty
  int ii_dberrorcode = 0;                         // database code of the last failed store; 0

  // ---- events ----
  void open() override;
  int closequery() override;
  void close() override;
  // The frame shows the form's title again when it comes back to the front.
  void activate() override;
  bool can_edit() const override { return edit_writable(); }

  virtual void ue_query();
  virtual void ue_add();
  virtual void ue_delete();
  virtual void ue_save();
  virtual void ue_cancel();
  virtual void ue_sort();
  virtual void ue_help();
  virtual void ue_getfocus();
  virtual void ue_first();
  virtual void ue_last();
  virtual void ue_next();
  virtual void ue_end();

  // ---- window functions ----
  // After a new record was stored through `source`, brings dw_display in line with it: the
  // row of dw_display with the same key (is_primarykey) gets the source's current row, column
  // by column name (a new row when there is none); when dw_display writes a table of its own
  // it is updated and committed, otherwise its copy is marked unchanged. Grids that share
  // their rows need no copy. 1, or -1 (no current row in `source`, or the write failed: rolled
  // back, ii_dberrorcode set).
  virtual int mf_synchro_save(ui::GridControl& source);
  // Centres the form on the screen.
  virtual int f_aotocenter();

 protected:
  // The grid query, sort and the navigation act on: dw_display when it holds a grid
  // definition, else dw_edit; a form whose list is another grid overrides it.
  virtual ui::GridControl& list_grid();
  // dw_edit can store records: not read-only, and its grid writes a table.
  bool edit_writable() const;
  // dw_edit holds changes not yet written (after accepting the text being typed).
  bool edit_has_changes();

 private:
  long dberrors_shown_ = 0;  // database refusals told through the grids' dberror so far
};

}  // namespace sparestock::lib
