#include "system/menu_catalog.h"

#include <algorithm>

namespace MenuCatalog {

const std::vector<TopMenu> &restrictedMenus()
{
    static const std::vector<TopMenu> menus = {
        {"系统维护",
         {
             {"初始化", "TCSH", "帐套初始化"},
             {"软件升级", "update", ""},
             {"账套升级", "Tup", "账套升级"},
             {"-", "", ""},
             {"账套备份", "backup", ""},
             {"账套恢复", "restore", ""},
             {"压缩修复", "compact", ""},
             {"导入导出", "TGGDC", "数据导入导出", true},
             {"权限设置", "TGGQX", "权限设置"},
             {"系统设置", "TBMSZ", "系统设置"},
             {"-", "", ""},
             {"修改密码", "Tggmm", "修改密码"},
             {"屏幕保护", "screensaver", ""},
         }},
        {"基础资料",
         {
             {"公司信息", "TBM_GSXX", "公司信息"},
             {"员工资料", "TBM_YG", "员工资料"},
             {"供货商", "TBM_GHS", "供货商信息", true},
             {"-", "", ""},
             {"会员级别", "TBM_KHJB", "会员级别", true},
             {"会员资料", "TBM_KH", "会员资料"},
             {"生日提醒", "TSRTX", "生日提醒"},
             {"客户流失提醒", "TXFTX", "客户流失提醒", true},
             {"-", "", ""},
             {"商品类别", "TBM_SPLB", "商品类别"},
             {"商品资料", "TFormSP", "商品资料"},
             {"套系名称", "TBM_TXLB", "套系名称"},
             {"套系明细", "TBM_TX", "套系明细"},
             {"积分商品", "TJFSP", "积分兑换商品"},
             {"-", "", ""},
             {"酒店及大厅", "TBMXM", "酒店、大厅"},
             {"会员充值单", "TCZD", "客户充值单"},
             {"兑现积分", "TDXJFD", "兑换积分单"},
             {"-", "", ""},
             {"场布提醒", "TbbxsdPSTX", "布场提醒"},
             {"取件提醒", "TbbxsdQXTX", "取件提醒", true},
             {"婚期提醒", "TBBHQTX", "婚期提醒"},
         }},
        {"业务管理",
         {
             {"婚礼订单", "Txsd", "婚礼订单"},
             {"-", "", ""},
             {"采购入库单", "Trkd", "采购入库单", true},
             {"采购退货单", "Tthd", "采购退货单", true},
             {"销售退货单", "Txtd", "销售退货单", true},
             {"-", "", "", true},
             {"盘点单", "Tpdd", "盘点单", true},
             {"-", "", "", true},
             {"收款单", "Tskd", "收款单"},
             {"付款单", "Tfkd", "付款单", true},
             {"-", "", "", true},
             {"其它收入单", "TSRD", "其它收入单", true},
             {"费用支出单", "TZCD", "费用支出单", true},
             {"-", "", "", true},
             {"短信群发", "TDX_QF", "短信群发", true},
         }},
        {"业务报表",
         {
             {"库存明细", "TKC_KCDTB", "库存明细表", true},
             {"利润查询", "Tbblr", "利润、现金查询", true},
             {"现金日报", "Tbbrb", "现金日报表", true},
             {"-", "", "", true},
             {"采购入库单查询", "Tbbrkd", "采购入库单查询", true},
             {"采购退货单查询", "Tbbthd", "采购退货单查询", true},
             {"预约单查询", "Tbbyyd", "预约单查询", true},
             {"婚礼订单查询", "Tbbxsd", "婚礼订单查询"},
             {"完成进度查询", "TbbxsdJD", "照相取件单查询", true},
             {"业绩汇总", "Tbbxsdhz", "照相取件业绩汇总表"},
             {"销售退货单查询", "Tbbxtd", "销售退货单查询", true},
             {"盘点单查询", "Tbbpdd", "盘点单查询", true},
             {"收款单查询", "Tbbskd", "收款单查询"},
             {"付款单查询", "Tbbfkd", "付款单查询", true},
             {"其它收入单查询", "Tbbsrd", "其它收入单查询", true},
             {"费用支出单查询", "Tbbzcd", "费用支出单查询", true},
             {"-", "", "", true},
             {"采购入库明细", "Tbbrkdmx", "采购入库明细", true},
             {"采购退货明细", "Tbbthdmx", "采购退货明细", true},
             {"婚礼订单明细", "Tbbxsdmx", "婚礼订单明细"},
             {"销售退货明细", "Tbbxtdmx", "销售退货明细", true},
             {"收款明细", "Tbbskdmx", "收款单明细"},
             {"付款明细", "Tbbfkdmx", "付款单明细", true},
             {"充值单查询", "Tbbczd", "充值单查询"},
             {"积分兑现查询", "Tbbdxjfd", "积分兑现单查询"},
             {"商品销售排行", "Tbbxsdmxtj", "商品销售排行", true},
         }},
    };
    return menus;
}

QString entryCode(int menuNumber, int position) { return QStringLiteral("%1%2,").arg(menuNumber).arg(position + 10); }

bool isEnabled(int menuNumber, int position, const QString &rightsText, const QString &userCode)
{
    if (userCode == QLatin1String("000") || rightsText.isEmpty())
        return true;
    return rightsText.contains(entryCode(menuNumber, position));
}

QString rightsText(int menuNumber, const std::vector<int> &positions)
{
    std::vector<int> sorted = positions;
    std::sort(sorted.begin(), sorted.end());
    QString t;
    for (int p : sorted)
        t += entryCode(menuNumber, p);
    return t.isEmpty() ? QStringLiteral("null") : t;
}

QString otherRightsText(const std::vector<int> &codes)
{
    std::vector<int> sorted = codes;
    std::sort(sorted.begin(), sorted.end());
    QString t = QStringLiteral("QX-");
    for (int c : sorted)
        t += QString::number(c) + QLatin1Char(',');
    return t;
}

const std::vector<OtherRight> &otherRights()
{
    static const std::vector<OtherRight> rights = {
        {10, "成本查看、管理权"}, {11, "查看库存明细中库存金额"}, {12, "单据反审核权"},
        {13, "清空商品资料权"},   {14, "修改商品价格权"},         {15, "修改积分权"},
        {16, "销售单重复打印权"}, {17, "修改单号权"},             {18, "导出权"},
    };
    return rights;
}
}
