#include "stock_adjustment/stock_restore.h"

#include <optional>
#include <string>

#include "host/db/transaction.h"

namespace sparestock::stock_adjustment {

namespace {

inline constexpr const char* kMailboxMissing = "库存数据恢复失败：找不到本次恢复的消息记录!";

// A period date at midnight, or null when the host has none.
db::Value midnight(const std::optional<db::DateTime>& date) {
  return date ? db::Value(date->date()) : db::Value();
}

// The run itself; "" when it succeeded (not yet committed), else what the user is told.
std::string run(ui::Session& s) {
  db::Transaction& t = s.sqlca;
  const ui::Globals& gl = s.globals();

  // This run's mailbox row, by the number the database assigned to it.
  auto inserted = t.select_row("insert into error (error_text) values ('') returning error_time");
  if (!inserted) return t.sqlcode < 0 ? t.sqlerrtext : kMailboxMissing;
  db::Value time1 = (*inserted)[0];

  t.execute("execute dbo.sp_kcyzx @gsh = :gsh, @qsrq = :qsrq, @jzrq = :jzrq, @time = :time",
            {{"gsh", db::Value(gl.gs_yhssgsh)},
             {"qsrq", midnight(gl.gd_qsrq)},
             {"jzrq", midnight(gl.gd_jzrq)},
             {"time", time1}});
  if (t.sqlcode != 0) return t.sqlerrtext;

  auto outcome = t.select_row("select error_text from error where error_time = :time", {{"time", time1}});
  if (!outcome) return t.sqlcode < 0 ? t.sqlerrtext : kMailboxMissing;
  std::string error_text = (*outcome)[0].as_text();
  if (!error_text.empty()) return error_text;

  t.execute("delete from error where error_time = :time", {{"time", time1}});
  if (t.sqlcode != 0) return t.sqlerrtext;
  return {};
}

}  // namespace

bool restore_stock(ui::Session& s) {
  db::Transaction& t = s.sqlca;
  const std::string& gs_tsxx = s.globals().gs_tsxx;
  std::string failure = run(s);
  if (failure.empty() && t.commit() != 0) failure = t.sqlerrtext;
  if (!failure.empty()) {
    t.rollback();
    s.messagebox(gs_tsxx, failure);
    return false;
  }
  s.messagebox(gs_tsxx, "库存数据恢复成功!");
  return true;
}

}  // namespace sparestock::stock_adjustment
