// Demo data: two companies with warehouses, zones, locations, parts, stock records, two years
// of receipt and issue documents, a stocktaking, cost revisions and ledger settings.
//
// Everything follows from the seed and the given date, so a seed always yields the same rows.
// The stock figures agree with the documents (see docs/schema.md):
//   nkcsl = all receipts - all issues of the part in that warehouse;
//   nqcsl = receipts - issues dated before the first day of the current month;
//   nbqrk, nbqck = receipts and issues dated from that day on (documents end yesterday);
// and a location is occupied (lzt = 1) exactly when a stock record lies on it.

#include <fmt/format.h>

#include <algorithm>
#include <array>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "host/db/clock.h"
#include "schema/batch_insert.h"
#include "schema/demo_vocabulary.h"
#include "schema/schema.h"
#include "schema/unit_of_work.h"

namespace sparestock::schema {

namespace {

using db::DateTime;
using db::Decimal;
using db::Value;
using demo::Placement;

constexpr int kMaxParts = 500000;
constexpr int64_t kDay = 86400;
constexpr int kLinesPerDocument = 20;

// Every demo user logs in to the web application with this password (make run prints it).
constexpr const char* kDemoPassword = "demo123";

// splitmix64: small, fast, and the same on every platform (unlike std:: distributions).
class Random {
 public:
  explicit Random(uint64_t seed) : state_(seed * 0x9E3779B97F4A7C15ull + 0x2545F4914F6CDD1Dull) {}
  uint64_t next() {
    uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  // REQUIRES: n > 0.
  int below(int n) { return static_cast<int>(next() % static_cast<uint64_t>(n)); }
  int between(int lo, int hi) { return lo + below(hi - lo + 1); }
  bool percent(int p) { return below(100) < p; }

 private:
  uint64_t state_;
};

Decimal hundredths(int64_t units) { return Decimal(units, 2); }

// Scales an amount in hundredths by percent, rounding half up (amounts are positive).
int64_t percent_of(int64_t units, int percent) { return (units * percent + 50) / 100; }

struct Warehouse {
  std::string ckh;
  std::string name;
  bool disabled;
  std::vector<std::string> zones;
};

struct Company {
  std::string cgsh;
  std::vector<Warehouse> warehouses;
  std::vector<std::string> models;  // codes of dxl002 this company carries
  std::string user_code;
  std::string user_name;
  int slow_days;        // dbj013.ndzqx
  int ledger_link;      // dxt002.lcwaz
  int reuse_numbers;    // dzz001.lkhly
  int highest_voucher;  // dzz007.nzdpzh of the current month
  std::vector<int> vacant_vouchers;
};

std::vector<Company> companies() {
  return {
      {"01",
       {{"01", "配件总库", false, {"01", "02", "03", "05"}},
        {"02", "油料库", false, {"04"}},
        {"03", "二级库", false, {"01", "02"}},
        {"09", "旧件库", true, {"01"}}},
       {"01", "02", "03", "04", "05", "06", "07", "08", "09", "10", "11", "12", "13", "14", "15", "16", "17"},
       "001",
       "王建国",
       180,
       1,
       1,
       12,
       {3, 7}},
      {"02",
       {{"01", "配件库", false, {"01", "02", "03", "05"}},
        {"02", "油料库", false, {"04"}},
        {"09", "报废库", true, {"01"}}},
       {"01", "02", "03", "04", "08", "10", "11", "12", "14", "16"},
       "002",
       "李红",
       120,
       0,
       0,
       5,
       {}},
  };
}

// Account groups (dzz006): group, inventory account, cost-of-sales account.
constexpr std::array<std::array<const char*, 3>, 3> kAccountGroups = {{
    {"01", "124301", "540101"},  // parts
    {"02", "124302", "540102"},  // oils and fluids
    {"03", "124303", "540103"},  // body parts
}};

struct Part {
  std::string ccph;
  std::string name;
  std::string pinyin;
  std::string maker_number;
  const demo::PartKind* kind;
  std::string model;                     // "" for parts that fit every model
  int64_t purchase, cost, issue, sales;  // hundredths
  int max_reserve, min_reserve;
  bool common;
  bool disabled;
  std::string account_group;
  bool in_master;  // false: stock records exist but dbj002 lacks the part
};

bool is_fluid(const Part& p) { return p.kind->category == "008"; }

// The stock record of one part in one warehouse, and its figures in hundredths.
struct StockRow {
  int part;
  int warehouse;
  std::string zone;
  int location = -1;
  int64_t nkcsl = 0, nsdsl = 0, nsqsl = 0, nykps = 0, ntzs = 0;
  int64_t nqcsl = 0, nbqrk = 0, nbqck = 0, njcsl = 0;
};

struct Movement {
  int64_t day;  // days since 1970-01-01
  bool issue;
  int row;
  int64_t quantity;  // hundredths
};

std::string base36(int value) {
  const char* digits = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ";
  std::string s;
  do {
    s.insert(s.begin(), digits[value % 36]);
    value /= 36;
  } while (value > 0);
  return s;
}

std::string random_letters(Random& r, int n) {
  std::string s;
  for (int i = 0; i < n; ++i) s.push_back(static_cast<char>('A' + r.below(26)));
  return s;
}

std::string random_alnum(Random& r, int n) {
  const char* chars = "0123456789ABCDEFGHJKLMNPRSTUVWXYZ";
  std::string s;
  for (int i = 0; i < n; ++i) s.push_back(chars[r.below(33)]);
  return s;
}

// Part number of the index-th part of a company: the four-character main group, then the
// significant number either after a blank or directly, or a short number. The six-digit code
// is a bijection of the index, so numbers never repeat within a company.
std::string part_number(Random& r, const std::string& group, int index, uint64_t seed) {
  std::string code = fmt::format("{:06}", (static_cast<uint64_t>(index) * 7919 + seed % 1000000) % 1000000);
  int style = r.below(100);
  if (style < 10) return group + base36(index);                            // short: 5 to 8 characters
  if (style < 50) return group + code + random_alnum(r, r.between(0, 4));  // no blank
  if (style < 60) return group + " " + code + "-" + random_alnum(r, 8);    // all 20 characters
  return group + " " + code + (r.percent(50) ? "-" + random_alnum(r, 2) : "");
}

Part make_part(Random& r, const Company& company, int index, uint64_t seed, bool in_master) {
  const auto& kinds = demo::part_kinds();
  const auto& models = demo::vehicle_models();
  Part p;
  int kind_index = r.below(static_cast<int>(kinds.size()));
  p.kind = &kinds[kind_index];
  bool fluid = p.kind->category == "008";
  if (!fluid && !r.percent(12)) p.model = company.models[r.below(static_cast<int>(company.models.size()))];
  std::string model_name;
  for (const auto& m : models)
    if (m.code == p.model) model_name = m.name;
  const auto& places = demo::positions(p.kind->placement);
  std::string place(places[r.below(static_cast<int>(places.size()))]);
  p.name = model_name + place + std::string(p.kind->name);
  p.pinyin = demo::pinyin_initials(p.name, 12);
  std::string group = fmt::format("{:02}{:02}", p.model.empty() ? 0 : std::stoi(p.model), kind_index + 1);
  p.ccph = part_number(r, group, index, seed);
  p.maker_number = r.percent(10) ? ""
                                 : fmt::format("{:02}{}{:06}{}", r.below(100), random_letters(r, 1),
                                               r.below(1000000), r.percent(30) ? random_letters(r, 1) : "");
  p.purchase = std::max<int64_t>(100, percent_of(int64_t{p.kind->price_yuan} * 100, r.between(70, 160)));
  p.cost = percent_of(p.purchase, r.between(95, 105));
  p.issue = percent_of(p.purchase, 115);
  p.sales = percent_of(p.purchase, 135);
  int limits = r.below(100);
  if (limits < 35) {
    p.max_reserve = p.min_reserve = 0;
  } else {
    p.min_reserve = limits < 45 ? 0 : r.between(2, 10);
    p.max_reserve = limits >= 45 && limits < 55 ? 0 : p.min_reserve + r.between(5, 60);
  }
  p.common = r.percent(25);
  p.disabled = r.percent(2);
  p.account_group = r.percent(1) ? "" : fluid ? "02" : p.kind->category == "007" ? "03" : "01";
  p.in_master = in_master;
  return p;
}

// The zone of a warehouse where parts of a category are kept.
std::string zone_for(const Warehouse& w, const Part& p) {
  if (w.zones.size() == 1) return w.zones[0];
  std::string_view c = p.kind->category;
  if (w.zones.size() == 2) return c <= "003" ? w.zones[0] : w.zones[1];
  if (c == "007") return "05";
  if (c == "001" || c == "003" || c == "008") return "01";
  if (c == "002" || c == "004") return "02";
  return "03";
}

int warehouse_index(const Company& c, std::string_view ckh) {
  for (size_t i = 0; i < c.warehouses.size(); ++i)
    if (c.warehouses[i].ckh == ckh) return static_cast<int>(i);
  return -1;
}

// Stock quantity a record should end with, in whole units (limits make some parts alarm).
int64_t target_stock(Random& r, const Part& p, bool secondary) {
  if (secondary) return r.between(1, 10);
  if (p.max_reserve || p.min_reserve) {
    int side = r.below(100);
    if (side < 20 && p.min_reserve > 1) return r.between(1, p.min_reserve - 1);
    if (side < 40 && p.max_reserve > 0) return r.between(p.max_reserve + 1, p.max_reserve + 30);
    int lo = std::max(1, p.min_reserve);
    int hi = p.max_reserve > 0 ? p.max_reserve : lo + 20;
    return r.between(lo, std::max(lo, hi));
  }
  return r.percent(80) ? r.between(1, 40) : r.between(41, 300);
}

// Receipts and issues of one record between first_day and last_day that leave it at `target`
// (hundredths) and never below zero on the way.
void plan_movements(Random& r, int row, int64_t target, int64_t step, int64_t first_day, int64_t last_day,
                    bool at_least_one_issue, std::vector<Movement>& out) {
  struct Event {
    int64_t day;
    bool issue;
  };
  std::vector<Event> events;
  int receipts = r.between(1, 3);
  int issues = r.between(at_least_one_issue ? 1 : 0, 4);
  int span = static_cast<int>(last_day - first_day);
  for (int i = 0; i < receipts; ++i) events.push_back({first_day + r.between(0, span), false});
  for (int i = 0; i < issues; ++i) events.push_back({first_day + r.between(0, span), true});
  auto by_day = [](const Event& a, const Event& b) {  // receipts first within a day
    return a.day != b.day ? a.day < b.day : a.issue < b.issue;
  };
  std::sort(events.begin(), events.end(), by_day);
  if (events.front().issue) {  // stock arrives before it leaves
    auto first_receipt = std::find_if(events.begin(), events.end(), [](const Event& e) { return !e.issue; });
    first_receipt->day = events.front().day;
    std::sort(events.begin(), events.end(), by_day);
  }
  int64_t balance = 0;
  int64_t last = first_day;
  int64_t per_receipt = std::max<int64_t>(3, target / step / receipts + 10);
  for (const auto& e : events) {
    int64_t q = e.issue ? std::min(balance, step * r.between(1, 8))
                        : step * r.between(1, static_cast<int>(per_receipt));
    if (q == 0) continue;
    balance += e.issue ? -q : q;
    out.push_back({e.day, e.issue, row, q});
    last = e.day;
  }
  if (balance != target) {
    bool issue = balance > target;
    int64_t q = issue ? balance - target : target - balance;
    out.push_back({last + r.between(0, static_cast<int>(last_day - last)), issue, row, q});
  }
}

std::string location_code(const std::string& zone, int index) {
  char letter = static_cast<char>('A' + std::stoi(zone) - 1);
  return fmt::format("{}{:03}-{}{:02}", letter, index / 100 + 1, index % 100 / 20 + 1, index % 20 + 1);
}

DateTime at(int64_t day, int hour, int minute) { return DateTime{day * kDay + hour * 3600 + minute * 60}; }

class DemoBuilder {
 public:
  DemoBuilder(db::Connection& conn, const DemoOptions& options, DateTime today)
      : conn_(conn), options_(options), today_(today.date()), rng_(options.seed) {
    today_day_ = today_.seconds / kDay;
    month_start_day_ = DateTime::from_parts(today_.year(), today_.month(), 1).seconds / kDay;
    first_day_ = today_day_ - 730;
  }

