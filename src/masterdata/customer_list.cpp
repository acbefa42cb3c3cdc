#include "masterdata/customer_list.h"
#include "core/db/query_result.h"

QueryText CustomerList::pickerQuery()
{
    // Only what the list shows and searches: the picked member is read whole
    // by memberRow(), which keeps opening the picker quick on a long list.
    return {QStringLiteral("SELECT BM, MC, KH, XB, DH, DW, DZ, SYJF, ZHYE, ZHQK, BZ, JP FROM bm_kh ORDER BY BM"), {}};
}

QVariantMap CustomerList::memberRow(const QString &code)
{
    QVariantMap row;
    QueryResult one(QStringLiteral("SELECT * FROM bm_kh WHERE BM = ?"), {code});
    if (!one.load() || one.rowCount() != 1)
        return row;
    for (int f = 0; f < one.fieldCount(); ++f)
        row.insert(one.fieldName(f), one.value(0, f));
    return row;
}

std::vector<GridColumn> CustomerList::pickerColumns()
{
    // Widths that keep the balances in sight in the picker's 708 pixels.
    std::vector<GridColumn> c = {
        GridColumn::of("BM", "编码", 55),     GridColumn::of("MC", "姓名", 70),
        GridColumn::of("KH", "卡号", 60),     GridColumn::of("XB", "性别", 36),
        GridColumn::of("DH", "电话", 90),     GridColumn::of("DW", "单位", 60),
        GridColumn::of("DZ", "地址", 70),     GridColumn::of("SYJF", "剩余积分", 60),
        GridColumn::of("ZHYE", "账户余额", 70), GridColumn::of("ZHQK", "账户欠款", 70),
        GridColumn::of("BZ", "备注", 50),     GridColumn::of("JP", "简拼"),
    };
    for (GridColumn &col : c)
        col.readOnly = true;
    c[8].format = QStringLiteral("#0.00");
    c[9].format = QStringLiteral("#0.00");
    c.back().hidden = true;
    return c;
}

QStringList CustomerList::filterFields()
{
    return {QStringLiteral("BM"), QStringLiteral("MC"), QStringLiteral("KH"), QStringLiteral("JP"), QStringLiteral("DH")};
}
