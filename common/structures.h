#pragma once
// Record structures the module carries for the host's other modules: a storage location with
// the names of its warehouse and zone, and a part with its cost unit price.

#include <string>

#include <nlohmann/json_fwd.hpp>

#include "host/db/decimal.h"

namespace sparestock::common {

struct s_bj605_001 {
  std::string kh;   // warehouse number
  std::string km;   // warehouse name
  std::string kq;   // zone number
  std::string kqm;  // zone name
  std::string kw;   // location
};

struct s_bj605_003 {
  std::string cph;   // part number
  std::string cpmc;  // part name
  db::Decimal cbdj;  // cost unit price
};

// A structure as the runtime reports it (the fields entry): its fields by name, texts as they
// are, decimals as exact text ("12.50").
void to_json(nlohmann::json& j, const s_bj605_001& s);
void to_json(nlohmann::json& j, const s_bj605_003& s);

}  // namespace sparestock::common
