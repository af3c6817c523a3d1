#include "common/structures.h"

#include <nlohmann/json.hpp>

namespace sparestock::common {

void to_json(nlohmann::json& j, const s_bj605_001& s) {
  j = {{"kh", s.kh}, {"km", s.km}, {"kq", s.kq}, {"kqm", s.kqm}, {"kw", s.kw}};
}

void to_json(nlohmann::json& j, const s_bj605_003& s) {
  j = {{"cph", s.cph}, {"cpmc", s.cpmc}, {"cbdj", s.cbdj.to_string()}};
}

}  // namespace sparestock::common