  void run() {
    write_shared_tables();
    for (const auto& company : companies_) build_company(company);
    analyze();
  }

 private:
  void write_shared_tables() {
    BatchInsert zones(conn_, "dbj004", {"ckqh", "ckqmc"});
    for (const auto& z : demo::zones()) zones.add({z.code, z.name});
    zones.finish();

    std::string year = fmt::format("{:04}", today_.year());
    std::string month = fmt::format("{:02}", today_.month());
    for (const auto& c : companies_) {
      BatchInsert categories(conn_, "dbj001", {"cgsh", "cflh", "cflmc", "ltybs"});
      for (const auto& k : demo::categories()) categories.add({c.cgsh, k.code, k.name, k.disabled ? 1 : 0});
      categories.finish();

      BatchInsert warehouses(conn_, "dbj003", {"cgsh", "ckh", "ckmc", "ltybs"});
      for (const auto& w : c.warehouses) warehouses.add({c.cgsh, w.ckh, w.name, w.disabled ? 1 : 0});
      warehouses.finish();

      BatchInsert models(conn_, "dxl002", {"cgsh", "ccxh", "ccxmc", "ltybs"});
      for (const auto& m : demo::vehicle_models())
        if (std::find(c.models.begin(), c.models.end(), m.code) != c.models.end())
          models.add({c.cgsh, m.code, m.name, m.disabled ? 1 : 0});
      models.finish();

      conn_.exec("INSERT INTO dbj013 (cgsh, cqspzz, ndzqx) VALUES (?, ?, ?)", {c.cgsh, "记", c.slow_days});
      conn_.exec("INSERT INTO dxt002 (cgsh, lcwaz) VALUES (?, ?)", {c.cgsh, c.ledger_link});
      conn_.exec("INSERT INTO DXT004 (CGSH, CYHDM, CYHXM, cmmhx) VALUES (?, ?, ?, ?)",
                 {c.cgsh, c.user_code, c.user_name,
                  options_.hash_password ? options_.hash_password(kDemoPassword) : std::string()});
      // Company 01 keeps its accounting month in the settings; 02 follows the calendar.
      conn_.exec("INSERT INTO dzz001 (cgsh, lkhly, cdqkjny) VALUES (?, ?, ?)",
                 {c.cgsh, c.reuse_numbers, c.cgsh == "01" ? year + month : std::string()});
      for (const auto& g : kAccountGroups)
        conn_.exec("INSERT INTO dzz006 (cgsh, ckmz, cchkm, cxscbkm) VALUES (?, ?, ?, ?)",
                   {c.cgsh, g[0], g[1], g[2]});
      conn_.exec("INSERT INTO dzz007 (cgsh, ckjn, ckjy, cpzz, nzdpzh) VALUES (?, ?, ?, ?, ?)",
                 {c.cgsh, year, month, "记", c.highest_voucher});
      for (int n : c.vacant_vouchers)
        conn_.exec("INSERT INTO dzz008 (cgsh, ckjn, ckjy, cpzz, npzh) VALUES (?, ?, ?, ?, ?)",
                   {c.cgsh, year, month, "记", n});
    }
  }

