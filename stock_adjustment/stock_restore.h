#pragma once
// The stock restore (库存数据恢复): the database recomputes the company's stock figures of the
// accounting period through the procedure sp_kcyzx, which reports through a mailbox row of the
// message table `error`.
//
// One run is one unit of work on sqlca: it inserts its own mailbox row and takes the number
// the database gave that row (so that runs of several users at once never share a row), runs
// the procedure for the period gd_qsrq .. gd_jzrq (both at 00:00:00), reads back the text of
// its own row and deletes the row. An empty (or null) text is success: the work is committed
// and "库存数据恢复成功!" shown. Anything else is failure: everything is rolled back and the
// user sees the procedure's text, or the database's text when a statement failed, or a
// sentence saying the mailbox row was not found.

#include "host/ui/session.h"

namespace sparestock::stock_adjustment {

// Runs the restore and tells the user its outcome. true when it succeeded and was committed.
bool restore_stock(ui::Session& session);

}  // namespace sparestock::stock_adjustment
