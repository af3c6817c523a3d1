#include "bench/stock_data.h"

#include <filesystem>
#include <random>
#include <set>
#include <vector>

#include "host/db/connection.h"
#include "schema/schema.h"

namespace sparestock::bench {

namespace {

using db::Value;

constexpr int kVersion = 1;  // bump when the generated content changes

struct Word {
  const char* text;
  const char* pinyin;
};

constexpr Word kModels[] = {{"捷达", "JD"},    {"桑塔纳", "STN"}, {"富康", "FK"},    {"朗逸", "LY"},
                            {"帕萨特", "PST"}, {"宝来", "BL"},    {"高尔夫", "GEF"}, {"奥迪", "AD"}};
constexpr Word kSides[] = {{"", ""}, {"左", "Z"}, {"右", "Y"}, {"前", "Q"}, {"后", "H"}};
constexpr Word kNouns[] = {
    {"机油滤清器", "JYLQQ"}, {"空气滤清器", "KQLQQ"}, {"汽油滤清器", "QYLQQ"}, {"刹车片", "SCP"},
    {"火花塞", "HHS"},       {"活塞环", "HSH"},       {"轮毂轴承", "LGZC"},    {"氧传感器", "YCGQ"},
    {"转向拉杆", "ZXLG"},    {"缸垫", "GD"},          {"雨刮片", "YGP"},       {"正时皮带", "ZSPD"},
    {"水泵", "SB"},          {"减震器", "JZQ"},       {"摆臂", "BB"},          {"高压线", "GYX"},
    {"离合器片", "LHQP"},    {"球头", "QT"},          {"门锁", "MS"},          {"大灯", "DD"}};
constexpr const char* kUnits[] = {"个", "只", "套", "件"};
constexpr const char* kGroups[] = {"JL01", "JL02", "0124", "0030", "0023", "0818", "0022", "0102",
                                   "1611", "ST22", "A3B0", "0707", "SV01", "06A1", "036X", "1J09"};

// A part number: main-group prefix and body, in the shapes the searches must handle.
std::string part_number(std::mt19937_64& rng) {
  std::string p = kGroups[rng() % std::size(kGroups)];
  int shape = static_cast<int>(rng() % 100);
  auto digits = [&](int n) {
    std::string s;
    for (int i = 0; i < n; ++i) s += static_cast<char>('0' + rng() % 10);
    return s;
  };
  if (shape < 2) return p.substr(0, 2 + rng() % 3);  // 2 to 4 characters
  if (shape < 12) return p + " " + digits(5 + static_cast<int>(rng() % 3));
  std::string body = digits(5 + static_cast<int>(rng() % 5));
  if (shape < 30) body += static_cast<char>('A' + rng() % 26);
  return p + body;
}

std::string decimal_text(std::mt19937_64& rng, int max_units) {
  long units = static_cast<long>(rng() % static_cast<uint64_t>(max_units));
  return std::to_string(units / 100) + "." + (units % 100 < 10 ? "0" : "") + std::to_string(units % 100);
}

void generate(const std::string& path, long rows) {
  auto conn = db::open_connection(path, /*create=*/true);
  schema::create_schema(*conn);
  std::mt19937_64 rng(20261208);
  conn->begin();

  // Parts: about 2.5 stock rows each.
  long part_count = std::max(1L, rows * 2 / 5);
  std::set<std::string> seen;
  std::vector<std::string> parts;
  while (static_cast<long>(parts.size()) < part_count) {
    std::string p = part_number(rng);
    if (seen.insert(p).second) parts.push_back(p);
  }

  const size_t batch = 100;
  auto flush = [&](const std::string& head, size_t width, std::vector<Value>& params) {
    if (params.empty()) return;
    std::string sql = head;
    std::string one = "(";
    for (size_t k = 0; k < width; ++k) one += k ? ",?" : "?";
    one += ")";
    for (size_t r = 0; r < params.size() / width; ++r) sql += (r ? "," : "") + one;
    conn->exec(sql, params);
    params.clear();
  };

  const std::string part_head =
      "INSERT INTO dbj002 (cgsh, ccph, ccpmc, cpym, cjldw, ccjh, ccxh, cflh, lcyjbs, ncgdj, nckdj, "
      "nwxdj, ncbgx, ncbdx) VALUES ";
  std::vector<Value> params;
  for (size_t i = 0; i < parts.size(); ++i) {
    if (i % 100 == 99) continue;  // 1 in 100 parts is missing from the master
    const Word& m = kModels[rng() % std::size(kModels)];
    const Word& s = kSides[rng() % std::size(kSides)];
    const Word& n = kNouns[rng() % std::size(kNouns)];
    std::string pinyin = std::string(m.pinyin) + s.pinyin + n.pinyin;
    if (pinyin.size() > 12) pinyin.resize(12);
    char model[3], category[4];
    std::snprintf(model, sizeof model, "%02d", static_cast<int>(1 + rng() % 15));
    std::snprintf(category, sizeof category, "%03d", static_cast<int>(1 + rng() % 30));
    std::string maker = "M" + std::to_string(100000 + rng() % 900000);
    params.insert(params.end(),
                  {Value("01"), Value(parts[i]), Value(std::string(m.text) + s.text + n.text), Value(pinyin),
                   Value(kUnits[rng() % std::size(kUnits)]), Value(maker), Value(model), Value(category),
                   Value(rng() % 10 < 3 ? 1.0 : 0.0), *db::Decimal::parse(decimal_text(rng, 100000)),
                   *db::Decimal::parse(decimal_text(rng, 150000)),
                   *db::Decimal::parse(decimal_text(rng, 200000)), Value(static_cast<int64_t>(rng() % 50)),
                   Value(static_cast<int64_t>(rng() % 5))});
    if (params.size() >= batch * 14) flush(part_head, 14, params);
  }
  flush(part_head, 14, params);

  const std::string stock_head =
      "INSERT INTO dbj030 (cgsh, ckh, ccph, ckqh, ckwh, nkcsl, nsqsl, nykps, nsdsl, njcsl, ndj) VALUES ";
  long made = 0;
  size_t next_part = 0;
  while (made < rows) {
    const std::string& p = parts[next_part++ % parts.size()];
    int warehouses = 1 + static_cast<int>(rng() % 4);
    int first = static_cast<int>(rng() % 8);
    for (int w = 0; w < warehouses && made < rows; ++w) {
      char ckh[3], ckwh[8];
      std::snprintf(ckh, sizeof ckh, "%02d", 1 + (first + w) % 8);
      std::snprintf(ckwh, sizeof ckwh, "W%05d", static_cast<int>(rng() % 100000));
      // Mostly stock on hand; some rows with none but a reservation (available below zero).
      bool empty = rng() % 20 == 0;
      std::string stock = empty ? "0" : std::to_string(1 + rng() % 200);
      std::string reserved = empty ? "1" : std::to_string(rng() % 3);
      std::string zone = std::string(1, static_cast<char>('A' + rng() % 3)) + std::to_string(1 + rng() % 9);
      params.insert(params.end(),
                    {Value("01"), Value(ckh), Value(p), Value(zone), Value(ckwh), *db::Decimal::parse(stock),
                     *db::Decimal::parse(reserved), Value(int64_t{0}), Value(int64_t{0}), Value(int64_t{0}),
                     *db::Decimal::parse(decimal_text(rng, 100000))});
      ++made;
      if (params.size() >= batch * 11) flush(stock_head, 11, params);
    }
    if (next_part % parts.size() == 0 && made < rows) {
      // More rows than parts times warehouses: give the parts further warehouses.
      for (auto& q : parts) q += "X";
    }
  }
  // Another company's stock, which the retrieval for company 01 must leave out.
  for (long i = 0; i < rows / 50; ++i) {
    params.insert(params.end(),
                  {Value("02"), Value("01"), Value(parts[static_cast<size_t>(i) % parts.size()]), Value("A1"),
                   Value("W1"), *db::Decimal::parse("5"), Value(int64_t{0}), Value(int64_t{0}),
                   Value(int64_t{0}), Value(int64_t{0}), *db::Decimal::parse("1.50")});
    if (params.size() >= batch * 11) flush(stock_head, 11, params);
  }
  flush(stock_head, 11, params);
  conn->commit();
  conn->exec("ANALYZE");
}

}  // namespace

std::string stock_database(long rows) {
  namespace fs = std::filesystem;
  fs::path path = fs::temp_directory_path() /
                  ("sparestock-bench-v" + std::to_string(kVersion) + "-" + std::to_string(rows) + ".db");
  if (fs::exists(path)) {
    try {
      auto conn = db::open_connection(path.string());
      auto c = conn->query("SELECT count(*) FROM dbj030 WHERE cgsh = '01'");
      if (c->next() && c->integer(0) == rows) return path.string();
    } catch (const std::exception&) {
    }
    fs::remove(path);
  }
  fs::path temp = path;
  temp += ".tmp";
  fs::remove(temp);
  generate(temp.string(), rows);
  fs::rename(temp, path);
  return path.string();
}

}  // namespace sparestock::bench