  void build_company(const Company& c) {
    parts_.clear();
    rows_.clear();
    movements_.clear();
    make_parts(c);
    write_parts(c);
    make_stock(c);
    place_rows(c);
    write_stock(c);
    write_documents(c);
    write_stocktaking(c);
    write_revisions(c);
  }

  void make_parts(const Company& c) {
    int n = options_.parts;
    int missing = std::max(2, n / 200);
    for (int i = 0; i < n + missing; ++i) parts_.push_back(make_part(rng_, c, i, options_.seed, i < n));
  }

  void write_parts(const Company& c) {
    BatchInsert ins(conn_, "dbj002",
                    {"cgsh", "ccph", "ccpmc", "cpym", "cjldw", "ccjh", "ccxh", "cflh", "lcyjbs", "ncgdj",
                     "nckdj", "nwxdj", "ncbgx", "ncbdx", "ckmzh", "ltybs"});
    for (const auto& p : parts_) {
      if (!p.in_master) continue;
      ins.add({c.cgsh, p.ccph, p.name, p.pinyin, p.kind->unit, p.maker_number, p.model, p.kind->category,
               p.common ? 1.0 : 0.0, hundredths(p.purchase), hundredths(p.issue), hundredths(p.sales),
               p.max_reserve, p.min_reserve, p.account_group, p.disabled ? 1 : 0});
    }
    ins.finish();
  }

