#pragma once
// The stock adjustment forms (w_bj701_001 and the clearing dialog w_bj701_001_001) driven
// through the protocol on a small stock of their own. Every row has a purpose, noted beside it.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/lib/module_loader.h"
#include "stock_adjustment/w_bj701_001.h"
#include "tests/scenario.h"

namespace sparestock::test {

inline void seed_stock_adjustment_data(db::Connection& conn) {
  conn.exec_script(R"sql(
    -- Warehouses: two usable, one disabled, one of company 02.
    INSERT INTO dbj003 (cgsh, ckh, ckmc, ltybs) VALUES ('01', '01', '一号库', 0);
    INSERT INTO dbj003 (cgsh, ckh, ckmc, ltybs) VALUES ('01', '02', '二号库', 0);
    INSERT INTO dbj003 (cgsh, ckh, ckmc, ltybs) VALUES ('01', '09', '停用库', 1);
    INSERT INTO dbj003 (cgsh, ckh, ckmc, ltybs) VALUES ('02', '05', '别家库', 0);
    -- Zones belong to no company.
    INSERT INTO dbj004 (ckqh, ckqmc) VALUES ('A1', 'A区');
    INSERT INTO dbj004 (ckqh, ckqmc) VALUES ('B1', 'B区');
    INSERT INTO dbj004 (ckqh, ckqmc) VALUES ('B2', 'B2区');
    INSERT INTO dbj004 (ckqh, ckqmc) VALUES ('B3', 'B3区');

    -- Parts of company 01; Z900 is disabled, Q"1 carries a double quote.
    INSERT INTO dbj002 (cgsh, ccph, ccpmc, ltybs) VALUES ('01', 'A100', '活塞', 0);
    INSERT INTO dbj002 (cgsh, ccph, ccpmc, ltybs) VALUES ('01', 'A200', '活塞环', 0);
    INSERT INTO dbj002 (cgsh, ccph, ccpmc, ltybs) VALUES ('01', 'A300', '机油滤清器', 0);
    INSERT INTO dbj002 (cgsh, ccph, ccpmc, ltybs) VALUES ('01', 'N100', '负锁定件', 0);
    INSERT INTO dbj002 (cgsh, ccph, ccpmc, ltybs) VALUES ('01', 'Q"1', '带引号件', 0);
    INSERT INTO dbj002 (cgsh, ccph, ccpmc, ltybs) VALUES ('01', 'Z900', '停用件', 1);

    -- Locations of company 01.
    -- L-01 holds A100 alone; L-02 holds A200 and A300; L-03 is free; L-05 is disabled but
    -- present (a record may move there); L-06 holds N100 and Q"1.
    INSERT INTO dbj005 (cgsh, ckh, ckqh, ckwh, lzt, ltybs) VALUES ('01', '01', 'A1', 'L-01', 1, 0);
    INSERT INTO dbj005 (cgsh, ckh, ckqh, ckwh, lzt, ltybs) VALUES ('01', '01', 'A1', 'L-02', 1, 0);
    INSERT INTO dbj005 (cgsh, ckh, ckqh, ckwh, lzt, ltybs) VALUES ('01', '01', 'A1', 'L-03', 0, 0);
    INSERT INTO dbj005 (cgsh, ckh, ckqh, ckwh, lzt, ltybs) VALUES ('01', '01', 'A1', 'L-05', 0, 1);
    INSERT INTO dbj005 (cgsh, ckh, ckqh, ckwh, lzt, ltybs) VALUES ('01', '01', 'A1', 'L-06', 1, 0);
    INSERT INTO dbj005 (cgsh, ckh, ckqh, ckwh, lzt, ltybs) VALUES ('01', '01', 'B1', 'L-01', 0, 0);
    -- Empty records in warehouse 02: E-01 holds E100 alone, E-02 holds the empty E200 and
    -- the non-empty E300, E-03 holds E400, E-04 holds E500, which a document lists.
    INSERT INTO dbj005 (cgsh, ckh, ckqh, ckwh, lzt, ltybs) VALUES ('01', '02', 'B1', 'E-01', 1, 0);
    INSERT INTO dbj005 (cgsh, ckh, ckqh, ckwh, lzt, ltybs) VALUES ('01', '02', 'B2', 'E-02', 1, 0);
    INSERT INTO dbj005 (cgsh, ckh, ckqh, ckwh, lzt, ltybs) VALUES ('01', '02', 'B3', 'E-03', 1, 0);
    INSERT INTO dbj005 (cgsh, ckh, ckqh, ckwh, lzt, ltybs) VALUES ('01', '02', 'B3', 'E-04', 1, 0);
    -- Company 02's location of the same name as one of ours.
    INSERT INTO dbj005 (cgsh, ckh, ckqh, ckwh, lzt, ltybs) VALUES ('02', '01', 'A1', 'L-03', 1, 0);

    -- Stock of company 01. A100 can still lock 10 - 2 - 3 = 5; A300 holds 6 locked while only
    -- 4 - 0 - 0 = 4 are available; N100 carries a negative locked quantity.
    INSERT INTO dbj030 (cgsh, ckh, ccph, ckqh, ckwh, nkcsl, nsqsl, nykps, nsdsl) VALUES ('01', '01', 'A100', 'A1', 'L-01', 10, 2, 3, 1);
    INSERT INTO dbj030 (cgsh, ckh, ccph, ckqh, ckwh, nkcsl, nsdsl) VALUES ('01', '01', 'A200', 'A1', 'L-02', 8, 0);
    INSERT INTO dbj030 (cgsh, ckh, ccph, ckqh, ckwh, nkcsl, nsdsl) VALUES ('01', '01', 'A300', 'A1', 'L-02', 4, 6);
    INSERT INTO dbj030 (cgsh, ckh, ccph, ckqh, ckwh, nkcsl, nsdsl) VALUES ('01', '01', 'N100', 'A1', 'L-06', 3, -1);
    INSERT INTO dbj030 (cgsh, ckh, ccph, ckqh, ckwh, nkcsl, nsdsl) VALUES ('01', '01', 'Q"1', 'A1', 'L-06', 2, 0);
    INSERT INTO dbj030 (cgsh, ckh, ccph, ckqh, ckwh) VALUES ('01', '02', 'E100', 'B1', 'E-01');
    INSERT INTO dbj030 (cgsh, ckh, ccph, ckqh, ckwh) VALUES ('01', '02', 'E200', 'B2', 'E-02');
    INSERT INTO dbj030 (cgsh, ckh, ccph, ckqh, ckwh, nkcsl) VALUES ('01', '02', 'E300', 'B2', 'E-02', 5);
    INSERT INTO dbj030 (cgsh, ckh, ccph, ckqh, ckwh) VALUES ('01', '02', 'E400', 'B3', 'E-03');
    INSERT INTO dbj030 (cgsh, ckh, ccph, ckqh, ckwh) VALUES ('01', '02', 'E500', 'B3', 'E-04');
    -- Company 02's empty record: never listed for 01.
    INSERT INTO dbj030 (cgsh, ckh, ccph, ckqh, ckwh) VALUES ('02', '01', 'E100', 'A1', 'L-03');

    -- A receipt of E500 into warehouse 02 (dated in the period), so E500 is never offered.
    INSERT INTO dbj028 (crcdh, cgsh, ckh, drq, clx) VALUES ('R2612', '01', '02', '2026-12-02 09:00:00', 'R');
    INSERT INTO dbj029 (crcdh, nhh, ccph, nsl) VALUES ('R2612', 1, 'E500', 0);
  )sql");
}

inline const bool stock_adjustment_forms_registered = [] {
  lib::load_module();
  return true;
}();

// One stock keeper's session through the protocol (the scenario's own, or another on the same
// database).
class Desk {
 public:
  static constexpr const char* W = "w_bj701_001";

