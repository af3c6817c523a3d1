#pragma once
// The host's globals of one session: who is logged in, for which company, the accounting
// period, the message-box title and the print service's choices.

#include <optional>
#include <string>

#include "host/db/value.h"

namespace sparestock::grid {
class Grid;
}

namespace sparestock::ui {

struct Globals {
  std::string gs_yhssgsh;                        // company number of the user
  std::string gs_yhdm;                           // user code
  std::string gs_yhmc;                           // user name
  std::string gs_tsxx = "提示信息";              // title of message boxes
  std::string gs_title;                          // first piece of the frame title
  std::string gs_dq;                             // second piece of the frame title
  std::optional<db::DateTime> gd_qsrq, gd_jzrq;  // start and end of the accounting period
  std::optional<db::DateTime> gd_xtrq;           // system date-time
  std::optional<db::DateTime> gd_zxrq;           // first day of the current month
  std::string gs_dqn, gs_dqy;                    // current year and month
  std::string gs_kjn, gs_kjy;                    // accounting year and month
  long gi_pzh = 0;                               // voucher number
  grid::Grid* gd_print = nullptr;                // the grid the print command prints
  int gi_dwtype = 0;
  std::string gs_syntax;
};

}  // namespace sparestock::ui