  void make_stock(const Company& c) {
    int main_wh = warehouse_index(c, "01");
    int oil_wh = warehouse_index(c, "02");
    int second_wh = warehouse_index(c, "03");
    int old_wh = warehouse_index(c, "09");
    for (int i = 0; i < static_cast<int>(parts_.size()); ++i) {
      const Part& p = parts_[i];
      if (p.in_master && rng_.percent(5)) continue;  // in the catalogue, never stocked
      bool fluid = is_fluid(p);
      add_row(c, i, fluid ? oil_wh : main_wh, false);
      if (!p.in_master) continue;
      if (!fluid && second_wh >= 0 && rng_.percent(25)) add_row(c, i, second_wh, true);
      if (rng_.percent(1)) add_row(c, i, old_wh, true);
    }
  }

  void add_row(const Company& c, int part, int warehouse, bool secondary) {
    const Part& p = parts_[part];
    StockRow row;
    row.part = part;
    row.warehouse = warehouse;
    row.zone = zone_for(c.warehouses[warehouse], p);
    int index = static_cast<int>(rows_.size());
    int64_t step = is_fluid(p) ? 50 : 100;
    int kind = rng_.below(100);
    int64_t last_day = today_day_ - 1;
    if (kind < 8) {  // everything received has been issued
      plan_movements(rng_, index, 0, step, first_day_, last_day, true, movements_);
    } else if (kind < 12) {  // an empty record no document mentions
    } else if (kind < 15) {  // nothing in stock but promised out: negative availability
      plan_movements(rng_, index, 0, step, first_day_, last_day, true, movements_);
      row.nykps = 100 * rng_.between(1, 4);
    } else {
      int64_t target = target_stock(rng_, p, secondary) * 100;
      if (kind < 22) last_day = today_day_ - 400;  // slow-moving: nothing issued for over a year
      plan_movements(rng_, index, target, step, first_day_, last_day, false, movements_);
      row.nkcsl = target;
      if (rng_.percent(5))
        row.nsqsl = 100 * rng_.between(1, static_cast<int>(std::min<int64_t>(3, target / 100)));
      if (rng_.percent(5)) row.nykps = 100 * rng_.between(1, 3);
      int64_t free = row.nkcsl - row.nsqsl - row.nykps;
      if (free >= 100 && rng_.percent(6)) row.nsdsl = 100 * rng_.between(1, static_cast<int>(free / 100));
      if (rng_.percent(3)) row.ntzs = 100 * rng_.between(1, 2);
      if (rng_.percent(3)) row.njcsl = 100 * rng_.between(1, 2);
    }
    rows_.push_back(row);
  }

