#pragma once
// Help: f_open_help shows the help text of a topic in the modeless window `w_help`. Topics are
// registered by number: the host's own for its windows (418 stock status w_bj418_001, 900 the
// query-condition form w_cx and the sort form w_sort), and the module's, which the runtime
// registers from the module's help objects when it loads the library (the forms' ue_help names
// the number). Topic 0, the index, lists every registered topic.

#include <optional>
#include <string>
#include <vector>

#include "host/ui/session.h"

namespace sparestock::lib {

inline constexpr const char* kHelpClass = "w_help";

struct HelpTopic {
  int number = 0;
  std::string title;
  std::string text;     // paragraphs separated by blank lines
  std::string summary;  // what the index adds after the title, in parentheses; "" for nothing
};

// Makes a topic available. false, and nothing changes, when the number is taken or is not
// positive (0 is the index).
bool register_help_topic(HelpTopic topic);
// Every topic in number order, the index (0) first.
std::vector<HelpTopic> help_topics();
// std::nullopt for an unknown number.
std::optional<HelpTopic> find_help_topic(int number);

// Shows topic `number` in the help window, opening it when it is not open yet (a help window
// already open shows the new topic). 1, or -1 for an unknown topic (the window then shows the
// index, headed by a line saying the topic does not exist).
int f_open_help(ui::Session& session, int number);

// The help window: the topic's title and text, a list to move to another topic, and a close
// button. Modeless: the form that asked for help stays usable.
class w_help : public ui::Window {
 public:
  explicit w_help(ui::Session& session);

  // Shows a topic; -1 (and the index) for an unknown number.
  int show(int number);
  int topic() const { return topic_; }

  ui::DropDownListBox ddlb_1{*this, "ddlb_1", {}};  // "201 库存查询" per topic, in order
  ui::StaticText st_1{*this, "st_1", ""};           // title
  ui::StaticText st_2{*this, "st_2", ""};           // text
  ui::CommandButton cb_1{*this, "cb_1", "关闭(&C)"};

 private:
  int topic_ = 0;
};

}  // namespace sparestock::lib
