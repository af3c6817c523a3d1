#pragma once
// w_bj902_001: cost price revision "修改备件成本单价". The stock enquiry w_bj704_001 over one row
// per part of the company (d_bj902_002 in dw_edit), searched as the enquiry searches; the user
// types new cost prices into nxcbdj, the only column that takes typing, and cb_8 posts them:
// every stock record of a part gets its new price, a balanced voucher goes into both journals
// (when the company posts to the ledgers, dxt002.lcwaz = 1) and one log row per part into
// dbj060, all in one unit of work on sqlca, or nothing at all.
//
// The open refuses (message, the form closes) when the company posts to the ledgers without a
// default voucher word, or the system date lies before its current accounting month, and for
// every company when the system date lies outside the host's date range gd_qsrq..gd_jzrq.
//
// The posting, in the order that lets SQLite's single writer through (sqlls writes the voucher
// number while sqlca has written nothing yet):
//   1. each part with a typed price: its stock figures read from the database (a price that
//      changed since the grid was retrieved refuses the part), the amount (new - old) x stock
//      rounded once to the cent, and its voucher lines (wf_scpz) built from its account group;
//   2. when a voucher line is not zero, the voucher number drawn and committed on sqlls
//      (wf_scpzh), retried when another revision took the same number first;
//   3. on sqlca: the stock prices (each part's records locked and its figures checked again),
//      both journals (wf_save), the log rows through dw_1, the commit.
// A failure rolls sqlca back, hands a drawn voucher number back to the vacant numbers
// (f_fxpzh), shows its message(s) and keeps the typed prices on screen.

#include <optional>
#include <string>
#include <vector>

#include "host/db/decimal.h"
#include "host/db/value.h"
#include "stock_enquiry/w_bj704_001.h"

namespace sparestock::cost_revision {

class w_bj902_001 : public stock_enquiry::w_bj704_001 {
 public:
  explicit w_bj902_001(ui::Session& session);

  // ---- own controls, after the inherited ones ----
  ui::CommandButton cb_8{*this, "cb_8", "确定(&7)"};
  ui::GridControl dw_scpz{*this, "dw_scpz"};  // voucher lines (d_yfscpz), hidden
  ui::GridControl dw_1{*this, "dw_1"};        // log rows (d_bj902_004), hidden

  // ---- instance variables ----
  int ii_cwaz = 0;       // 1: the company posts vouchers to the ledgers
  std::string is_qspzz;  // voucher word of every voucher the form posts

  // ---- window events ----
  void open() override;     // replaces
  void ue_help() override;  // topic 211

  // ---- control events ----
  void dw_edit_rowfocuschanged(long currentrow) override;  // replaces: highlight and status
  void dw_edit_clicked(long row) override;                 // replaces: status only
  void dw_edit_doubleclicked(long row) override;           // nothing: no row is handed back
  void dw_edit_rownotmove() override;                      // nothing
  void dw_edit_editchanged(long row, const std::string& column, const std::string& data);
  void rb_3_clicked() override;  // extends: sorted by the whole part number
  void rb_4_clicked() override;  // extends: sorted by the main group
  // The revision: validation of the typed prices, then the posting.
  void cb_8_clicked();

  // ---- window functions ----
  // Centres the form on the screen. 1.
  int f_center();
  // Adds `adc_je` to the debit line of the part's cost-of-sales account and to the credit line
  // of its inventory account in dw_scpz (a line per account, appended when missing). false,
  // after a message naming the part, when its account group is missing, has no accounts in
  // dzz006, lacks one of them or uses one account for both sides.
  bool wf_scpz(const db::Decimal& adc_je, const std::string& as_cph);
  // Writes the voucher header and the lines of dw_scpz into both journals under gi_pzh. false
  // after the failing statement's message; sqlca is then rolled back and the number handed back.
  bool wf_save();
  // Draws the voucher number of the period of `ad_pzrq` into gi_pzh and commits it on sqlls.
  // false when no number could be drawn (nothing recorded).
  bool wf_scpzh(const db::DateTime& ad_pzrq);

  // What one grid row with a typed price revises.
  struct Revision {
    std::string part;
    db::Decimal old_price, new_price;
    db::Decimal quantity;  // stock of the part over its records, read from the database
    db::Decimal amount;    // (new - old) x quantity, rounded half away from zero to the cent
    bool changed() const { return new_price != old_price; }
  };

 private:
  void build();
  // The system date-time the revision is dated with: gd_xtrq, or the clock when the host has
  // not set it.
  db::DateTime system_time() const;
  // Shows a message with the form's title (gs_tsxx).
  void tell(const std::string& text);
  // Closes the form from its open event after `text`.
  void refuse_open(const std::string& text);
  // The rows the filter shows with a price typed (neither 0 nor empty), with their stock figures
  // read from the database; nullopt after the message when a part's price changed since the
  // grid was retrieved, or the database fails.
  std::optional<std::vector<Revision>> read_revisions();
  // The new price on the part's stock records, which stay locked until the end of the unit of
  // work; false after the message when the records changed since they were read.
  bool write_price(const Revision& r);
  // One log row per revision into dw_1.
  void fill_log(const std::vector<Revision>& revisions);
  // A voucher line is not zero.
  bool voucher_needed();
  // Ends a failed posting: sqlca rolled back, a drawn number handed back, then `text` (if any).
  void abandon(const std::string& text);

  long drawn_number_ = 0;  // the voucher number drawn by this revision and not yet posted
};

}  // namespace sparestock::cost_revision
