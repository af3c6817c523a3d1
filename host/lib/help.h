#pragma once
// Help: f_open_help shows the help text of a topic in the modeless window `w_help`. The topics
// are the forms' (their ue_help names the number) and the host windows':
//
//     0  帮助目录 (the list of topics)
//   201  stock enquiry w_bj704_001 and its variants w_bj704_001_001, w_bj704_001_003
//   202  stock special adjustment w_bj701_001, with the stock restore and w_bj701_001_001
//   204  stock alarm w_bj703_001
//   211  cost price revision w_bj902_001
//   418  stock status w_bj418_001
//   900  the query-condition form w_cx and the sort form w_sort

#include <string>
#include <vector>

#include "host/ui/session.h"

namespace sparestock::lib {

inline constexpr const char* kHelpClass = "w_help";

struct HelpTopic {
  int number = 0;
  std::string title;
  std::string text;  // paragraphs separated by blank lines
};

// Every topic, the index (0) first.
const std::vector<HelpTopic>& help_topics();
// nullptr for an unknown number.
const HelpTopic* find_help_topic(int number);
// "201 库存查询" for each topic, in order (the items of the help window's topic list).
std::vector<std::string> topic_titles();

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

  ui::DropDownListBox ddlb_1{*this, "ddlb_1", topic_titles()};
  ui::StaticText st_1{*this, "st_1", ""};  // title
  ui::StaticText st_2{*this, "st_2", ""};  // text
  ui::CommandButton cb_1{*this, "cb_1", "关闭(&C)"};

 private:
  int topic_ = 0;
};

}  // namespace sparestock::lib
