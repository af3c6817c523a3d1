#include "host/lib/global_functions.h"

#include <fmt/format.h>

#include <algorithm>

#include "host/base/text.h"
#include "host/db/clock.h"
#include "host/ui/controls.h"

namespace sparestock::lib {

std::vector<std::string> split_names(const std::string& list) {
  std::vector<std::string> names = text::split_list(list);
  std::erase(names, std::string());
  return names;
}

long f_table_retrieve(const std::string& columns, const std::vector<db::Value>& values, grid::Grid& grid) {
  std::vector<std::string> names = split_names(columns);
  if (names.size() != values.size()) return -1;
  if (values.size() != grid.definition().arguments.size()) return -1;
  for (const auto& n : names)
    if (grid.column_index(n) < 0) return -1;
  return grid.retrieve(values);
}

long f_table_retrieve(const std::string& columns, const std::vector<db::Value>& values,
                      ui::GridControl& grid) {
  return f_table_retrieve(columns, values, grid.grid);
}

int f_primarykey_notchange(const std::string& keys, bool may_change, grid::Grid& grid) {
  std::vector<std::string> names = split_names(keys);
  std::string modification;
  for (const auto& n : names) {
    int index = grid.column_index(n);
    if (index < 0) return -1;
    // modify() takes the column's own name; the key list may use another spelling of it.
    modification += fmt::format("{}{}.protect={}", modification.empty() ? "" : " ",
                                grid.definition().columns[index].name, may_change ? 0 : 1);
  }
  if (modification.empty()) return 1;
  return grid.modify(modification).empty() ? 1 : -1;
}

int f_primarykey_notchange(const std::string& keys, bool may_change, ui::GridControl& grid) {
  return f_primarykey_notchange(keys, may_change, grid.grid);
}

long f_select_current_row(grid::Grid& grid) {
  grid.selectrow(0, false);
  long row = grid.getrow();
  if (row < 1) return 0;
  grid.scrolltorow(row);
  grid.selectrow(row, true);
  return row;
}

long f_select_current_row(ui::GridControl& grid) { return f_select_current_row(grid.grid); }

long scrollpriorrow(grid::Grid& grid) {
  long row = grid.getrow();
  if (row > 1) grid.scrolltorow(row - 1);
  return grid.getrow();
}

long scrollnextrow(grid::Grid& grid) {
  long row = grid.getrow();
  if (row >= 1 && row < grid.rowcount()) grid.scrolltorow(row + 1);
  return grid.getrow();
}

long step_current_row(grid::Grid& grid, RowStep step) {
  long rows = grid.rowcount();
  if (rows == 0) return 0;
  switch (step) {
    case RowStep::First: grid.scrolltorow(1); break;
    case RowStep::Prior: scrollpriorrow(grid); break;
    case RowStep::Next: scrollnextrow(grid); break;
    case RowStep::Last: grid.scrolltorow(rows); break;
  }
  return f_select_current_row(grid);
}

int f_aotocenter(ui::Window& window) {
  const ui::Session& s = window.session();
  int screen_width = ui::pixelstounits(s.screen_width, ui::PixelConversion::XPixelsToUnits);
  int screen_height = ui::pixelstounits(s.screen_height, ui::PixelConversion::YPixelsToUnits);
  window.x = std::max(0, (screen_width - window.width) / 2);
  window.y = std::max(0, (screen_height - window.height) / 2);
  return 1;
}

int f_kjrqssny(ui::Session& session, const std::string& company, const std::optional<db::DateTime>& date) {
  if (text::trim(company).empty() || !date) return -1;
  ui::Globals& g = session.globals();
  g.gs_kjn = fmt::format("{:04d}", date->year());
  g.gs_kjy = fmt::format("{:02d}", date->month());
  return 1;
}

int f_kjrqjy(ui::Session& session, const std::string& company) {
  if (text::trim(company).empty()) return -1;
  ui::Globals& g = session.globals();
  db::DateTime today = g.gd_xtrq ? *g.gd_xtrq : db::now();
  int year = today.year(), month = today.month();
  // A session without a database keeps no settings and follows the calendar.
  std::string kept;
  if (session.sqlca.connected()) {
    auto setting = session.sqlca.select_row("select cdqkjny from dzz001 where cgsh = :gsh",
                                            {{"gsh", company}});
    if (session.sqlca.sqlcode == -1) return -1;
    if (setting) kept = text::trim((*setting)[0].as_text());
  }
  if (!kept.empty()) {
    // 'YYYYMM'; anything else is a broken setting, and no period is better than a wrong one.
    bool digits = kept.size() == 6 &&
                  std::all_of(kept.begin(), kept.end(), [](char c) { return c >= '0' && c <= '9'; });
    if (!digits) return -1;
    year = std::stoi(kept.substr(0, 4));
    month = std::stoi(kept.substr(4, 2));
    if (year < 1900 || month < 1 || month > 12) return -1;
  }
  g.gd_zxrq = db::DateTime::from_parts(year, month, 1);
  f_kjrqssny(session, company, g.gd_zxrq);
  return 1;
}

int f_fxpzh(ui::Session& session, const std::optional<db::DateTime>& date, const std::string& voucher_word,
            long number) {
  ui::Globals& g = session.globals();
  if (number < 1 || !date || text::trim(voucher_word).empty() || text::trim(g.gs_yhssgsh).empty()) return -1;
  // The period of the voucher date, without disturbing the globals the caller reads.
  std::string year = fmt::format("{:04d}", date->year());
  std::string month = fmt::format("{:02d}", date->month());
  db::DateTime first = db::DateTime::from_parts(date->year(), date->month(), 1);
  db::DateTime next = date->month() == 12 ? db::DateTime::from_parts(date->year() + 1, 1, 1)
                                          : db::DateTime::from_parts(date->year(), date->month() + 1, 1);
  db::Transaction& t = session.sqlls;
  const db::HostVariables period{{"gsh", g.gs_yhssgsh}, {"kjn", year}, {"kjy", month}, {"pzz", voucher_word}};
  auto with_number = [&](db::HostVariables vars) {
    vars.emplace_back("pzh", db::Value(static_cast<int64_t>(number)));
    return vars;
  };

  // Only a number the period has issued can come back.
  auto highest = t.select_row(
      "select nzdpzh from dzz007 where cgsh = :gsh and ckjn = :kjn and ckjy = :kjy and cpzz = :pzz", period);
  if (t.sqlcode != 0 || !highest || (*highest)[0].as_integer().value_or(0) < number) return -1;
  // A number a stored voucher carries is in use.
  auto used = t.select_row(
      "select count(*) from dzz0031 where cgsh = :gsh and cpzz = :pzz and npzh = :pzh "
      "and dpzrq >= :d1 and dpzrq < :d2",
      with_number({{"gsh", g.gs_yhssgsh}, {"pzz", voucher_word}, {"d1", first}, {"d2", next}}));
  if (t.sqlcode != 0 || !used || (*used)[0].as_integer().value_or(0) > 0) return -1;
  auto vacant = t.select_row(
      "select count(*) from dzz008 where cgsh = :gsh and ckjn = :kjn and ckjy = :kjy and "
      "cpzz = :pzz and npzh = :pzh",
      with_number(period));
  if (t.sqlcode != 0 || !vacant) return -1;
  if ((*vacant)[0].as_integer().value_or(0) > 0) return 1;

  t.execute("insert into dzz008 (cgsh, ckjn, ckjy, cpzz, npzh) values (:gsh, :kjn, :kjy, :pzz, :pzh)",
            with_number(period));
  if (t.sqlcode != 0) {
    t.rollback();
    return -1;
  }
  if (t.commit() != 0) {
    t.rollback();
    return -1;
  }
  return 1;
}

}  // namespace sparestock::lib
