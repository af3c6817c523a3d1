#include "schema/demo_vocabulary.h"

#include <stdexcept>
#include <unordered_map>

#include "host/base/text.h"

namespace sparestock::schema::demo {

namespace {

// Every Chinese character of the vocabulary followed by its pinyin initial.
constexpr std::string_view kInitials =
    "机J油Y滤L清Q器Q空K气Q汽Q调T刹S车C片P盘P制Z动D分F泵B手S线X火H花H塞S点D圈Q高G压Y"
    "正Z时S皮P带D套T件J发F电D水S节J温W门M室S盖G垫D缸G减J震Z球Q头T转Z向X拉L杆G摆B"
    "臂B轮L毂G轴Z承C半B稳W定D蓄X池C起Q氧Y传C感G大D灯D总Z成C尾W喇L叭B雨Y刮G后H视S"
    "镜J锁S玻B璃L升S降J保B险X杠G翼Y子Z板B防F冻D液Y变B速S箱X前Q左Z右Y捷J达D桑S塔T"
    "纳N宝B来L腾T迈M帕P萨S特T尔E夫F朗L逸Y途T观G凯K美M瑞R卡K罗L雅Y阁G思S域Y轩X天T"
    "籁L富F康K夏X利L";

// Decodes one UTF-8 sequence at `pos`, advancing it. Malformed bytes decode as themselves.
char32_t next_code_point(std::string_view s, size_t& pos) {
  size_t n = text::char_length(s, pos);
  unsigned char c = static_cast<unsigned char>(s[pos]);
  char32_t cp = n == 1 ? c : c & (0x7F >> n);
  for (size_t i = 1; i < n; ++i) cp = (cp << 6) | (static_cast<unsigned char>(s[pos + i]) & 0x3F);
  pos += n;
  return cp;
}

const std::unordered_map<char32_t, char>& initials() {
  static const std::unordered_map<char32_t, char> table = [] {
    std::unordered_map<char32_t, char> t;
    size_t pos = 0;
    while (pos < kInitials.size()) {
      char32_t cp = next_code_point(kInitials, pos);
      t[cp] = kInitials[pos++];
    }
    return t;
  }();
  return table;
}

}  // namespace

const std::vector<PartKind>& part_kinds() {
  using P = Placement;
  static const std::vector<PartKind> kinds = {
      {"机油滤清器", "001", "个", 35, P::None},    {"空气滤清器", "001", "个", 60, P::None},
      {"汽油滤清器", "001", "个", 80, P::None},    {"空调滤清器", "001", "个", 50, P::None},
      {"刹车片", "002", "套", 260, P::FrontRear},  {"刹车盘", "002", "只", 380, P::FrontRear},
      {"制动分泵", "002", "只", 220, P::Corner},   {"手刹线", "002", "件", 90, P::None},
      {"火花塞", "003", "只", 45, P::None},        {"点火线圈", "003", "只", 320, P::None},
      {"高压线", "003", "套", 150, P::None},       {"正时皮带", "004", "件", 280, P::None},
      {"正时皮带套件", "004", "套", 960, P::None}, {"发电机皮带", "004", "件", 120, P::None},
      {"水泵", "004", "个", 450, P::None},         {"节温器", "004", "个", 160, P::None},
      {"气门室盖垫", "004", "件", 70, P::None},    {"缸垫", "004", "件", 180, P::None},
      {"机油泵", "004", "个", 520, P::None},       {"减震器", "005", "只", 480, P::Corner},
      {"球头", "005", "个", 130, P::Corner},       {"转向拉杆", "005", "件", 210, P::Corner},
      {"摆臂", "005", "件", 390, P::Corner},       {"轮毂轴承", "005", "个", 260, P::Corner},
      {"半轴", "005", "件", 880, P::Corner},       {"稳定杆", "005", "件", 300, P::FrontRear},
      {"蓄电池", "006", "个", 650, P::None},       {"发电机", "006", "个", 1600, P::None},
      {"起动机", "006", "个", 1400, P::None},      {"氧传感器", "006", "只", 420, P::FrontRear},
      {"大灯总成", "006", "件", 1800, P::Corner},  {"尾灯总成", "006", "件", 760, P::Corner},
      {"喇叭", "006", "只", 85, P::None},          {"雨刮片", "007", "套", 95, P::FrontRear},
      {"后视镜", "007", "件", 480, P::Corner},     {"门锁", "007", "件", 260, P::Corner},
      {"玻璃升降器", "007", "件", 340, P::Corner}, {"保险杠", "007", "件", 1200, P::FrontRear},
      {"翼子板", "007", "件", 680, P::Corner},     {"机油", "008", "升", 45, P::None},
      {"防冻液", "008", "升", 30, P::None},        {"刹车油", "008", "升", 40, P::None},
      {"变速箱油", "008", "升", 70, P::None},
  };
  return kinds;
}

const std::vector<Code>& categories() {
  static const std::vector<Code> codes = {{"001", "滤清器类"}, {"002", "制动件"}, {"003", "点火件"},
                                          {"004", "发动机件"}, {"005", "底盘件"}, {"006", "电器件"},
                                          {"007", "车身件"},   {"008", "油液"},   {"009", "轮胎", true}};
  return codes;
}

const std::vector<Code>& vehicle_models() {
  static const std::vector<Code> codes = {
      {"01", "捷达"},       {"02", "桑塔纳"},    {"03", "宝来"}, {"04", "速腾"}, {"05", "迈腾"},
      {"06", "帕萨特"},     {"07", "高尔夫"},    {"08", "朗逸"}, {"09", "途观"}, {"10", "凯美瑞"},
      {"11", "卡罗拉"},     {"12", "雅阁"},      {"13", "思域"}, {"14", "轩逸"}, {"15", "天籁"},
      {"16", "富康", true}, {"17", "夏利", true}};
  return codes;
}

const std::vector<std::string_view>& positions(Placement placement) {
  static const std::vector<std::string_view> none = {""};
  static const std::vector<std::string_view> front_rear = {"前", "后"};
  static const std::vector<std::string_view> corner = {"左前", "右前", "左后", "右后", "左", "右"};
  switch (placement) {
    case Placement::FrontRear: return front_rear;
    case Placement::Corner: return corner;
    default: return none;
  }
}

const std::vector<Code>& zones() {
  static const std::vector<Code> codes = {{"01", "一区"},   {"02", "二区"},   {"03", "三区"},
                                          {"04", "油料区"}, {"05", "大件区"}, {"06", "待检区"}};
  return codes;
}

std::string pinyin_initials(std::string_view text, size_t max_length) {
  std::string out;
  size_t pos = 0;
  while (pos < text.size() && out.size() < max_length) {
    char32_t cp = next_code_point(text, pos);
    if (cp < 0x80) {
      char c = text::upper(static_cast<char>(cp));
      if ((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) out.push_back(c);
      continue;
    }
    auto it = initials().find(cp);
    if (it == initials().end())
      throw std::logic_error("no pinyin initial for a character of \"" + std::string(text) + "\"");
    out.push_back(it->second);
  }
  return out;
}

}  // namespace sparestock::schema::demo
