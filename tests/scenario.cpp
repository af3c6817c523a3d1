#include "tests/scenario.h"

namespace sparestock::test {

void seed_scenario_data(db::Connection& conn) {
  conn.exec_script(R"sql(
    -- Categories: one usable, one disabled, one of another company.
    INSERT INTO dbj001 (cgsh, cflh, cflmc, ltybs) VALUES ('01', 'A01', '发动机', 0);
    INSERT INTO dbj001 (cgsh, cflh, cflmc, ltybs) VALUES ('01', 'A02', '旧分类', 1);
    INSERT INTO dbj001 (cgsh, cflh, cflmc, ltybs) VALUES ('02', 'B01', '别家分类', 0);

    -- Parts of company 01.
    INSERT INTO dbj002 (cgsh, ccph, ccpmc, cpym, ltybs) VALUES ('01', 'JL01 0112', '活塞', 'HS', 0);
    -- Contains 'JL01 0112': a search for that number leaves two rows, the exact one is chosen.
    INSERT INTO dbj002 (cgsh, ccph, ccpmc, cpym, ltybs) VALUES ('01', 'JL01 01123', '活塞销', 'HSX', 0);
    INSERT INTO dbj002 (cgsh, ccph, ccpmc, cpym, ltybs) VALUES ('01', 'JL01 0113', '活塞环', 'HSH', 0);
    INSERT INTO dbj002 (cgsh, ccph, ccpmc, cpym, ltybs) VALUES ('01', 'JL02 0200', '机油滤清器', 'JYLQQ', 0);
    -- Lower-case letters: found by a search typed in upper case.
    INSERT INTO dbj002 (cgsh, ccph, ccpmc, cpym, ltybs) VALUES ('01', 'jx-7', '小写件号', 'XXJH', 0);
    -- A quote in the part number: searched and picked as plain text.
    INSERT INTO dbj002 (cgsh, ccph, ccpmc, cpym, ltybs) VALUES ('01', 'QT''1', '带引号件', 'DYHJ', 0);
    -- Disabled: listed in the pick list, refused by the existence check.
    INSERT INTO dbj002 (cgsh, ccph, ccpmc, cpym, ltybs) VALUES ('01', 'XX99', '停用件', 'TYJ', 1);
    -- Company 02: the same number as one of 01's and a number of its own; never shown to 01.
    INSERT INTO dbj002 (cgsh, ccph, ccpmc, cpym, ltybs) VALUES ('02', 'JL01 0112', '别家活塞', 'BJHS', 0);
    INSERT INTO dbj002 (cgsh, ccph, ccpmc, cpym, ltybs) VALUES ('02', 'ZZ01', '别家件', 'BJJ', 0);

    -- Warehouses: two usable, one disabled, one of company 02.
    INSERT INTO dbj003 (cgsh, ckh, ckmc, ltybs) VALUES ('01', '01', '一号库', 0);
    INSERT INTO dbj003 (cgsh, ckh, ckmc, ltybs) VALUES ('01', '02', '二号库', 0);
    INSERT INTO dbj003 (cgsh, ckh, ckmc, ltybs) VALUES ('01', '09', '停用库', 1);
    INSERT INTO dbj003 (cgsh, ckh, ckmc, ltybs) VALUES ('02', '05', '别家库', 0);

    -- Zones belong to no company.
    INSERT INTO dbj004 (ckqh, ckqmc) VALUES ('A1', 'A区');
    INSERT INTO dbj004 (ckqh, ckqmc) VALUES ('B1', 'B区');

    -- Locations: one usable, one disabled, one of company 02.
    INSERT INTO dbj005 (cgsh, ckh, ckqh, ckwh, lzt, ltybs) VALUES ('01', '01', 'A1', 'A1-01', 1, 0);
    INSERT INTO dbj005 (cgsh, ckh, ckqh, ckwh, lzt, ltybs) VALUES ('01', '01', 'A1', 'A1-02', 0, 1);
    INSERT INTO dbj005 (cgsh, ckh, ckqh, ckwh, lzt, ltybs) VALUES ('02', '05', 'B1', 'B1-01', 1, 0);

    -- Vehicle models: one usable, one disabled, one of company 02.
    INSERT INTO dxl002 (cgsh, ccxh, ccxmc, ltybs) VALUES ('01', 'J1', '解放', 0);
    INSERT INTO dxl002 (cgsh, ccxh, ccxmc, ltybs) VALUES ('01', 'J9', '旧车型', 1);
    INSERT INTO dxl002 (cgsh, ccxh, ccxmc, ltybs) VALUES ('02', 'D1', '东风', 0);

    -- Stock of company 01, inserted in neither location nor part order; the same part in two
    -- warehouses tells a sort by part from a sort by location.
    INSERT INTO dbj030 (cgsh, ckh, ccph, ckqh, ckwh, nkcsl) VALUES ('01', '02', 'JL01 0112', 'A1', 'A1-01', 5);
    INSERT INTO dbj030 (cgsh, ckh, ccph, ckqh, ckwh, nkcsl) VALUES ('01', '01', 'JL02 0200', 'B1', 'B1-03', 2);
    INSERT INTO dbj030 (cgsh, ckh, ccph, ckqh, ckwh, nkcsl) VALUES ('01', '01', 'JL01 0113', 'A1', 'A1-02', 0);
    INSERT INTO dbj030 (cgsh, ckh, ccph, ckqh, ckwh, nkcsl) VALUES ('01', '01', 'JL01 0112', 'A1', 'A1-05', 7);
    INSERT INTO dbj030 (cgsh, ckh, ccph, ckqh, ckwh, nkcsl) VALUES ('02', '05', 'ZZ01', 'B1', 'B1-01', 1);
  )sql");
}

namespace {

std::unique_ptr<db::Connection> seeded(const TestDatabase& tdb) {
  auto conn = tdb.connect();
  seed_scenario_data(*conn);
  return conn;
}

}  // namespace

Scenario::Scenario(db::Backend backend, bool seeded_data) : tdb_(backend), driver_(tdb_.target()) {
  if (seeded_data) seeded(tdb_);
}

json Scenario::send(const json& request) { return driver_.handle(request); }

json Scenario::ok(const json& request) {
  json out = send(request);
  if (!out.value("ok", false)) {
    ADD_FAILURE() << request.dump() << " -> " << out.dump();
    return json::object();
  }
  return out["state"];
}

std::string Scenario::error(const json& request) {
  json out = send(request);
  if (out.value("ok", true)) {
    ADD_FAILURE() << "expected a refusal: " << request.dump();
    return {};
  }
  return out.value("error", "");
}

json Scenario::state() { return ok({{"op", "state"}}); }

void Scenario::login(const std::string& company, bool autoanswer) {
  ok({{"op", "host"},
      {"globals", {{"gs_yhssgsh", company}, {"gs_yhdm", "001"}, {"gs_yhmc", "张三"}, {"gs_tsxx", "提示信息"}}},
      {"autoanswer", autoanswer}});
}

json Scenario::open(const std::string& window) { return ok({{"op", "open"}, {"window", window}}); }

json Scenario::type(const std::string& window, const std::string& control, const std::string& value) {
  return ok({{"op", "text"}, {"window", window}, {"control", control}, {"value", value}});
}

json Scenario::key(const std::string& window, const std::string& control, const std::string& key) {
  return ok({{"op", "key"}, {"window", window}, {"control", control}, {"key", key}});
}

json Scenario::click(const std::string& window, const std::string& control) {
  return ok({{"op", "click"}, {"window", window}, {"control", control}});
}

json Scenario::pick(const std::string& value) { return ok({{"op", "pick"}, {"value", value}}); }

json Scenario::window(const std::string& window) {
  json s = state();
  if (s.contains("windows"))
    for (auto it = s["windows"].rbegin(); it != s["windows"].rend(); ++it)
      if ((*it)["class"] == window || std::to_string((*it)["id"].get<int>()) == window) return *it;
  ADD_FAILURE() << "no open window " << window;
  return nullptr;
}

json Scenario::control(const std::string& window_name, const std::string& control) {
  json w = window(window_name);
  if (w.is_null()) return nullptr;
  if (!w["controls"].contains(control)) {
    ADD_FAILURE() << "window " << window_name << " has no control " << control;
    return nullptr;
  }
  return w["controls"][control];
}

std::string Scenario::text(const std::string& window, const std::string& control) {
  json c = this->control(window, control);
  return c.is_null() ? std::string() : c["text"].get<std::string>();
}

std::vector<std::string> Scenario::window_classes() {
  std::vector<std::string> out;
  json s = state();  // held: a loop over a member of a temporary would read freed memory
  for (const auto& w : s["windows"]) out.push_back(w["class"]);
  return out;
}

json Scenario::rows(const std::string& window, const std::string& control, long count) {
  json out = send({{"op", "rows"}, {"window", window}, {"control", control}, {"count", count}});
  if (!out.value("ok", false)) {
    ADD_FAILURE() << "rows of " << window << "." << control << ": " << out.dump();
    return json::array();
  }
  return out["rows"];
}

std::vector<std::string> Scenario::column(const std::string& window, const std::string& control,
                                          const std::string& column) {
  std::vector<std::string> out;
  for (const auto& row : rows(window, control)) {
    const json& v = row.contains(column) ? row[column] : json();
    out.push_back(v.is_null() ? "" : v.is_string() ? v.get<std::string>() : v.dump());
  }
  return out;
}

std::string Scenario::microhelp() { return state()["frame"]["microhelp"]; }

}  // namespace sparestock::test
