#pragma once
// Part labels for the stock rows a stock enquiry form shows. The label grid (d_bjbq, over the
// view V_KCMX) has other columns than the stock grid (d_bj704_002), so it cannot share that
// grid's rows; instead it is filled with one label per shown stock row, in the order shown
// (after filter and sort): the V_KCMX row of the same company, warehouse and part. Only the
// user's company is read.

#include <string>

#include "host/db/transaction.h"
#include "host/grid/grid.h"

namespace sparestock::stock_enquiry {

// Fills `labels` (a grid holding d_bjbq) with one row per row shown in `stock` (a grid with
// the columns of d_bj704_002), in order. The label data is read through `sqlca` for `company`
// only; a stock row the view does not hold (removed since the stock grid was read) gets a label
// from the stock row itself (part, name, warehouse, zone, location). Returns the number of
// labels, or -1 when the database fails (the reason in sqlca.sqlerrtext; `labels` then holds
// no rows).
long fill_labels(grid::Grid& labels, const grid::Grid& stock, db::Transaction& sqlca,
                 const std::string& company);

}  // namespace sparestock::stock_enquiry