  // Places each record on a location of its warehouse and zone; about three records share a
  // location, and some locations stay empty (a few of those disabled).
  void place_rows(const Company& c) {
    std::map<std::pair<int, std::string>, std::vector<int>> by_area;
    for (int i = 0; i < static_cast<int>(rows_.size()); ++i)
      by_area[{rows_[i].warehouse, rows_[i].zone}].push_back(i);
    // Every zone of every warehouse gets locations, even one holding no record.
    for (int w = 0; w < static_cast<int>(c.warehouses.size()); ++w)
      for (const auto& z : c.warehouses[w].zones) by_area[{w, z}];

    BatchInsert ins(conn_, "dbj005", {"cgsh", "ckh", "ckqh", "ckwh", "lzt", "ltybs"});
    for (auto& [area, members] : by_area) {
      int slots = std::max(1, static_cast<int>(members.size() + 2) / 3);
      int empties = std::max(2, static_cast<int>(members.size()) / 20);
      std::vector<bool> used(slots + empties, false);
      for (int row : members) {
        int loc = rng_.below(slots);
        rows_[row].location = loc;
        used[loc] = true;
      }
      for (int loc = 0; loc < slots + empties; ++loc) {
        bool disabled = loc == slots + empties - 1;
        ins.add({c.cgsh, c.warehouses[area.first].ckh, area.second, location_code(area.second, loc),
                 used[loc] ? 1 : 0, disabled ? 1 : 0});
      }
    }
    ins.finish();
  }