  explicit Desk(driver::Driver& d) : d_(d) {}

  json send(const json& r) { return d_.handle(r); }
  json ok(const json& r) {
    json out = send(r);
    if (!out.value("ok", false)) {
      ADD_FAILURE() << r.dump() << " -> " << out.dump();
      return json::object();
    }
    return out["state"];
  }
  // Logs in for company 01 with the period December 2026.
  void login() {
    ok({{"op", "host"},
        {"globals",
         {{"gs_yhssgsh", "01"},
          {"gs_tsxx", "提示信息"},
          {"gs_title", "配件管理-"},
          {"gs_dq", "一号店-"},
          {"gd_qsrq", "2026-12-01"},
          {"gd_jzrq", "2026-12-31"}}}});
  }
  json open(const std::string& window = W) { return ok({{"op", "open"}, {"window", window}}); }
  json click(const std::string& control, const std::string& window = W) {
    return ok({{"op", "click"}, {"window", window}, {"control", control}});
  }
  json window(const std::string& window = W) {
    json s = ok({{"op", "state"}});
    for (const auto& w : s["windows"])
      if (w["class"] == window) return w;
    return nullptr;
  }
  json control(const std::string& control, const std::string& window = W) {
    json w = this->window(window);
    return w.is_null() ? json() : w["controls"][control];
  }
  json rows(const std::string& control, const std::string& window = W) {
    json out = send({{"op", "rows"}, {"window", window}, {"control", control}, {"count", 1000}});
    return out.value("ok", false) ? out["rows"] : json::array();
  }
  // One column of a grid's rows as shown.
  std::vector<std::string> column(const std::string& control, const std::string& name,
                                  const std::string& window = W) {
    std::vector<std::string> out;
    for (const auto& r : rows(control, window))
      out.push_back(r[name].is_string() ? r[name].get<std::string>() : r[name].dump());
    return out;
  }
  // The row of a part in the list (0 when not shown).
  long row_of(const std::string& part) {
    json list = rows("dw_display");
    for (size_t i = 0; i < list.size(); ++i)
      if (list[i]["ccph"] == part) return static_cast<long>(i + 1);
    return 0;
  }
  // The stock keeper chooses a record in the list, then types into the record's cells.
  json choose(const std::string& part) {
    long row = row_of(part);
    EXPECT_GT(row, 0) << part << " is not listed";
    return ok({{"op", "grid"}, {"window", W}, {"control", "dw_display"}, {"action", "click"}, {"row", row}});
  }
  json edit(const std::string& column, const std::string& value) {
    long row = control("dw_edit")["row"];
    return ok({{"op", "edit"},
               {"window", W},
               {"control", "dw_edit"},
               {"row", row},
               {"column", column},
               {"value", value}});
  }
  // 修改 of the edit menu: store the record.
  json store() { return ok({{"op", "menu"}, {"window", W}, {"item", "m_change"}}); }

