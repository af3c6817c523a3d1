#pragma once
// w_small: the host's small dialog, a response window: opening it suspends the opener until it
// closes with a value (closewithreturn), which the opener reads from message. f_aotocenter()
// centres it; a descendant may replace it with its own.

#include <any>
#include <string>

#include "host/ui/session.h"
#include "host/ui/window.h"

namespace sparestock::lib {

class w_small : public ui::Window {
 public:
  w_small(ui::Session& session, std::string class_name, ui::WindowType type = ui::WindowType::Response);

  virtual int f_aotocenter();
  // Closes the dialog handing `value` to the opener (message.stringparm for a string,
  // doubleparm for a number, powerobjectparm otherwise).
  int closewithreturn(std::any value);
};

}  // namespace sparestock::lib