  void write_stock(const Company& c) {
    for (const auto& m : movements_) {
      StockRow& row = rows_[m.row];
      if (m.day < month_start_day_)
        row.nqcsl += m.issue ? -m.quantity : m.quantity;
      else
        (m.issue ? row.nbqck : row.nbqrk) += m.quantity;
    }
    BatchInsert ins(conn_, "dbj030",
                    {"cgsh", "ckh", "ccph", "ckqh", "ckwh", "nkcsl", "nsdsl", "nsqsl", "nykps", "ntzs",
                     "nqcsl", "nbqrk", "nbqck", "njcsl", "ndj"});
    for (const auto& row : rows_) {
      const Part& p = parts_[row.part];
      ins.add({c.cgsh, c.warehouses[row.warehouse].ckh, p.ccph, row.zone,
               location_code(row.zone, row.location), hundredths(row.nkcsl), hundredths(row.nsdsl),
               hundredths(row.nsqsl), hundredths(row.nykps), hundredths(row.ntzs), hundredths(row.nqcsl),
               hundredths(row.nbqrk), hundredths(row.nbqck), hundredths(row.njcsl), hundredths(p.cost)});
    }
    ins.finish();
  }

  // Groups the movements into documents: one per warehouse, day and kind, split every
  // twenty lines; receipts in the morning, issues in the afternoon.
  void write_documents(const Company& c) {
    std::sort(movements_.begin(), movements_.end(), [&](const Movement& a, const Movement& b) {
      int wa = rows_[a.row].warehouse, wb = rows_[b.row].warehouse;
      if (wa != wb) return wa < wb;
      if (a.day != b.day) return a.day < b.day;
      if (a.issue != b.issue) return a.issue < b.issue;
      return a.row < b.row;
    });
    BatchInsert headers(conn_, "dbj028", {"crcdh", "cgsh", "ckh", "drq", "clx"});
    BatchInsert lines(conn_, "dbj029", {"crcdh", "nhh", "ccph", "nsl", "ndj"});
    size_t i = 0;
    while (i < movements_.size()) {
      const Movement& first = movements_[i];
      const Warehouse& w = c.warehouses[rows_[first.row].warehouse];
      size_t end = i;
      while (end < movements_.size() && rows_[movements_[end].row].warehouse == rows_[first.row].warehouse &&
             movements_[end].day == first.day && movements_[end].issue == first.issue)
        ++end;
      DateTime date = at(first.day, 0, 0);
      for (size_t start = i, chunk = 0; start < end; start += kLinesPerDocument, ++chunk) {
        std::string number = fmt::format("{}{}{}{:04}{:02}{:02}{:03}", first.issue ? 'C' : 'R', c.cgsh, w.ckh,
                                         date.year(), date.month(), date.day(), chunk + 1);
        int minutes = static_cast<int>(std::min<size_t>(chunk, 90)) * 6;
        headers.add({number, c.cgsh, w.ckh, at(first.day, first.issue ? 13 : 8, 30 + minutes),
                     first.issue ? "C" : "R"});
        size_t stop = std::min(end, start + kLinesPerDocument);
        for (size_t k = start; k < stop; ++k) {
          const Movement& m = movements_[k];
          const Part& p = parts_[rows_[m.row].part];
          lines.add({number, static_cast<int>(k - start + 1), p.ccph, hundredths(m.quantity),
                     hundredths(m.issue ? p.issue : p.cost)});
        }
      }
      i = end;
    }
    headers.finish();
    lines.finish();
  }

