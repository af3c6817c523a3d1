#include "common/pick_button.h"

#include "host/lib/pick_list.h"
#include "host/lib/sql_literal.h"
#include "host/ui/window.h"

namespace sparestock::common {

bool pick_button(ui::SingleLineEdit& target, PickFunction function, const std::string& table,
                 const std::string& columns, const std::string& headings, const std::string& return_column,
                 const std::string& fifth, const std::string& where) {
  std::string answer = function(target.parent().session(), table, columns, headings, return_column, fifth,
                                where);
  if (answer.empty()) {
    target.setfocus();
    return false;
  }
  target.text = answer;
  target.setfocus();
  return true;
}

bool pick_button(ui::SingleLineEdit& target, const PickCall& call) {
  return pick_button(target, call.function, call.table, call.columns, call.headings, call.return_column,
                     call.fifth, call.where);
}

std::string company_where(const std::string& company) { return "cgsh=" + lib::sql_literal(company); }

std::string company_enabled_where(const std::string& company) {
  return company_where(company) + " and ltybs = 0";
}

namespace {
std::string where_for(const std::string& company, bool enabled_only) {
  return enabled_only ? company_enabled_where(company) : company_where(company);
}
}  // namespace

PickCall category_list(const std::string& company, bool enabled_only) {
  return {lib::f_popcx,
          "dbj001",
          "cflh,cflmc",
          "公司号,产品分类号,产品分类名称",
          "cflh",
          "",
          where_for(company, enabled_only)};
}

PickCall vehicle_model_list(const std::string& company, bool enabled_only) {
  return {lib::f_popcx,
          "dxl002",
          "cgsh,ccxh,ccxmc",
          "公司号,车型号,车型名称",
          "ccxh",
          "",
          where_for(company, enabled_only)};
}

PickCall parts_list(const std::string& company, PickFunction function) {
  return {function, "dbj002", "cgsh,ccph,ccpmc",     "公司号,产品号,产品名称",
          "ccph",   "",       company_where(company)};
}

PickCall warehouse_list(const std::string& company, bool enabled_only) {
  return {lib::f_popcx, "dbj003", "ckh,ckmc", "库号,库名称", "ckh", "", where_for(company, enabled_only)};
}

PickCall zone_list() { return {lib::f_popcx, "dbj004", "ckqh,ckqmc", "库区号,库区名称", "ckqh", "", ""}; }

}  // namespace sparestock::common
