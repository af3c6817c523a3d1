// The help topic of the stock special adjustment w_bj701_001 (with the stock restore and the
// clearing of zero-stock locations w_bj701_001_001), opened by its ue_help. It belongs to that
// form and moves to its folder with it.

#include "common/entries.h"

namespace sparestock::common {

lib::HelpTopic help_202() {
  return {202, "库存特殊调整",
          "本窗口用于手工修改单条库存记录：锁定数量，以及备件所在的库号、库区和库位。"
          "库存记录移到其他库位时，原库位自动改为空闲，新库位改为占用。\n"
          "\n"
          "查找记录：在库号、备件号、库区、库位输入框中输入条件（可只填一部分），按“查询(1)”。"
          "在输入框中按 F9 打开选择列表；按 Enter 检查所输代码，代码不存在时提示"
          "“库号不正确，请重新输入!”等，并留在该输入框。也可用菜单“查询”→“条件查询”按列组合条件。\n"
          "\n"
          "修改记录：在列表中选中记录，在编辑表格中修改锁定数量、库号、库区或库位，"
          "然后按菜单“编辑”→“修改”或“保存”存盘。存盘前检查：锁定数量不能小于0，"
          "也不能大于可用数量（库存数量减去申请数量和已开票数量）；库号、库区、库位必须填写，"
          "且该库位必须存在。检查不通过时给出提示，不写入任何数据。"
          "本窗口不增加也不删除库存记录。\n"
          "\n"
          "库存数据恢复(2)：按当前日期范围重新计算本公司的库存数据。成功时提示"
          "“库存数据恢复成功!”并关闭窗口；失败时显示原因，数据不变。\n"
          "\n"
          "清除空库位：打开一个窗口，列出各项数量都为0、且没有出入库单据的库存记录。"
          "可按库号、库区、库位、备件号筛选，用“全选”“取消全选”或单击行来选择，"
          "按“清除所选空库位”删除这些记录并把库位改为空闲，按“返回”关闭。",
          "含库存数据恢复、清除空库位"};
}
SPARESTOCK_HELP(help_202)

}  // namespace sparestock::common