  // A stocktaking on the last day of the previous month over every eighth record of the
  // enabled warehouses; the book quantity is the stock at the end of that day (nqcsl).
  void write_stocktaking(const Company& c) {
    DateTime day = at(month_start_day_ - 1, 0, 0);
    BatchInsert ins(
        conn_, "dbj032",
        {"cgsh", "drq", "ckh", "ckqh", "ckwh", "ccph", "nzmsl", "nspsl", "ncsl", "ndj", "crym", "lpfbs"});
    bool counted_missing = false;
    for (int i = 0; i < static_cast<int>(rows_.size()); ++i) {
      const StockRow& row = rows_[i];
      const Part& p = parts_[row.part];
      const Warehouse& w = c.warehouses[row.warehouse];
      bool include = i % 8 == 0 || (!p.in_master && !counted_missing);
      if (w.disabled || !include) continue;
      if (!p.in_master) counted_missing = true;
      int64_t book = row.nqcsl;
      int64_t counted = book;
      if (rng_.percent(15)) counted += rng_.percent(50) || book < 100 ? 100 : -100;
      ins.add({c.cgsh, day, w.ckh, row.zone, location_code(row.zone, row.location), p.ccph, hundredths(book),
               hundredths(counted), hundredths(counted - book), hundredths(p.cost), c.user_code, 0});
    }
    ins.finish();
  }

  // Earlier cost revisions of a few stocked parts: each brought the price to today's cost.
  void write_revisions(const Company& c) {
    std::vector<int64_t> stock(parts_.size(), 0);
    for (const auto& row : rows_) stock[row.part] += row.nkcsl;
    struct Revision {
      DateTime when;
      int part;
      int64_t old_price;
    };
    std::vector<Revision> revisions;
    int wanted = c.cgsh == "01" ? 6 : 3;
    for (int i = 0; i < static_cast<int>(parts_.size()) && static_cast<int>(revisions.size()) < wanted; ++i) {
      if (!parts_[i].in_master || stock[i] == 0) continue;
      // A company that posts to the ledgers cannot have revised a part without accounts.
      if (c.ledger_link == 1 && parts_[i].account_group.empty()) continue;
      int64_t old_price = percent_of(parts_[i].cost, rng_.between(90, 110));
      if (old_price == parts_[i].cost) old_price += 1;
      revisions.push_back({at(today_day_ - rng_.between(5, 80), 10, rng_.between(0, 59)), i, old_price});
    }
    std::sort(revisions.begin(), revisions.end(),
              [](const Revision& a, const Revision& b) { return a.when < b.when; });
    BatchInsert ins(
        conn_, "dbj060",
        {"cgsh", "drq", "cczr", "ckh", "ccph", "cny", "nydj", "nxdj", "ntzje", "cbs", "lbs", "nsxh1"});
    for (const auto& r : revisions) {
      const Part& p = parts_[r.part];
      Decimal amount = (hundredths(stock[r.part]) * hundredths(r.old_price - p.cost)).rescale(2);
      ins.add({c.cgsh, r.when, c.user_name, "", p.ccph,
               fmt::format("{:04}{:02}", r.when.year(), r.when.month()), hundredths(r.old_price),
               hundredths(p.cost), amount, "3", "0", 0});
    }
    ins.finish();
    if (c.ledger_link != 1) return;

    // Their vouchers in both journals, numbered as the revision numbers them: the current
    // month's numbers taken around its vacant ones, earlier months' from 1, each month's
    // highest number recorded.
    const std::string this_month = fmt::format("{:04}{:02}", today_.year(), today_.month());
    std::map<std::string, int> highest;
    for (const auto& r : revisions) {
      const Part& p = parts_[r.part];
      std::string month = fmt::format("{:04}{:02}", r.when.year(), r.when.month());
      int& number = highest[month];
      do ++number;
      while (month == this_month && std::find(c.vacant_vouchers.begin(), c.vacant_vouchers.end(), number) !=
                                        c.vacant_vouchers.end());
      auto group = std::find_if(kAccountGroups.begin(), kAccountGroups.end(),
                                [&](const auto& g) { return p.account_group == g[0]; });
      if (group == kAccountGroups.end()) throw std::logic_error("demo part without accounts: " + p.ccph);
      Decimal amount = (hundredths(stock[r.part]) * hundredths(p.cost - r.old_price)).rescale(2);
      conn_.exec("INSERT INTO dzz0031 (cgsh, dpzrq, cpzz, npzh, dxtrq, czdr) VALUES (?, ?, ?, ?, ?, ?)",
                 {c.cgsh, r.when, "记", number, r.when, c.user_code});
      conn_.exec(
          "INSERT INTO dch002 (cgsh, dpzrq, cpzz, npzbh, dczrq, cczr, crcdh) VALUES (?, ?, ?, ?, ?, ?, '')",
          {c.cgsh, r.when, "记", number, r.when, c.user_code});
      for (const char* table : {"dzz0032", "dch003"}) {
        std::string sql = fmt::format(
            "INSERT INTO {} (cgsh, dpzrq, cpzz, {}, nhh, czy, ckm, nje, ljdbs) "
            "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?)",
            table, std::string_view(table) == "dzz0032" ? "npzh" : "npzbh");
        conn_.exec(sql, {c.cgsh, r.when, "记", number, 1, "修改备件成本单价", (*group)[2], amount, 0});
        conn_.exec(sql, {c.cgsh, r.when, "记", number, 2, "修改备件成本单价", (*group)[1], amount, 1});
      }
    }
    for (const auto& [month, number] : highest)
      if (month != this_month)
        conn_.exec("INSERT INTO dzz007 (cgsh, ckjn, ckjy, cpzz, nzdpzh) VALUES (?, ?, ?, ?, ?)",
                   {c.cgsh, month.substr(0, 4), month.substr(4), "记", number});
      else if (number > c.highest_voucher)
        throw std::logic_error("demo revisions outnumber the month's vouchers");
  }

