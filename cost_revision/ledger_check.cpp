#include "cost_revision/ledger_check.h"

#include <fmt/format.h>

#include <map>
#include <set>
#include <tuple>

namespace sparestock::cost_revision {

namespace {

constexpr const char* kRevisionSummary = "修改备件成本单价";

// A voucher's identity: date, word, number.
using VoucherKey = std::tuple<std::string, std::string, int64_t>;
// Its period and word with the number: what the numbering tables speak of.
using NumberKey = std::tuple<std::string, std::string, std::string, int64_t>;  // year, month, word, number

struct Line {
  std::string summary, account;
  db::Decimal amount;
  int64_t side = 0;
  bool operator==(const Line&) const = default;
};

struct Voucher {
  bool header = false;
  std::map<int64_t, Line> lines;
};

using Journal = std::map<VoucherKey, Voucher>;

std::string name_of(const VoucherKey& k) {
  return fmt::format("{} {} {}", std::get<1>(k), std::get<2>(k), std::get<0>(k));
}

db::Decimal decimal_of(const db::Value& v) { return v.as_decimal(2).value_or(db::Decimal(0, 2)); }

std::string date_of(const db::Value& v) {
  return v.kind() == db::ValueKind::DateTime ? v.datetime().iso() : v.as_text();
}

class Reader {
 public:
  Reader(db::Transaction& t, const std::string& company) : t_(t), company_(company) {}
  std::string error;

  // Runs a query restricted to the company (":gsh") and hands each row to `row`.
  template <class F>
  void each(const std::string& tsql, F row) {
    if (!error.empty()) return;
    auto c = t_.open_cursor(tsql, {{"gsh", company_}});
    if (!c) {
      error = t_.sqlerrtext;
      return;
    }
    try {
      std::vector<db::Value> values;
      while (c->next()) {
        values.clear();
        for (int i = 0; i < c->column_count(); ++i) values.push_back(c->value(i));
        row(values);
      }
    } catch (const std::exception& e) {
      error = e.what();
    }
  }

  Journal journal(const char* header_table, const char* line_table, const char* number) {
    Journal j;
    each(fmt::format("select dpzrq, cpzz, {} from {} where cgsh = :gsh", number, header_table),
         [&](const std::vector<db::Value>& v) {
           j[{date_of(v[0]), v[1].as_text(), v[2].as_integer().value_or(0)}].header = true;
         });
    each(fmt::format("select dpzrq, cpzz, {}, nhh, czy, ckm, nje, ljdbs from {} where cgsh = :gsh", number,
                     line_table),
         [&](const std::vector<db::Value>& v) {
           j[{date_of(v[0]), v[1].as_text(), v[2].as_integer().value_or(0)}]
               .lines[v[3].as_integer().value_or(0)] = {v[4].as_text(), v[5].as_text(), decimal_of(v[6]),
                                                        v[7].as_integer().value_or(0)};
         });
    return j;
  }

