#include "stock_adjustment/locations.h"

#include <algorithm>

#include "host/base/text.h"
#include "host/lib/pick_list.h"
#include "host/lib/sql_literal.h"

namespace sparestock::stock_adjustment {

namespace {

// Text between double quotes as a literal of the grid expression language: ~ escapes the
// quote characters and itself.
std::string double_quoted(const std::string& text) {
  std::string out = "\"";
  for (char c : text) {
    if (c == '~' || c == '"' || c == '\'') out += '~';
    out += c;
  }
  return out + "\"";
}

db::HostVariables place_variables(const std::string& company, const Place& place) {
  return {{"gsh", db::Value(company)},
          {"kh", db::Value(place.ckh)},
          {"kqh", db::Value(place.ckqh)},
          {"kwh", db::Value(place.ckwh)}};
}

}  // namespace

std::string location_filter(const std::string& ckh, const std::string& ckqh, const std::string& ckwh,
                            const std::string& ccph) {
  std::string filter = " 1=1 ";
  const std::pair<const char*, const std::string*> pieces[] = {
      {" and ckh=", &ckh}, {" and ckqh=", &ckqh}, {" and ckwh=", &ckwh}, {" and ccph=", &ccph}};
  for (const auto& [piece, text] : pieces)
    if (!text->empty()) filter += piece + double_quoted(*text);
  return filter;
}

int place_filter_field(ui::StaticText& label, ui::SingleLineEdit& field, ui::CommandButton& help, int x,
                       int y, int label_width, int field_width) {
  label.place(x, y + 12, label_width, 72);
  field.place(x + label_width, y, field_width, 88);
  help.place(x + label_width + field_width + 10, y - 6, 101, 100);
  help.picture = "locate.bmp";
  return x + label_width + field_width + 150;
}

bool filter_field_key(ui::Session& session, ui::Key key, const std::function<void()>& pick,
                      common::CodeKind kind, const std::string& text) {
  if (key == ui::Key::F9) pick();
  if (key != ui::Key::Enter) return false;
  return common::check_code(session, kind, std::string(text::trim(text)));
}

common::PickCall location_list(const std::string& company, const std::string& headings,
                               const std::string& ckh, const std::string& ckqh) {
  std::string where = common::company_enabled_where(company);
  if (!ckh.empty()) where += " and ckh=" + lib::sql_literal(ckh);
  if (!ckqh.empty()) where += " and ckqh=" + lib::sql_literal(ckqh);
  return {lib::f_popcx, "dbj005", "ckh,ckqh,ckwh,lzt", headings, "ckwh", "", where};
}

db::Decimal lockable_quantity(const db::Decimal& nkcsl, const db::Decimal& nsqsl, const db::Decimal& nykps) {
  return nkcsl - nsqsl - nykps;
}

long lock_locations(db::Transaction& t, const std::string& company, std::vector<Place> places) {
  std::sort(places.begin(), places.end());
  places.erase(std::unique(places.begin(), places.end()), places.end());
  for (const Place& p : places) {
    t.execute(
        "update dbj005 set lzt = lzt where cgsh = :gsh and ckh = :kh and ckqh = :kqh "
        "and ckwh = :kwh",
        place_variables(company, p));
    if (t.sqlcode != 0) return t.sqlcode;
  }
  return 0;
}

long free_location_if_empty(db::Transaction& t, const std::string& company, const Place& place) {
  return t.execute(
      "update dbj005 set lzt = 0 where cgsh = :gsh and ckh = :kh and ckqh = :kqh and ckwh = :kwh "
      "and not exists (select 1 from dbj030 where dbj030.cgsh = :gsh and dbj030.ckh = :kh and "
      "dbj030.ckqh = :kqh and dbj030.ckwh = :kwh)",
      place_variables(company, place));
}

long occupy_location(db::Transaction& t, const std::string& company, const Place& place) {
  return t.execute("update dbj005 set lzt = 1 where cgsh = :gsh and ckh = :kh and ckqh = :kqh and ckwh = :kwh",
                   place_variables(company, place));
}

}  // namespace sparestock::stock_adjustment