  void analyze() {
    for (const char* table : {"dbj002", "dbj005", "dbj028", "dbj029", "dbj030", "dbj032"})
      conn_.exec_script(std::string("ANALYZE ") + table);
  }

  db::Connection& conn_;
  const DemoOptions& options_;
  DateTime today_;
  int64_t today_day_ = 0;
  int64_t month_start_day_ = 0;
  int64_t first_day_ = 0;
  Random rng_;
  std::vector<Company> companies_ = companies();
  std::vector<Part> parts_;
  std::vector<StockRow> rows_;
  std::vector<Movement> movements_;
};

}  // namespace

void load_demo(db::Connection& conn, const DemoOptions& options) {
  if (options.parts < 1 || options.parts > kMaxParts)
    throw std::invalid_argument(fmt::format("the number of parts must be between 1 and {}", kMaxParts));
  DateTime today = db::today();
  if (!options.today.empty()) {
    auto parsed = DateTime::parse(options.today);
    if (!parsed || options.today.size() != 10)
      throw std::invalid_argument("the date \"" + options.today + "\" is not a date of the form YYYY-MM-DD");
    today = *parsed;
  }
  // A large load would otherwise spill SQLite's small page cache to the log again and again;
  // the connection gets its own size back afterwards.
  int64_t cache_size = 0;
  bool sqlite = conn.backend() == db::Backend::Sqlite;
  if (sqlite) {
    auto c = conn.query("PRAGMA cache_size");
    cache_size = c->next() ? c->integer(0) : -2000;
    conn.exec_script("PRAGMA cache_size = -262144");
  }
  UnitOfWork work(conn);
  try {
    DemoBuilder(conn, options, today).run();
    work.commit();
  } catch (...) {
    if (sqlite) conn.exec_script("PRAGMA cache_size = " + std::to_string(cache_size));
    throw;
  }
  if (sqlite) conn.exec_script("PRAGMA cache_size = " + std::to_string(cache_size));
}

}  // namespace sparestock::schema
