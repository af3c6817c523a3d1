#include "stock_enquiry/w_bj704_002.h"

#include "common/pick_button.h"
#include "host/lib/pick_list.h"

namespace sparestock::stock_enquiry {

w_bj704_002::w_bj704_002(ui::Session& session) : w_small(session, "w_bj704_002") {
  title = "输入备件号";
  width = 1152;
  height = 320;
  st_1.place(37, 88, 215, 72);
  sle_1.place(261, 76, 677, 92);
  pb_1.place(951, 72, 101, 100);
  pb_1.picture = "locate.bmp";
}

void w_bj704_002::pb_1_clicked() {
  common::pick_button(sle_1, common::parts_list(session().globals().gs_yhssgsh, lib::f_popcx));
}

void w_bj704_002::sle_1_ue_press(ui::Key key) {
  if (key == ui::Key::Escape) {
    closewithreturn(std::string());
  } else if (key == ui::Key::F9) {
    pb_1_clicked();
  } else if (key == ui::Key::Enter) {
    std::string ls_text = sle_1.text;
    closewithreturn(ls_text);
  }
}

void w_bj704_002::open() {
  w_small::open();
  sle_1.setfocus();
  f_aotocenter();
}

int w_bj704_002::f_aotocenter() {
  double screen_width = ui::pixelstounits(session().screen_width, ui::PixelConversion::XPixelsToUnits);
  double screen_height = ui::pixelstounits(session().screen_height, ui::PixelConversion::YPixelsToUnits);
  x = static_cast<int>(screen_width * 0.5 - width * 0.5);
  y = static_cast<int>(screen_height * 0.5 - height * 0.5 - 80);
  return 1;
}

}  // namespace sparestock::stock_enquiry
