#include "common/code_check.h"

#include <stdexcept>

namespace sparestock::common {

namespace {

constexpr CodeRule kRules[] = {
    {CodeKind::Part, "select ccph from dbj002 where ccph = :code and cgsh = :gsh and ltybs = 0",
     "备件号不正确，请重新输入!"},
    {CodeKind::Category, "select cflh from dbj001 where cflh = :code and cgsh = :gsh and ltybs = 0",
     "分类号不正确，请重新输入!"},
    {CodeKind::Warehouse, "select ckh from dbj003 where ckh = :code and cgsh = :gsh and ltybs = 0",
     "库号不正确，请重新输入!"},
    {CodeKind::Zone, "select ckqh from dbj004 where ckqh = :code", "库区号不正确，请重新输入!"},
    {CodeKind::Location, "select ckwh from dbj005 where ckwh = :code and cgsh = :gsh and ltybs = 0",
     "库位号不正确，请重新输入!"},
    {CodeKind::VehicleModel, "select ccxh from dxl002 where ccxh = :code and cgsh = :gsh and ltybs = 0",
     "车型号不正确，请重新输入!"},
    {CodeKind::Pinyin, "select cpym from dbj002 where cpym = :code and cgsh = :gsh and ltybs = 0",
     "拼音码不正确，请重新输入!"},
};

}  // namespace

const CodeRule& code_rule(CodeKind kind) {
  for (const auto& rule : kRules)
    if (rule.kind == kind) return rule;
  throw std::logic_error("no existence check for this kind of code");
}

bool code_found(db::Transaction& sqlca, CodeKind kind, const std::string& code, const std::string& company) {
  // The code is selected into a string that starts empty; it stays empty for a missing row and
  // for a failed statement alike. Any matching row will do: a pinyin code or a location may
  // occur in several rows.
  std::string found;
  auto row = sqlca.select_row(code_rule(kind).statement, {{"code", code}, {"gsh", company}});
  if (row && !row->empty()) found = (*row)[0].as_text();
  return !found.empty();
}

bool check_code(ui::Session& session, CodeKind kind, const std::string& code) {
  if (code.empty()) return true;
  if (code_found(session.sqlca, kind, code, session.globals().gs_yhssgsh)) return true;
  session.messagebox(session.globals().gs_tsxx, code_rule(kind).message);
  return false;
}

}  // namespace sparestock::common
