#include "stock_enquiry/filter_builder.h"

#include "host/base/text.h"
#include "host/grid/expression.h"
#include "host/lib/f_check.h"

namespace sparestock::stock_enquiry {

namespace {

// The values of one search, escaped for literals, and which of them are present. The
// expressions below are written as the rows of the search's tables: quoted pieces joined with
// T, W and P.
struct Terms {
  std::string T, W, P;
  bool has_w = false;
  bool has_p = false;
  bool main_rule = true;
  char F = '0';  // mode 4: the common-part flag digit
};

struct Built {
  std::string expression;
  bool via_f_check = false;  // variant A passes it through f_check
};

bool nothing_to_search(const SearchInputs& in) {
  return search_text(in.text).empty() && in.xlh != 4 && in.ls_cph.empty();
}

// Variant A --------------------------------------------------------------------------------

Built a_mode1(const Terms& x) {
  // The popup's part number takes the place of the typed text whenever it is set.
  const std::string& X = x.has_p ? x.P : x.T;
  if (x.has_w) {
    if (x.main_rule) {
      return {"dbj030_ckh = '" + x.W + "'" + "and ((mid(dbj030_ccph,5,13) like '" + X +
                  "%') or (mid(dbj030_ccph,5,1)=' ' and mid(dbj030_ccph,6,13) like '" + X + "%'))",
              true};
    }
    if (x.has_p) {
      return {"dbj030_ckh = '" + x.W + "'" + " and mid(dbj030_ccph,1,20) like '" + X + "%'", true};
    }
    // Typed text under the full-number rule in one warehouse: a prefix of the whole number or
    // of the number after a blank fifth character, both within the warehouse.
    return {"dbj030_ckh = '" + x.W + "'" + " and (mid(dbj030_ccph,1,20) like '" + X +
                "%' or mid(dbj030_ccph,6,13) like '" + X + "%')",
            true};
  }
  if (x.main_rule) {
    return {"(mid(dbj030_ccph,5,13) like '" + X +
                "%') or (mid(dbj030_ccph,5,1)=' ' and mid(dbj030_ccph,6,13) like '" + X + "%')",
            true};
  }
  return {"mid(dbj030_ccph,1,20) like '" + X + "%'", true};
}

// Mode 2 is the same in both variants; only variant A passes it through f_check.
std::string mode2(const Terms& x) {
  if (x.has_w && x.has_p && x.main_rule) {
    return "(dbj002_ccpmc like '%" + x.T + "%') and (dbj030_ckh = '" + x.W +
           "') and ((mid(dbj030_ccph,5,13) like '" + x.P +
           "%') or ((mid(dbj030_ccph,5,1)=' ' and mid(dbj030_ccph,6,12) like '" + x.P + "%')))";
  }
  if (x.has_w && x.has_p) {
    return "(dbj002_ccpmc like '%" + x.T + "%') and (dbj030_ckh = '" + x.W +
           "') and (mid(dbj030_ccph,1,20) like '" + x.P + "%')";
  }
  if (x.has_w) return "(dbj002_ccpmc like '%" + x.T + "%') and (dbj030_ckh = '" + x.W + "')";
  if (x.has_p && x.main_rule) {
    return "(dbj002_ccpmc like '%" + x.T + "%') and ((mid(dbj030_ccph,5,13) like '" + x.P +
           "%') or (mid(dbj030_ccph,5,1)=' ' and (mid(dbj030_ccph,6,13) like '" + x.P + "%')))";
  }
  if (x.has_p) {
    return "(dbj002_ccpmc like '%" + x.T + "%') and (mid(dbj030_ccph,1,20) like '" + x.P + "%')";
  }
  return "dbj002_ccpmc like '%" + x.T + "%'";
}

Built a_mode3(const Terms& x) {
  if (x.has_w && x.has_p && x.main_rule) {
    return {"(dbj002_cpym like '%" + x.T + "%') and (dbj030_ckh = '" + x.W +
                "') and ((mid(dbj030_ccph,5,13) like '" + x.P +
                "%') or (mid(dbj030_ccph,5,1)=' ' and mid(dbj030_ccph,6,13) like '" + x.P + "%'))",
            true};
  }
  if (x.has_w && x.has_p) {
    return {"(dbj002_cpym like '%" + x.T + "%') and (dbj030_ckh = '" + x.W +
                "') and mid(dbj030_ccph,1,20) like '" + x.P + "%'",
            true};
  }
  if (x.has_w) return {"(dbj002_cpym like '%" + x.T + "%') and (dbj030_ckh = '" + x.W + "')", true};
  if (x.has_p && x.main_rule) {
    return {"(dbj002_cpym like '%" + x.T + "%') and ((mid(dbj030_ccph,5,13) like '" + x.P +
                "%') or (mid(dbj030_ccph,5,1)=' ' and mid(dbj030_ccph,6,13) like '" + x.P + "%'))",
            true};
  }
  if (x.has_p) {
    return {"(dbj002_cpym like '%" + x.T + "%') and mid(dbj030_ccph,1,20) like '" + x.P + "%'", true};
  }
  return {"(dbj002_cpym like '%" + x.T + "%')", true};
}

// The heads of mode 4, chosen by the common-part flag. H2 and H3 have two blanks before "and".
std::string H1(const Terms& x) { return std::string("dbj002_lcyjbs = ") + x.F + " and dbj030_ckh = '"; }
std::string H2(const Terms& x) {
  return std::string("dbj002_lcyjbs = ") + x.F + "  and ((mid(dbj030_ccph,5,13) like '";
}
std::string H3(const Terms& x) {
  return std::string("dbj002_lcyjbs = ") + x.F + "  and mid(dbj030_ccph,1,20) like '";
}
std::string H4(const Terms& x) { return std::string("dbj002_lcyjbs = ") + x.F; }

Built a_mode4(const Terms& x) {
  if (x.has_w && x.has_p && x.main_rule) {
    return {H1(x) + x.W + "' and ((mid(dbj030_ccph,5,13) like '" + x.P +
                "%') or (mid(dbj030_ccph,5,1)=' ' and mid(dbj030_ccph,6,13) like '" + x.P + "%'))",
            true};
  }
  if (x.has_w && x.has_p) {
    return {H1(x) + x.W + "' and mid(dbj030_ccph,1,20) like '" + x.P + "%'", true};
  }
  if (x.has_w) return {H1(x) + x.W + "'", false};
  if (x.has_p && x.main_rule) {
    return {H2(x) + x.P + "%') or (mid(dbj030_ccph,5,1)=' ' and mid(dbj030_ccph,6,13) like '" + x.P + "%'))",
            true};
  }
  if (x.has_p) return {H3(x) + x.P + "%'", true};
  return {H4(x), false};
}

// Modes 5, 6 and 7 share their rows behind the head H; mode 6 never takes the W rows.
std::string code_head(int xlh, const Terms& x) {
  if (xlh == 5) return "dbj002_cflh = '" + x.T;
  if (xlh == 6) return "dbj030_ckh = '" + x.T;
  return "dbj002_ccxh = '" + x.T;
}

Built a_code_mode(int xlh, const Terms& x) {
  const std::string H = code_head(xlh, x);
  const bool has_w = x.has_w && xlh != 6;
  if (has_w && x.has_p && x.main_rule) {
    return {H + "' and dbj030_ckh = '" + x.W + "' and ((mid(dbj030_ccph,5,13) like '" + x.P +
                "%') or (mid(dbj030_ccph,5,1)=' ' and mid(dbj030_ccph,6,13) like '" + x.P + "%'))",
            true};
  }
  if (has_w && x.has_p) {
    return {H + "' and dbj030_ckh = '" + x.W + "' and mid(dbj030_ccph,1,20) like '" + x.P + "%'", true};
  }
  if (has_w) return {H + "' and dbj030_ckh = '" + x.W + "'", false};
  if (x.has_p && x.main_rule) {
    return {H + "' and ((mid(dbj030_ccph,5,13) like '" + x.P +
                "%') or (mid(dbj030_ccph,5,1)=' ' and mid(dbj030_ccph,6,13) like '" + x.P + "%'))",
            true};
  }
  if (x.has_p) return {H + "' and mid(dbj030_ccph,1,20) like '" + x.P + "%'", true};
  return {H + "'", false};
}

Built variant_a(int xlh, const Terms& x) {
  switch (xlh) {
    case 1: return a_mode1(x);
    case 2: return {mode2(x), true};
    case 3: return a_mode3(x);
    case 4: return a_mode4(x);
    default: return a_code_mode(xlh, x);
  }
}

// Variant B --------------------------------------------------------------------------------

std::string b_mode1(const Terms& x) {
  // With a warehouse the rule is not consulted.
  if (x.has_w && x.has_p) return "dbj030_ccph like '" + x.P + "%' and dbj030_ckh = '" + x.W + "'";
  if (x.has_w) return "dbj030_ccph like '" + x.T + "%' and dbj030_ckh = '" + x.W + "'";
  if (x.has_p && x.main_rule) {
    return "(mid(dbj030_ccph,5,13) like '" + x.P +
           "%' or mid(dbj030_ccph,5,1)=' ' and mid(dbj030_ccph,6,13) like '" + x.P + "%')";
  }
  if (x.has_p) return "mid(dbj030_ccph,1,20) like '" + x.P + "%'";
  if (x.main_rule) {
    return "(mid(dbj030_ccph,5,13) like '" + x.T +
           "%') or (mid(dbj030_ccph,5,1)=' ' and mid(dbj030_ccph,6,13) like '" + x.T + "%')";
  }
  return "mid(dbj030_ccph,1,20) like '" + x.T + "%'";
}

std::string b_mode3(const Terms& x) {
  if (x.has_w && x.has_p && x.main_rule) {
    return "dbj002_cpym = '" + x.T + "' and dbj030_ckh = '" + x.W + "' and (mid(dbj030_ccph,5,13) like '" +
           x.P + "%' or (mid(dbj030_ccph,5,1)=' ' and mid(dbj030_ccph,6,12) like '" + x.P + "%'))";
  }
  if (x.has_w && x.has_p) {
    return "dbj002_cpym = '" + x.T + "' and dbj030_ckh = '" + x.W + "' and mid(dbj030_ccph,1,20) like '" +
           x.P + "%'";
  }
  if (x.has_w) return "dbj002_cpym = '" + x.T + "' and dbj030_ckh = '" + x.W + "'";
  if (x.has_p && x.main_rule) {
    return "dbj002_cpym = '" + x.T + "' and ((mid(dbj030_ccph,5,13) like '" + x.P +
           "%') or (mid(dbj030_ccph,5,1)=' ' and (mid(dbj030_ccph,6,13) like '" + x.P + "%')))";
  }
  if (x.has_p) {
    return "dbj002_cpym = '" + x.T + "' and mid(dbj030_ccph,1,20) like '" + x.P + "%'";
  }
  return "dbj002_cpym = '" + x.T + "'";
}

std::string b_mode4(const Terms& x) {
  if (x.has_w && x.has_p && x.main_rule) {
    return H1(x) + x.W + "' and dbj030_ckh = '" + x.W + "' and (mid(dbj030_ccph,5,13) like '" + x.P +
           "%' or (mid(dbj030_ccph,5,1)=' ' and mid(dbj030_ccph,6,12) like '" + x.P + "%'))";
  }
  if (x.has_w && x.has_p) return H1(x) + x.W + "' and mid(dbj030_ccph,1,20) like '" + x.P + "%'";
  if (x.has_w) return H1(x) + x.W + "'";
  if (x.has_p && x.main_rule) {
    return H2(x) + x.P + "%') or (mid(dbj030_ccph,5,1)=' ' and (mid(dbj030_ccph,6,12) like '" + x.P + "%')))";
  }
  if (x.has_p) return H3(x) + x.P + "%'";
  return H4(x);
}

std::string b_code_mode(int xlh, const Terms& x) {
  const std::string H = code_head(xlh, x);
  const bool has_w = x.has_w && xlh != 6;
  if (has_w && x.has_p && x.main_rule) {
    if (xlh == 5) {
      return H + "' and dbj030_ckh = '" + x.W + "' and (mid(dbj030_ccph,5,13) like '" + x.P +
             "%' or (mid(dbj030_ccph,5,1)=' ' and mid(dbj030_ccph,6,12) like '" + x.P + "%'))";
    }
    return H + "' and dbj030_ckh = '" + x.W + "' and ((mid(dbj030_ccph,5,13) like '" + x.P +
           "%') or (mid(dbj030_ccph,5,1)=' ' and (mid(dbj030_ccph,6,13) like '" + x.P + "%')))";
  }
  if (has_w && x.has_p) {
    return H + "' and dbj030_ckh = '" + x.W + "' and mid(dbj030_ccph,1,20) like '" + x.P + "%'";
  }
  if (has_w) return H + "' and dbj030_ckh = '" + x.W + "'";
  if (x.has_p && x.main_rule) {
    return H + "' and ((mid(dbj030_ccph,5,13) like '" + x.P +
           "%') or (mid(dbj030_ccph,5,1)=' ' and (mid(dbj030_ccph,6,13) like '" + x.P + "%')))";
  }
  if (x.has_p) return H + "' and mid(dbj030_ccph,1,20) like '" + x.P + "%'";
  return H + "'";
}

std::string variant_b(int xlh, const Terms& x) {
  switch (xlh) {
    case 1: return b_mode1(x);
    case 2: return mode2(x);
    case 3: return b_mode3(x);
    case 4: return b_mode4(x);
    default: return b_code_mode(xlh, x);
  }
}

}  // namespace

std::string search_text(std::string_view typed) { return text::upper(text::trim(typed)); }

std::string filter_literal(std::string_view value) { return grid::escape_literal(value); }

std::optional<CodeCheck> code_check(Variant variant, const SearchInputs& in) {
  if (nothing_to_search(in)) return std::nullopt;
  std::string T = search_text(in.text);
  if (T.empty()) return std::nullopt;
  switch (in.xlh) {
    case 3:
      if (variant != Variant::B) return std::nullopt;
      return CodeCheck{"select cpym from dbj002 where cpym = :code and cgsh = :gsh and ltybs = 0", T,
                       "拼音码不正确，请重新输入!"};
    case 5:
      return CodeCheck{"select cflh from dbj001 where cflh = :code and cgsh = :gsh and ltybs = 0", T,
                       "分类号不正确，请重新输入!"};
    case 6:
      return CodeCheck{"select ckh from dbj003 where ckh = :code and cgsh = :gsh and ltybs = 0", T,
                       "库号不正确，请重新输入!"};
    case 7:
      return CodeCheck{"select ccxh from dxl002 where ccxh = :code and cgsh = :gsh and ltybs = 0", T,
                       "车型号不正确，请重新输入!"};
    default: return std::nullopt;
  }
}

bool code_exists(const CodeCheck& check, db::Transaction& sqlca, const std::string& company) {
  // The code is selected into a string that starts empty; it stays empty for a missing row
  // and for a failed statement alike.
  std::string found;
  auto row = sqlca.select_row(check.statement, {{"code", check.code}, {"gsh", company}});
  if (row && !row->empty()) found = (*row)[0].as_text();
  return !found.empty();
}

SearchOutcome plan_search(Variant variant, const SearchInputs& in) {
  SearchOutcome out;

  // Nothing to search for: the warehouse restriction alone, or every row.
  if (nothing_to_search(in)) {
    out.kind = SearchOutcome::Kind::SetFilter;
    out.step1 = true;
    if (!in.ls_parm.empty()) out.filter = "dbj030_ckh = '" + filter_literal(in.ls_parm) + "'";
    return out;
  }

  // The terms of the expression. A mode-6 search that gets here has passed or skipped its
  // warehouse check (the check itself is build_search's).
  Terms x;
  x.T = filter_literal(search_text(in.text));
  x.W = filter_literal(in.ls_parm);
  x.P = filter_literal(in.ls_cph);
  x.has_w = !in.ls_parm.empty();
  x.has_p = !in.ls_cph.empty();
  x.main_rule = in.rb_4_checked;
  x.F = in.ddlb_1_text == "常用" ? '1' : '0';
  if (in.xlh == 6) out.reset_i_bs = true;

  // The expression of the mode, and for the form: the mode to restore after the search.
  out.restore_mode = true;
  if (in.xlh < 1 || in.xlh > 7) {
    out.kind = SearchOutcome::Kind::NoFilter;
    return out;
  }
  out.kind = SearchOutcome::Kind::SetFilter;
  if (variant == Variant::A) {
    Built b = variant_a(in.xlh, x);
    out.via_f_check = b.via_f_check;
    out.filter = b.via_f_check ? lib::f_check(b.expression) : b.expression;
  } else {
    out.filter = variant_b(in.xlh, x);
  }
  return out;
}

SearchOutcome build_search(Variant variant, const SearchInputs& in, db::Transaction& sqlca,
                           const std::string& company) {
  if (auto check = code_check(variant, in); check && !code_exists(*check, sqlca, company)) {
    SearchOutcome out;
    out.kind = SearchOutcome::Kind::Message;
    out.message = check->message;
    return out;
  }
  return plan_search(variant, in);
}

}  // namespace sparestock::stock_enquiry
