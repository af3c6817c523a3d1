#pragma once
// Words the demo generator builds its master data from: part kinds, categories, vehicle models,
// warehouses and zones, and the pinyin initials of every Chinese character they use.

#include <string>
#include <string_view>
#include <vector>

namespace sparestock::schema::demo {

// Where a part kind sits on the vehicle, which decides the position words of its name.
enum class Placement { None, FrontRear, Corner };

struct PartKind {
  std::string_view name;      // 机油滤清器
  std::string_view category;  // code of dbj001
  std::string_view unit;      // 个, 套, 件, 只, 升
  int price_yuan;             // typical purchase price
  Placement placement;
};

struct Code {
  std::string_view code;
  std::string_view name;
  bool disabled = false;  // ltybs = 1
};

const std::vector<PartKind>& part_kinds();
const std::vector<Code>& categories();
const std::vector<Code>& vehicle_models();
const std::vector<std::string_view>& positions(Placement placement);
const std::vector<Code>& zones();

// Pinyin code of a name: the upper-case initial of each Chinese character, letters and digits
// kept (upper-cased), anything else skipped, cut to `max_length` characters.
// Throws std::logic_error for a Chinese character outside the generator's table.
std::string pinyin_initials(std::string_view text, size_t max_length = 12);

}  // namespace sparestock::schema::demo
