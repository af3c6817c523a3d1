#include "host/lib/w_spmm.h"

#include <fmt/format.h>

#include "host/grid/expression.h"
#include "host/lib/global_functions.h"
#include "host/lib/help.h"
#include "host/lib/host_library.h"
#include "host/lib/menus.h"
#include "host/lib/w_cx.h"
#include "host/lib/w_main.h"
#include "host/lib/w_sort.h"

namespace sparestock::lib {

namespace {

// A value as a literal of the grid expression language (for finding a row by its key).
std::string expression_literal(const db::Value& v) {
  switch (v.kind()) {
    case db::ValueKind::Null: return "";
    case db::ValueKind::Integer:
    case db::ValueKind::Real:
    case db::ValueKind::Decimal: return v.as_text();
    case db::ValueKind::Text: return grid::quote_literal(v.text());
    case db::ValueKind::DateTime: return "datetime(" + grid::quote_literal(v.datetime().iso()) + ")";
  }
  return "";
}

}  // namespace

w_spmm::w_spmm(ui::Session& session, std::string class_name, ui::WindowType type)
    : Window(session, std::move(class_name), type) {
  register_host_library();
  menu = std::make_unique<m_module>(*this);
  on_user_event("ue_query", [this] { ue_query(); });
  on_user_event("ue_add", [this] { ue_add(); });
  on_user_event("ue_delete", [this] { ue_delete(); });
  on_user_event("ue_save", [this] { ue_save(); });
  on_user_event("ue_cancel", [this] { ue_cancel(); });
  on_user_event("ue_sort", [this] { ue_sort(); });
  on_user_event("ue_help", [this] { ue_help(); });
  on_user_event("ue_getfocus", [this] { ue_getfocus(); });
  on_user_event("ue_first", [this] { ue_first(); });
  on_user_event("ue_last", [this] { ue_last(); });
  on_user_event("ue_next", [this] { ue_next(); });
  on_user_event("ue_end", [this] { ue_end(); });

  // A write the database refuses is told with the database's own text, whichever command
  // wrote; a form that handles dberror itself replaces this.
  for (ui::GridControl* g : {&dw_edit, &dw_display}) {
    g->dberror = [this](const grid::DbErrorEvent& e) {
      ii_dberrorcode = e.sqldbcode != 0 ? static_cast<int>(e.sqldbcode) : -1;
      ++dberrors_shown_;
      ui::Session& s = this->session();
      s.messagebox(s.globals().gs_tsxx, "数据库错误：" + e.sqlerrtext, ui::Icon::StopSign);
      return 1L;
    };
  }
  // A row chosen in the list becomes the edited record's row too, so that a store always
  // works on the record the user sees. Only grids that share their rows have the same row
  // numbers; the form's own rowfocuschanged handler runs after this.
  auto inherited = dw_display.grid.events.rowfocuschanged;
  dw_display.grid.events.rowfocuschanged = [this, inherited](long row) {
    if (row > 0 && dw_display.grid.shares_with(dw_edit.grid) && dw_edit.grid.getrow() != row)
      dw_edit.grid.setrow(row);
    if (inherited) inherited(row);
  };
}

void w_spmm::open() {
  dw_edit.grid.settransobject(session().sqlca);
  dw_display.grid.settransobject(session().sqlca);
  w_main(session()).show_form(title);
}

int w_spmm::closequery() {
  if (!edit_has_changes()) return 0;
  int answer = session().messagebox(session().globals().gs_tsxx, "数据已修改，是否保存？", ui::Icon::Question,
                                    ui::Buttons::YesNoCancel);
  if (answer == 2) return 0;
  if (answer == 3) return 1;
  ue_save();
  return ib_savesuccess ? 0 : 1;
}

void w_spmm::close() { w_main(session()).restore_title(); }

void w_spmm::activate() { w_main(session()).show_form(title); }

ui::GridControl& w_spmm::list_grid() { return dw_display.grid.dataobject().empty() ? dw_edit : dw_display; }

bool w_spmm::edit_writable() const {
  return !dw_edit.grid.readonly() && !dw_edit.grid.definition().update_table.empty() &&
         dw_edit.grid.transaction() != nullptr;
}

bool w_spmm::edit_has_changes() {
  if (!edit_writable()) return false;
  dw_edit.grid.accepttext();
  return dw_edit.grid.modifiedcount() > 0 || dw_edit.grid.deletedcount() > 0;
}

void w_spmm::ue_query() { query_with_conditions(*this, list_grid()); }

void w_spmm::ue_sort() { sort_with_dialog(*this, list_grid(), is_tablename); }

void w_spmm::ue_help() { f_open_help(session(), 0); }

void w_spmm::ue_first() { step_current_row(list_grid().grid, RowStep::First); }

void w_spmm::ue_last() { step_current_row(list_grid().grid, RowStep::Prior); }

void w_spmm::ue_next() { step_current_row(list_grid().grid, RowStep::Next); }

void w_spmm::ue_end() { step_current_row(list_grid().grid, RowStep::Last); }

void w_spmm::ue_add() {
  if (!edit_writable()) return;
  grid::Grid& g = dw_edit.grid;
  long row = g.insertrow(0);
  if (row < 1) return;
  g.scrolltorow(row);
  f_select_current_row(g);
  if (!is_primarykey.empty()) f_primarykey_notchange(is_primarykey, true, g);
  if (!is_first_colname.empty()) g.setcolumn(is_first_colname);
  dw_edit.setfocus();
  ib_add = true;
  ib_modify = false;
}

void w_spmm::ue_delete() {
  if (!edit_writable()) return;
  grid::Grid& g = dw_edit.grid;
  long row = g.getrow();
  if (row < 1) return;
  const ui::Globals& gl = session().globals();
  if (session().messagebox(gl.gs_tsxx, "确定要删除当前记录吗？", ui::Icon::Question, ui::Buttons::YesNo, 2) !=
      1)
    return;
  db::Transaction& t = session().sqlca;
  g.deleterow(row);
  long told = dberrors_shown_;
  if (g.update() == 1 && t.commit() == 0) {
    ii_dberrorcode = 0;
    f_select_current_row(g);
    return;
  }
  ii_dberrorcode = t.sqldbcode != 0 ? static_cast<int>(t.sqldbcode) : -1;
  std::string reason = t.sqlerrtext.empty() ? g.last_error() : t.sqlerrtext;
  t.rollback();
  // A statement the database refused has been told through dberror already.
  if (dberrors_shown_ == told) session().messagebox(gl.gs_tsxx, "删除失败：" + reason, ui::Icon::StopSign);
  // The grid shows the records as they stand in the database again.
  ue_cancel();
}

void w_spmm::ue_save() { ue_getfocus(); }

void w_spmm::ue_getfocus() {
  if (!edit_writable()) return;
  grid::Grid& g = dw_edit.grid;
  if (g.accepttext() != 1) return;
  if (g.modifiedcount() == 0 && g.deletedcount() == 0) {
    ib_savesuccess = true;
    return;
  }
  db::Transaction& t = session().sqlca;
  long told = dberrors_shown_;
  if (g.update() != 1 || t.commit() != 0) {
    ib_savesuccess = false;
    ii_dberrorcode = t.sqldbcode != 0 ? static_cast<int>(t.sqldbcode) : -1;
    std::string reason = t.sqlerrtext.empty() ? g.last_error() : t.sqlerrtext;
    t.rollback();
    // A statement the database refused has been told through dberror already.
    if (dberrors_shown_ == told)
      session().messagebox(session().globals().gs_tsxx, "保存失败：" + reason, ui::Icon::StopSign);
    return;
  }
  ib_savesuccess = true;
  ii_dberrorcode = 0;
  if (ib_add && ib_issynchrosave) {
    ib_synchrosavedone = true;
    mf_synchro_save(dw_edit);
    ib_synchrosavedone = false;
  }
  if (ib_add && !is_primarykey.empty()) f_primarykey_notchange(is_primarykey, false, g);
  ib_add = false;
  ib_modify = false;
}

void w_spmm::ue_cancel() {
  if (!edit_writable()) return;
  grid::Grid& g = dw_edit.grid;
  long row = g.getrow();
  g.retrieve(g.arguments());
  if (g.rowcount() > 0) g.scrolltorow(std::min(std::max(row, 1L), g.rowcount()));
  f_select_current_row(g);
  if (ib_add && !is_primarykey.empty()) f_primarykey_notchange(is_primarykey, false, g);
  ib_add = false;
  ib_modify = false;
}

int w_spmm::mf_synchro_save(ui::GridControl& source) {
  if (&source == &dw_display || source.grid.shares_with(dw_display.grid)) return 1;
  grid::Grid& from = source.grid;
  grid::Grid& to = dw_display.grid;
  long row = from.getrow();
  if (row < 1) return -1;

  // The display row with the same key, or a new one.
  std::string condition;
  for (const std::string& key : split_names(is_primarykey)) {
    if (to.column_index(key) < 0 || from.column_index(key) < 0) continue;
    auto value = from.getitem(row, key);
    if (!value || value->is_null()) continue;
    condition += (condition.empty() ? "" : " and ") + key + " = " + expression_literal(*value);
  }
  long target = condition.empty() ? 0 : to.find(condition, 1, to.rowcount());
  if (target < 1) target = to.insertrow(0);
  if (target < 1) return -1;
  for (const auto& column : to.definition().columns) {
    if (from.column_index(column.name) < 0) continue;
    if (auto value = from.getitem(row, column.name)) to.setitem(target, column.name, *value);
  }

  if (to.definition().update_table.empty() || to.readonly() || !to.transaction()) {
    to.resetupdate();
  } else {
    db::Transaction& t = *to.transaction();
    if (to.update() != 1 || t.commit() != 0) {
      ii_dberrorcode = t.sqldbcode != 0 ? static_cast<int>(t.sqldbcode) : -1;
      t.rollback();
      return -1;
    }
  }
  to.scrolltorow(target);
  f_select_current_row(to);
  return 1;
}

int w_spmm::f_aotocenter() { return lib::f_aotocenter(*this); }

}  // namespace sparestock::lib
