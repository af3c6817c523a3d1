#pragma once
// The stock search `gg` of the stock enquiry forms: from the query mode, the typed text, the
// part number chosen in the part-number popup, the warehouse the form was opened with and the
// part-number matching rule, it validates the typed code and builds the filter expression that
// narrows the stock grid (d_bj704_002).
//
// Two variants share inputs, control flow and end handling and differ in their expressions:
// A for w_bj704_001, B for w_bj704_001_001, w_bj704_001_003 and w_bj902_001.
//
// The search does not touch the form: it answers what the form does next (SearchOutcome). The
// form then, for SetFilter, sets `filter` on dw_edit and applies it; for Message, shows
// `message` (title gs_tsxx) and changes nothing else; and, where `restore_mode` is set,
// copies i_gdz into xlh and, when the grid holds no row, shows kNoRowsMessage, otherwise gives
// dw_edit the focus. A step-1 outcome only gives dw_edit the focus after filtering.
//
// Typed text, popup part number and warehouse are placed into the expression's '...' literals
// with the expression language's escape (a quote as ~', a tilde as ~~), so that no input can
// change the expression's structure; text without quote or tilde appears as typed.

#include <optional>
#include <string>
#include <string_view>

#include "host/db/transaction.h"

namespace sparestock::stock_enquiry {

enum class Variant { A, B };

// The window state `gg` reads.
struct SearchInputs {
  int xlh = 1;               // query mode 1..7
  std::string text;          // sle_1.text as it stands
  std::string ls_cph;        // part number from the popup (P); empty when none
  std::string ls_parm;       // warehouse the form was opened with (W); empty when none
  bool rb_4_checked = true;  // main-group matching rule; false: full-number rule (rb_3)
  std::string ddlb_1_text;   // mode 4: "常用" selects common parts, anything else the others
};

struct SearchOutcome {
  enum class Kind {
    SetFilter,  // set `filter` on dw_edit and apply it
    Message,    // the typed code was refused: show `message`, change nothing
    NoFilter,   // mode outside 1..7: the filter stays as it is
  };
  Kind kind = Kind::NoFilter;
  std::string filter;         // SetFilter: the expression to set; may be empty (all rows)
  std::string message;        // Message: the text to show
  bool via_f_check = false;   // `filter` is what f_check answered for the built expression
  bool step1 = false;         // nothing to search for: the warehouse or empty filter
  bool restore_mode = false;  // end of a search: xlh = i_gdz, then the empty-result message
  bool reset_i_bs = false;    // a mode-6 search passed its check: i_bs = 0
};

inline constexpr const char* kNoRowsMessage = "无满足条件的记录!";

// An existence check a search runs before it builds its expression.
struct CodeCheck {
  std::string statement;  // T-SQL with the host variables :code and :gsh (the company)
  std::string code;       // the search text T
  std::string message;    // shown when the code is not found
};

// The search text T: `typed` without leading and trailing blanks, ASCII letters upper-cased.
std::string search_text(std::string_view typed);

// `value` written for the inside of a '...' literal of a filter expression: a quote as ~' and
// a tilde as ~~; everything else unchanged.
std::string filter_literal(std::string_view value);

// The existence check the search needs (modes 5, 6, 7, and 3 in variant B, when T is not
// empty and there is something to search for); nullopt when none.
std::optional<CodeCheck> code_check(Variant variant, const SearchInputs& in);

// True when the check's code exists for `company` and is not disabled. A missing row and a
// failed statement both count as not found.
bool code_exists(const CodeCheck& check, db::Transaction& sqlca, const std::string& company);

// The search without its existence check: the outcome when the code is found (or not
// checked). Pure; used where no database is at hand.
SearchOutcome plan_search(Variant variant, const SearchInputs& in);

// The whole search: the existence check through `sqlca` with `company`, then plan_search.
SearchOutcome build_search(Variant variant, const SearchInputs& in, db::Transaction& sqlca,
                           const std::string& company);

}  // namespace sparestock::stock_enquiry
