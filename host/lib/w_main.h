#pragma once
// The frame window w_main. Its title and status line are kept by the session
// (Session::frame_title, Session::microhelp); w_main is how forms name them:
//
//   lib::w_main(session()).title(gs_title + gs_dq + "库存特殊调整");
//   lib::w_main(session()).setmicrohelp("行数3/120");
//
// While a form is open the frame shows gs_title + gs_dq + the form's name; when it closes the
// frame shows gs_title again (the host ancestors do both in their open and close events).

#include <string>

#include "host/ui/session.h"

namespace sparestock::lib {

class w_main {
 public:
  explicit w_main(ui::Session& session) : session_(session) {}

  const std::string& title() const { return session_.frame_title; }
  void title(std::string text) { session_.frame_title = std::move(text); }
  void setmicrohelp(const std::string& text) { session_.setmicrohelp(text); }

  // gs_title + gs_dq + name.
  void show_form(const std::string& name);
  // gs_title.
  void restore_title();

 private:
  ui::Session& session_;
};

}  // namespace sparestock::lib
