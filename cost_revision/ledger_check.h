#pragma once
// The ledger check of one company: what `sparestock check-ledger` reports. A voucher is a
// company, voucher date (dpzrq), voucher word and number; its accounting period is the
// calendar month of its date. The rules:
//
//   balance     in each journal, the voucher's debits (ljdbs 0) equal its credits (ljdbs 1);
//   journals    the general ledger (dzz0031/dzz0032) and the inventory ledger (dch002/dch003)
//               hold the same vouchers with the same lines (line number, summary, account,
//               amount, side), and no journal holds lines without their header;
//   numbering   every voucher number lies within the highest number dzz007 records for its
//               period and word, is not listed as vacant in dzz008, and is used by one voucher
//               of the period and word only;
//   revisions   for a company that posts to the ledgers (dxt002.lcwaz = 1): on every day, the
//               cost revisions' change in stock value in the log (the negated dbj060.ntzje of
//               rows with cbs '3') equals the debits of that day's cost revision vouchers
//               (lines whose summary is "修改备件成本单价").

#include <string>
#include <vector>

#include "host/db/transaction.h"

namespace sparestock::cost_revision {

struct LedgerProblem {
  std::string rule;     // "balance", "journals", "numbering", "revisions"
  std::string voucher;  // "记 13 2026-12-08 10:00:00", or the day for "revisions"
  std::string detail;   // what is wrong, in a sentence
};

struct LedgerReport {
  std::vector<LedgerProblem> problems;  // in voucher order, then the days of the revisions
  long vouchers = 0;                    // vouchers examined (both journals together)
  std::string error;                    // a database failure; then nothing was checked
  bool ok() const { return error.empty() && problems.empty(); }
};

// Reads the company's vouchers, numbering and revision log through `t` (reads only).
LedgerReport check_ledger(db::Transaction& t, const std::string& company);

}  // namespace sparestock::cost_revision
