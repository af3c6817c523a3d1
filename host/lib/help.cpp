#include "host/lib/help.h"

#include <map>
#include <mutex>

#include <fmt/format.h>

#include "host/lib/host_library.h"

namespace sparestock::lib {

namespace {

// The host's own topics, for its windows.
std::vector<HelpTopic> host_topics() {
  std::vector<HelpTopic> t;
  t.push_back({418, "库存状态",
               "本窗口列出本公司每个仓库中每种备件的可用库存（库存数量减去申请数量、"
               "已开票数量和锁定数量，加上调整数），只查询，不修改数据。\n"
               "\n"
               "菜单“浏览”中的第一条、上一条、下一条、最后一条移动当前行，“条件查询”和“排序”"
               "与其他查询窗口相同。按“退出”关闭窗口。",
               ""});

  t.push_back({900, "条件查询与排序",
               "条件查询（菜单“查询”→“条件查询”）：在“列名”中选择要查询的列，在“运算符”中选择"
               "=、<>、>、>=、<、<=、like 或“包含”，在“值”中输入内容，按“加入条件”（或在值中按 Enter）。"
               "可加入多个条件，用“并且(and)”或“或者(or)”连接。按“确定”按条件筛选列表，"
               "按“取消”或 Esc 放弃。like 的值中 % 代表任意多个字符，_ 代表一个字符；"
               "“包含”查找含有所输文字的记录。数值列只能输入数字，日期列输入如 2026-12-08 的日期。"
               "值为空时“=”查找该列为空的记录。查不到记录时提示“没有符合条件的记录”，并恢复显示全部记录。\n"
               "\n"
               "排序（菜单“浏览”→“排序”）：选择列和“升序”或“降序”，按“加入”，可加入多个排序列，"
               "先加入的优先；按“确定”重新排列，按“清除”重新选择。",
               ""});
  return t;
}

struct Registry {
  std::mutex mutex;
  std::map<int, HelpTopic> topics;
};

Registry& registry() {
  static Registry* r = [] {
    auto* r = new Registry;
    for (auto& t : host_topics()) r->topics.emplace(t.number, std::move(t));
    return r;
  }();
  return *r;
}

// The index lists every registered topic, with the summary of what it covers.
HelpTopic index_of(const std::map<int, HelpTopic>& topics) {
  std::string lines;
  for (const auto& [number, t] : topics)
    lines += fmt::format("{} {}{}\n", number, t.title, t.summary.empty() ? "" : "（" + t.summary + "）");
  return {0, "帮助目录",
          "备件库存管理的帮助主题如下，在上方的列表中选择主题即可阅读：\n"
          "\n" +
              lines +
              "\n"
              "各窗口中按菜单“帮助”→“帮助主题”或工具栏的帮助按钮，打开的就是该窗口的帮助。",
          ""};
}

}  // namespace

bool register_help_topic(HelpTopic topic) {
  if (topic.number <= 0) return false;
  Registry& r = registry();
  std::lock_guard lock(r.mutex);
  return r.topics.emplace(topic.number, std::move(topic)).second;
}

std::vector<HelpTopic> help_topics() {
  Registry& r = registry();
  std::lock_guard lock(r.mutex);
  std::vector<HelpTopic> out{index_of(r.topics)};
  for (const auto& [number, t] : r.topics) out.push_back(t);
  return out;
}

std::optional<HelpTopic> find_help_topic(int number) {
  Registry& r = registry();
  std::lock_guard lock(r.mutex);
  if (number == 0) return index_of(r.topics);
  auto it = r.topics.find(number);
  if (it == r.topics.end()) return std::nullopt;
  return it->second;
}

w_help::w_help(ui::Session& session) : Window(session, kHelpClass, ui::WindowType::Popup) {
  title = "帮助";
  width = 2400;
  height = 1800;
  ddlb_1.place(73, 40, 1600, 600);
  st_1.place(73, 160, 2250, 80);
  st_2.place(73, 260, 2250, 1300);
  cb_1.place(2000, 1620, 320, 100);
  // The list holds the topics registered when the window opened; an item shows its topic.
  std::vector<int> numbers;
  ddlb_1.items.clear();
  for (const auto& t : help_topics()) {
    numbers.push_back(t.number);
    ddlb_1.items.push_back(fmt::format("{} {}", t.number, t.title));
  }
  ddlb_1.selectionchanged = [this, numbers](int index) {
    if (index >= 1 && index <= static_cast<int>(numbers.size())) show(numbers[index - 1]);
  };
  cb_1.clicked = [this] { this->session().windows().close(*this); };
}

int w_help::show(int number) {
  std::optional<HelpTopic> topic = find_help_topic(number);
  const HelpTopic shown = topic ? *topic : *find_help_topic(0);
  topic_ = shown.number;
  title = "帮助 - " + shown.title;
  ddlb_1.text = fmt::format("{} {}", shown.number, shown.title);
  st_1.text = shown.title;
  st_2.text = topic ? shown.text : fmt::format("没有编号为 {} 的帮助主题。\n\n{}", number, shown.text);
  return topic ? 1 : -1;
}

int f_open_help(ui::Session& session, int number) {
  register_host_library();
  auto* window = dynamic_cast<w_help*>(session.windows().find(kHelpClass));
  if (!window) window = dynamic_cast<w_help*>(session.windows().open(kHelpClass));
  if (!window) return -1;
  return window->show(number);
}

}  // namespace sparestock::lib
