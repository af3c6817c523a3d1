// The stored procedures of the database, written once over portable SQL. Quantities are summed
// here with exact decimals rather than by SUM() in SQL, so that SQLite's floating sums never
// reach a stock figure.

#include "schema/procedures.h"

#include <fmt/format.h>

#include <map>
#include <mutex>

#include "host/db/clock.h"
#include "host/db/procedures.h"
#include "host/db/transaction.h"

namespace sparestock::schema {

using db::ColumnInfo;
using db::ColumnType;
using db::DateTime;
using db::DbError;
using db::Decimal;
using db::Value;

namespace {

constexpr int kQuantityScale = 2;
constexpr int kDefaultSlowMovingDays = 180;

std::string text_argument(const db::ProcedureArguments& args, const std::string& proc,
                          const std::string& name) {
  const Value& v = args.at(name);
  if (v.is_null()) throw DbError(proc + ": argument @" + name + " is null");
  return v.as_text();
}

DateTime date_argument(const db::ProcedureArguments& args, const std::string& proc, const std::string& name) {
  const Value& v = args.at(name);
  if (v.kind() == db::ValueKind::DateTime) return v.datetime();
  if (v.kind() == db::ValueKind::Text)
    if (auto dt = DateTime::parse(v.text())) return *dt;
  throw DbError(proc + ": argument @" + name + " is not a date: " + v.to_string());
}

// Bounds of a range of calendar days as the text the date columns compare with on both
// backends: "2026-01-01" sorts before every moment of that day.
Value day_start(const DateTime& d) { return Value(d.iso_date()); }

ColumnInfo column(std::string name, ColumnType type, int scale = 0) {
  ColumnInfo c;
  c.name = std::move(name);
  c.type = type;
  c.scale = scale;
  return c;
}

Decimal quantity(db::Cursor& c, int col) {
  return c.decimal(col, kQuantityScale).value_or(Decimal(0, kQuantityScale));
}

DateTime next_day(const DateTime& d) { return DateTime{d.date().seconds + 86400}; }

// sp_kc @gsh, @cph, @ny: the quantities of part @cph issued by company @gsh in each month of
// year @ny, over all warehouses. Always one row.
std::unique_ptr<db::Cursor> sp_kc(db::Transaction& tx, const db::ProcedureArguments& args) {
  std::string gsh = text_argument(args, "sp_kc", "gsh");
  std::string cph = text_argument(args, "sp_kc", "cph");
  std::string ny = text_argument(args, "sp_kc", "ny");
  if (ny.size() != 4 || ny.find_first_not_of("0123456789") != std::string::npos)
    throw DbError("sp_kc: @ny must be a year of four digits, not '" + ny + "'");
  int year = std::stoi(ny);
  std::vector<Decimal> months(12, Decimal(0, kQuantityScale));
  auto c = tx.connection().query(
      "SELECT b.drq, a.nsl FROM dbj029 a JOIN dbj028 b ON a.crcdh = b.crcdh "
      "WHERE b.cgsh = ? AND a.ccph = ? AND b.clx = 'C' AND b.drq >= ? AND b.drq < ?",
      {Value(gsh), Value(cph), day_start(DateTime::from_parts(year, 1, 1)),
       day_start(DateTime::from_parts(year + 1, 1, 1))});
  while (c->next()) {
    Value drq = c->value(0);
    std::optional<DateTime> when = drq.kind() == db::ValueKind::DateTime ? std::optional(drq.datetime())
                                                                         : DateTime::parse(drq.as_text());
    if (!when) continue;
    months[when->month() - 1] = months[when->month() - 1] + quantity(*c, 1);
  }
  std::vector<ColumnInfo> columns;
  std::vector<Value> row;
  for (int m = 1; m <= 12; ++m) {
    columns.push_back(column(fmt::format("nbqck{}", m), ColumnType::Decimal, kQuantityScale));
    row.emplace_back(months[m - 1]);
  }
  return std::make_unique<db::MemoryCursor>(std::move(columns),
                                            std::vector<std::vector<Value>>{std::move(row)});
}

struct Movement {
  std::optional<DateTime> last_issue, first_receipt;
};

std::optional<DateTime> read_date(db::Cursor& c, int col) {
  if (c.is_null(col)) return std::nullopt;
  Value v = c.value(col);
  if (v.kind() == db::ValueKind::DateTime) return v.datetime();
  return DateTime::parse(v.as_text());
}

// The earliest date the company's records give for each part besides its documents: its
// stocktakings and its cost revisions.
std::map<std::string, DateTime> earliest_dates(db::Connection& conn, const std::string& gsh) {
  std::map<std::string, DateTime> out;
  for (const char* table : {"dbj032", "dbj060"}) {
    auto c = conn.query(fmt::format("SELECT ccph, MIN(drq) FROM {} WHERE cgsh = ? AND drq IS NOT "
                                    "NULL GROUP BY ccph",
                                    table),
                        {Value(gsh)});
    while (c->next()) {
      std::optional<DateTime> d = read_date(*c, 1);
      if (!d) continue;
      auto [it, fresh] = out.emplace(std::string(c->text(0)), *d);
      if (!fresh && *d < it->second) it->second = *d;
    }
  }
  return out;
}

// sp_kcbj @gsh, @num: parts of the company that are above their maximum reserve (1), below
// their minimum reserve (2) or slow-moving (3). Days without movement count from the last
// issue, else from the first receipt. Stock on no document of the company never moved: it is
// always slow-moving, its days counted from the earliest date known for the part (a
// stocktaking or a cost revision), or left empty when there is none.
std::unique_ptr<db::Cursor> sp_kcbj(db::Transaction& tx, const db::ProcedureArguments& args) {
  std::string gsh = text_argument(args, "sp_kcbj", "gsh");
  auto num = args.at("num").as_integer();
  if (!num) throw DbError("sp_kcbj: argument @num is not a number: " + args.at("num").to_string());
  auto& conn = tx.connection();

  int threshold = kDefaultSlowMovingDays;
  {
    auto c = conn.query("SELECT ndzqx FROM dbj013 WHERE cgsh = ?", {Value(gsh)});
    if (c->next() && !c->is_null(0)) threshold = static_cast<int>(c->integer(0));
  }

  std::map<std::string, Movement> movement;
  {
    auto c = conn.query(
        "SELECT a.ccph, b.clx, MAX(b.drq), MIN(b.drq) FROM dbj029 a JOIN dbj028 b "
        "ON a.crcdh = b.crcdh WHERE b.cgsh = ? GROUP BY a.ccph, b.clx",
        {Value(gsh)});
    while (c->next()) {
      Movement& m = movement[std::string(c->text(0))];
      std::string_view kind = c->text(1);
      if (kind == "C") m.last_issue = read_date(*c, 2);
      if (kind == "R") m.first_receipt = read_date(*c, 3);
    }
  }

  struct Part {
    Decimal nkcsl{0, kQuantityScale};
    std::string ccpmc, ccxh, cflh;
    Decimal ncbgx{0, kQuantityScale}, ncbdx{0, kQuantityScale};
    Value lcyjbs = Value(0.0);
  };
  std::map<std::string, Part> parts;
  {
    auto c = conn.query(
        "SELECT s.ccph, s.nkcsl, p.ccpmc, p.ncbgx, p.ncbdx, p.ccxh, p.cflh, p.lcyjbs "
        "FROM dbj030 s LEFT JOIN dbj002 p ON p.cgsh = s.cgsh AND p.ccph = s.ccph "
        "WHERE s.cgsh = ?",
        {Value(gsh)});
    while (c->next()) {
      Part& p = parts[std::string(c->text(0))];
      p.nkcsl = p.nkcsl + quantity(*c, 1);
      if (c->is_null(2) && c->is_null(3)) continue;  // part missing from the master
      p.ccpmc = std::string(c->text(2));
      p.ncbgx = quantity(*c, 3);
      p.ncbdx = quantity(*c, 4);
      p.ccxh = std::string(c->text(5));
      p.cflh = std::string(c->text(6));
      p.lcyjbs = c->is_null(7) ? Value(0.0) : Value(c->real(7));
    }
  }

  std::map<std::string, DateTime> earliest = earliest_dates(conn, gsh);
  DateTime today = db::today();
  std::vector<std::vector<Value>> rows;
  Decimal zero(0, kQuantityScale);
  for (const auto& [ccph, p] : parts) {
    const Movement* m = movement.count(ccph) ? &movement.at(ccph) : nullptr;
    std::optional<DateTime> last_issue = m ? m->last_issue : std::nullopt;
    std::optional<DateTime> since = last_issue ? last_issue : (m ? m->first_receipt : std::nullopt);
    if (!m && earliest.count(ccph)) since = earliest.at(ccph);
    std::optional<int64_t> ndzts;
    if (since) ndzts = since->days_until(today);
    bool take = false;
    switch (*num) {
      case 1: take = p.nkcsl > p.ncbgx && p.ncbgx > zero; break;
      case 2: take = p.nkcsl < p.ncbdx; break;
      case 3: take = p.nkcsl > zero && (!m || (ndzts && *ndzts >= threshold)); break;
      default: take = false;
    }
    if (!take) continue;
    rows.push_back({Value(gsh), Value(ccph), Value(p.ccpmc), Value(p.ncbgx), Value(p.ncbdx),
                    ndzts ? Value(static_cast<double>(*ndzts)) : Value(), Value(p.nkcsl), Value(p.ccxh),
                    Value(p.cflh), p.lcyjbs, last_issue ? Value(last_issue->date()) : Value()});
  }
  std::vector<ColumnInfo> columns{
      column("cgsh", ColumnType::Char),        column("ccph", ColumnType::Char),
      column("ccpmc", ColumnType::Char),       column("ncbgx", ColumnType::Decimal, 2),
      column("ncbdx", ColumnType::Decimal, 2), column("ndzts", ColumnType::Real),
      column("nkcsl", ColumnType::Decimal, 2), column("ccxh", ColumnType::Char),
      column("cflh", ColumnType::Char),        column("lcyjbs", ColumnType::Real),
      column("dzhckrq", ColumnType::DateTime)};
  return std::make_unique<db::MemoryCursor>(std::move(columns), std::move(rows));
}

// The run reports only into the mailbox row it was given. It makes none of its own: a row
// inserted with an explicit number would leave PostgreSQL's identity behind, and the next
// mailbox row of the form would collide with it.
void write_message(db::Connection& conn, const Value& time, const std::string& text) {
  if (conn.exec("UPDATE error SET error_text = ? WHERE error_time = ?", {Value(text), time}) == 0)
    throw DbError("sp_kcyzx: no message row " + time.as_text() + " in error");
}

// sp_kcyzx @gsh, @qsrq, @jzrq, @time: rebuilds the period figures of every stock record of the
// company from the documents dated within [@qsrq, @jzrq]. All or nothing: when a record would
// get a negative stock, nothing changes and the reason is written to the message row @time.
std::unique_ptr<db::Cursor> sp_kcyzx(db::Transaction& tx, const db::ProcedureArguments& args) {
  std::string gsh = text_argument(args, "sp_kcyzx", "gsh");
  DateTime from = date_argument(args, "sp_kcyzx", "qsrq").date();
  DateTime to = date_argument(args, "sp_kcyzx", "jzrq").date();
  Value time = args.at("time");
  if (!time.as_integer()) throw DbError("sp_kcyzx: argument @time is not a number: " + time.to_string());
  time = Value(*time.as_integer());
  auto& conn = tx.connection();
  auto none = std::make_unique<db::MemoryCursor>(std::vector<ColumnInfo>{}, std::vector<std::vector<Value>>{});
  {
    auto c = conn.query("SELECT count(*) FROM error WHERE error_time = ?", {time});
    if (!c->next() || c->integer(0) == 0)
      throw DbError("sp_kcyzx: no message row " + time.as_text() + " in error");
  }
  if (from > to) {
    write_message(
        conn, time,
        fmt::format("库存数据恢复失败：起始日期 {} 晚于截止日期 {}", from.iso_date(), to.iso_date()));
    return none;
  }

  struct Figures {
    Decimal received{0, kQuantityScale}, issued{0, kQuantityScale};
  };
  std::map<std::pair<std::string, std::string>, Figures> moved;  // (ckh, ccph)
  {
    auto c = conn.query(
        "SELECT b.ckh, a.ccph, b.clx, a.nsl FROM dbj029 a JOIN dbj028 b ON a.crcdh = b.crcdh "
        "WHERE b.cgsh = ? AND b.drq >= ? AND b.drq < ?",
        {Value(gsh), day_start(from), day_start(next_day(to))});
    while (c->next()) {
      Figures& f = moved[{std::string(c->text(0)), std::string(c->text(1))}];
      if (c->text(2) == "R") f.received = f.received + quantity(*c, 3);
      if (c->text(2) == "C") f.issued = f.issued + quantity(*c, 3);
    }
  }

  struct Update {
    std::string ckh, ccph;
    Decimal received, issued, stock;
  };
  std::vector<Update> updates;
  {
    auto c = conn.query("SELECT ckh, ccph, nqcsl FROM dbj030 WHERE cgsh = ? ORDER BY ckh, ccph", {Value(gsh)});
    while (c->next()) {
      Update u{std::string(c->text(0)), std::string(c->text(1)), Decimal(0, 2), Decimal(0, 2), Decimal(0, 2)};
      auto it = moved.find({u.ckh, u.ccph});
      if (it != moved.end()) {
        u.received = it->second.received;
        u.issued = it->second.issued;
      }
      u.stock = quantity(*c, 2) + u.received - u.issued;
      if (u.stock.sign() < 0) {
        write_message(conn, time,
                      fmt::format("库存数据恢复失败：备件 {} 在库 {} 的库存数量将为负数 ({})", u.ccph, u.ckh,
                                  u.stock.to_string()));
        return none;
      }
      updates.push_back(std::move(u));
    }
  }
  for (const auto& u : updates)
    conn.exec("UPDATE dbj030 SET nbqrk = ?, nbqck = ?, nkcsl = ? WHERE cgsh = ? AND ckh = ? AND ccph = ?",
              {Value(u.received), Value(u.issued), Value(u.stock), Value(gsh), Value(u.ckh), Value(u.ccph)});
  write_message(conn, time, "");
  return none;
}

}  // namespace

void register_procedures() {
  static std::once_flag once;
  std::call_once(once, [] {
    db::register_procedure({"sp_kc", {"gsh", "cph", "ny"}, false, sp_kc});
    db::register_procedure({"sp_kcbj", {"gsh", "num"}, false, sp_kcbj});
    db::register_procedure({"sp_kcyzx", {"gsh", "qsrq", "jzrq", "time"}, true, sp_kcyzx});
  });
}

}  // namespace sparestock::schema