 private:
  driver::Driver& d_;
};

class StockAdjustmentScenario : public testing::TestWithParam<db::Backend> {
 protected:
  static constexpr const char* W = "w_bj701_001";
  static constexpr const char* D = "w_bj701_001_001";

  void SetUp() override { seed_stock_adjustment_data(*sc.database().connect()); }

  json open_form() {
    desk.login();
    return desk.open();
  }

  // What the database holds, by a plain query: one "a|b|c" per row, rows joined by "; ".
  // Quantity columns must keep their names (n...): they are shown with two places.
  std::string query(const std::string& sql) {
    auto conn = sc.database().connect();
    auto c = conn->query(sql);
    std::string out;
    while (c->next()) {
      if (!out.empty()) out += "; ";
      for (int i = 0; i < c->column_count(); ++i) {
        if (i > 0) out += "|";
        db::Value v = c->value(i);
        auto d = v.as_decimal(2);
        out += c->column_name(i).starts_with("n") && d ? d->to_string() : v.as_text();
      }
    }
    return out;
  }
  void exec(const std::string& sql) { sc.database().connect()->exec_script(sql); }
  // The place and locked quantity of a record: "ckh/ckqh/ckwh|nsdsl".
  std::string record(const std::string& part, const std::string& ckh = "01") {
    return query(
        "SELECT ckh || '/' || ckqh || '/' || ckwh AS place, nsdsl FROM dbj030 WHERE cgsh = '01' AND ckh = '" +
        ckh + "' AND ccph = '" + part + "'");
  }
  // lzt of a location of company 01.
  std::string lzt(const std::string& ckh, const std::string& ckqh, const std::string& ckwh) {
    return query("SELECT lzt FROM dbj005 WHERE cgsh = '01' AND ckh = '" + ckh + "' AND ckqh = '" + ckqh +
                 "' AND ckwh = '" + ckwh + "'");
  }
  static std::vector<std::string> texts(const json& state) {
    std::vector<std::string> out;
    for (const auto& m : state["messages"]) out.push_back(m["text"]);
    return out;
  }
  // A row trigger made by the test: `timing` ("BEFORE UPDATE", "AFTER INSERT"), `when` the
  // condition on NEW/OLD (empty: always), and the statement it runs in each backend's dialect
  // (PostgreSQL's in a plpgsql function).
  void trigger(const std::string& name, const std::string& table, const std::string& timing,
               const std::string& when, const std::string& sqlite_statement, const std::string& pg_statement) {
    if (GetParam() == db::Backend::Sqlite) {
      exec("CREATE TRIGGER " + name + " " + timing + " ON " + table + (when.empty() ? "" : " WHEN " + when) +
           " BEGIN " + sqlite_statement + "; END;");
    } else {
      exec("CREATE FUNCTION " + name + "_f() RETURNS trigger AS $$ BEGIN " + pg_statement +
           "; RETURN NEW; END $$ LANGUAGE plpgsql; CREATE TRIGGER " + name + " " + timing + " ON " + table +
           " FOR EACH ROW" + (when.empty() ? "" : " WHEN (" + when + ")") + " EXECUTE FUNCTION " + name +
           "_f();");
    }
  }
  // A trigger that refuses the statement with `message`.
  void refuse_in_trigger(const std::string& name, const std::string& table, const std::string& event,
                         const std::string& when, const std::string& message) {
    trigger(name, table, "BEFORE " + event, when, "SELECT RAISE(ABORT, '" + message + "')",
            "RAISE EXCEPTION '" + message + "'");
  }

  Scenario sc{GetParam(), /*seeded=*/false};
  Desk desk{sc.driver()};
};

}  // namespace sparestock::test
