#pragma once
// w_bj704_002: the part-number popup. A modal window in which the user types a part number or
// picks one from the parts master (F9 or the button beside the field); Enter hands the text
// back as the close value, Escape hands back "". Opened by the stock enquiry forms, which read
// the answer from message.stringparm.

#include "host/lib/w_small.h"
#include "host/ui/controls.h"
#include "host/ui/session.h"

namespace sparestock::stock_enquiry {

class w_bj704_002 : public lib::w_small {
 public:
  explicit w_bj704_002(ui::Session& session);

  void open() override;
  // Replaces the ancestor's centring: the popup sits 80 units above the centre of the screen.
  int f_aotocenter() override;

  void pb_1_clicked();
  // Key-down in the field: Escape answers "", F9 picks a part, Enter answers the text.
  void sle_1_ue_press(ui::Key key);

  ui::StaticText st_1{*this, "st_1", "备件号"};
  ui::SingleLineEdit sle_1{*this, "sle_1", 20};
  ui::CommandButton pb_1{*this, "pb_1", "", ui::ControlKind::PictureButton};
};

}  // namespace sparestock::stock_enquiry
