#pragma once
// w_large: the host's list form. The menu m_e4 raises its navigation events, which move the
// current row of the form's main grid (by default its first grid control):
//
//   ue_first  the first row         ue_last  the previous row
//   ue_next   the next row          ue_end   the last row
//
// (the row moved to is highlighted alone)
//   ue_help   f_open_help(0), the help index
//
// open and close set and restore the frame title (gs_title + gs_dq + the form's title). A
// descendant extends an event by overriding it and calling the ancestor's first, or replaces
// it.

#include <string>

#include "host/lib/global_functions.h"
#include "host/ui/grid_control.h"
#include "host/ui/session.h"
#include "host/ui/window.h"

namespace sparestock::lib {

class w_large : public ui::Window {
 public:
  w_large(ui::Session& session, std::string class_name, ui::WindowType type = ui::WindowType::Child);

  void open() override;
  void close() override;
  // The frame shows the form's title again when it comes back to the front.
  void activate() override;

  virtual void ue_first();
  virtual void ue_last();
  virtual void ue_next();
  virtual void ue_end();
  virtual void ue_help();

  virtual int f_aotocenter();

 protected:
  // The grid the navigation moves; nullptr when the form has none.
  virtual ui::GridControl* main_grid();

 private:
  void move_row(RowStep step);
};

}  // namespace sparestock::lib