 private:
  db::Transaction& t_;
  std::string company_;
};

// The accounting period of a voucher date: its year and month.
std::pair<std::string, std::string> period_of(const std::string& date) {
  auto d = db::DateTime::parse(date);
  if (!d) return {"", ""};
  return {fmt::format("{:04d}", d->year()), fmt::format("{:02d}", d->month())};
}

void check_balance(const char* journal_name, const Journal& j, std::vector<LedgerProblem>& out) {
  for (const auto& [key, v] : j) {
    db::Decimal debit(0, 2), credit(0, 2);
    for (const auto& [n, line] : v.lines) {
      db::Decimal& side = line.side == 1 ? credit : debit;
      side = side + line.amount;
    }
    if (debit != credit)
      out.push_back(
          {"balance", name_of(key),
           fmt::format("{}: debits {} but credits {}", journal_name, debit.to_string(), credit.to_string())});
    if (!v.header)
      out.push_back({"journals", name_of(key), fmt::format("{}: lines without a header", journal_name)});
  }
}

void check_journals_agree(const Journal& general, const Journal& inventory, std::vector<LedgerProblem>& out) {
  std::set<VoucherKey> keys;
  for (const auto& [k, v] : general) keys.insert(k);
  for (const auto& [k, v] : inventory) keys.insert(k);
  for (const auto& k : keys) {
    auto g = general.find(k), i = inventory.find(k);
    if (g == general.end() || !g->second.header) {
      if (i != inventory.end() && i->second.header)
        out.push_back({"journals", name_of(k), "in the inventory ledger only"});
      continue;
    }
    if (i == inventory.end() || !i->second.header) {
      out.push_back({"journals", name_of(k), "in the general ledger only"});
      continue;
    }
    std::set<int64_t> numbers;
    for (const auto& [n, l] : g->second.lines) numbers.insert(n);
    for (const auto& [n, l] : i->second.lines) numbers.insert(n);
    for (int64_t n : numbers) {
      auto a = g->second.lines.find(n), b = i->second.lines.find(n);
      if (a == g->second.lines.end() || b == i->second.lines.end() || !(a->second == b->second))
        out.push_back({"journals", name_of(k), fmt::format("line {} differs between the two journals", n)});
    }
  }
}

}  // namespace

LedgerReport check_ledger(db::Transaction& t, const std::string& company) {
  LedgerReport report;
  Reader r(t, company);
  Journal general = r.journal("dzz0031", "dzz0032", "npzh");
  Journal inventory = r.journal("dch002", "dch003", "npzbh");

  // Numbering: the highest number of each period and word, the vacant numbers.
  std::map<std::tuple<std::string, std::string, std::string>, int64_t> highest;
  std::set<NumberKey> vacant;
  r.each("select ckjn, ckjy, cpzz, nzdpzh from dzz007 where cgsh = :gsh",
         [&](const std::vector<db::Value>& v) {
           highest[{v[0].as_text(), v[1].as_text(), v[2].as_text()}] = v[3].as_integer().value_or(0);
         });
  r.each("select ckjn, ckjy, cpzz, npzh from dzz008 where cgsh = :gsh", [&](const std::vector<db::Value>& v) {
    vacant.insert({v[0].as_text(), v[1].as_text(), v[2].as_text(), v[3].as_integer().value_or(0)});
  });

  // Revisions: the log's change in stock value and the vouchers' debits, by day.
  bool posts = false;
  r.each("select lcwaz from dxt002 where cgsh = :gsh",
         [&](const std::vector<db::Value>& v) { posts = v[0].as_integer().value_or(0) == 1; });
  std::map<std::string, db::Decimal> logged, posted;
  r.each("select drq, ntzje from dbj060 where cgsh = :gsh and cbs = '3'",
         [&](const std::vector<db::Value>& v) {
           std::string day = date_of(v[0]).substr(0, 10);
           logged.try_emplace(day, db::Decimal(0, 2));
           logged[day] = logged[day] - decimal_of(v[1]);
         });
  if (!r.error.empty()) {
    report.error = r.error;
    return report;
  }

  std::vector<LedgerProblem>& out = report.problems;
  check_balance("general ledger", general, out);
  check_balance("inventory ledger", inventory, out);
  check_journals_agree(general, inventory, out);

  for (const auto* j : {&general, &inventory}) {
    const char* journal_name = j == &general ? "general ledger" : "inventory ledger";
    std::map<NumberKey, int> uses;
    for (const auto& [key, v] : *j) {
      if (!v.header) continue;
      auto [year, month] = period_of(std::get<0>(key));
      NumberKey number{year, month, std::get<1>(key), std::get<2>(key)};
      ++uses[number];
      auto h = highest.find({year, month, std::get<1>(key)});
      if (h == highest.end() || h->second < std::get<2>(key))
        out.push_back({"numbering", name_of(key),
                       fmt::format("{}: number not issued by dzz007 for {}{}", journal_name, year, month)});
      if (vacant.contains(number))
        out.push_back(
            {"numbering", name_of(key), fmt::format("{}: number listed as vacant in dzz008", journal_name)});
    }
    for (const auto& [key, v] : *j) {
      if (!v.header) continue;
      auto [year, month] = period_of(std::get<0>(key));
      if (uses[{year, month, std::get<1>(key), std::get<2>(key)}] > 1)
        out.push_back(
            {"numbering", name_of(key),
             fmt::format("{}: number used by more than one voucher of {}{}", journal_name, year, month)});
    }
  }

  if (posts) {
    for (const auto& [key, v] : general)
      for (const auto& [n, line] : v.lines)
        if (line.side == 0 && line.summary == kRevisionSummary) {
          std::string day = std::get<0>(key).substr(0, 10);
          posted.try_emplace(day, db::Decimal(0, 2));
          posted[day] = posted[day] + line.amount;
        }
    std::set<std::string> days;
    for (const auto& [d, a] : logged) days.insert(d);
    for (const auto& [d, a] : posted) days.insert(d);
    for (const auto& d : days) {
      db::Decimal log = logged.contains(d) ? logged[d] : db::Decimal(0, 2);
      db::Decimal vouchers = posted.contains(d) ? posted[d] : db::Decimal(0, 2);
      if (log != vouchers)
        out.push_back({"revisions", d,
                       fmt::format("the revision log changes stock value by {} but the vouchers debit {}",
                                   log.to_string(), vouchers.to_string())});
    }
  }
  std::set<VoucherKey> all;
  for (const auto& [k, v] : general) all.insert(k);
  for (const auto& [k, v] : inventory) all.insert(k);
  report.vouchers = static_cast<long>(all.size());
  return report;
}

}  // namespace sparestock::cost_revision
