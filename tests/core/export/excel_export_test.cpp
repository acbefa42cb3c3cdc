#include "support/temp_home.h"
#include "support/workbook_reader.h"

#include "core/db/database.h"
#include "core/db/grid_spec.h"
#include "core/db/query_result.h"
#include "core/export/excel_export.h"

#include <QFile>

namespace {

using Kind = ExportTable::Kind;

ExportTable sampleTable()
{
    ExportTable t;
    t.title = QStringLiteral("订单明细查询");
    t.columns = {{QStringLiteral("单号"), Kind::Text},
                 {QStringLiteral("日期"), Kind::Date},
                 {QStringLiteral("金额"), Kind::Number},
                 {QStringLiteral("数量"), Kind::Integer},
                 {QStringLiteral("审核"), Kind::Other},
                 {QStringLiteral("套餐名称"), Kind::Text},
                 {QStringLiteral("时间"), Kind::Time}};
    t.rows = {
        {QStringLiteral("00123"), QDate(2024, 3, 5), 1234.5, 3, 7, QStringLiteral("婚纱摄影豪华套餐（含外景）"),
         QTime(14, 30, 0)},
        // Dates come out of the database as ISO text; a null leaves the cell empty but bordered.
        {QStringLiteral("00124"), QStringLiteral("2024-03-06"), QVariant(), QStringLiteral("2"), QVariant(),
         QStringLiteral("A"), QStringLiteral("08:00:00")},
    };
    return t;
}

class ExcelExportTest : public TempHome
{
protected:
    QString file(const QString &name) const { return homePath(name); }
};

} // namespace

TEST_F(ExcelExportTest, LayoutFormatsAndBorders)
{
    const QString path = file("out.xlsx");
    QString error;
    ASSERT_TRUE(Export::writeWorkbook(path, sampleTable(), QStringLiteral("黑体"), 18, &error)) << error.toStdString();
    const Workbook wb = readWorkbook(path);

    // Title: merged over the seven columns, centred both ways, in the given font.
    EXPECT_EQ(wb.merged, QStringList{"A1:G1"});
    const auto &title = wb.at("A1");
    EXPECT_EQ(title.value, QStringLiteral("订单明细查询"));
    EXPECT_EQ(title.hAlign, "center");
    EXPECT_EQ(title.vAlign, "center");
    EXPECT_EQ(title.fontName, QStringLiteral("黑体"));
    EXPECT_EQ(title.fontSize, 18);

    // Labels in row 2, in column order.
    const QStringList labels{"单号", "日期", "金额", "数量", "审核", "套餐名称", "时间"};
    for (int c = 0; c < labels.size(); ++c) {
        const QString ref = QChar('A' + c) + QStringLiteral("2");
        EXPECT_EQ(wb.at(ref).value, labels[c]) << ref.toStdString();
        EXPECT_TRUE(wb.at(ref).bordered) << ref.toStdString();
    }

    struct Expect
    {
        const char *ref;
        bool isText;
        const char *value;
        const char *format;
    };
    const Expect expected[] = {
        {"A3", true, "00123", "@"},        // a code keeps its leading zeros
        {"B3", false, "45356", "yyyy.mm.dd"},
        {"C3", false, "1234.5", "0.00"},
        {"D3", false, "3", "0_ "},
        {"E3", false, "7", "0_ "},          // a column of no format of its own takes the previous one's
        {"G3", false, "0.60416666666666663", "hh:mm:ss"},
        {"B4", false, "45357", "yyyy.mm.dd"}, // ISO text becomes a date
        {"D4", false, "2", "0_ "},            // numeric text in a number column becomes a number
        {"G4", false, "0.33333333333333331", "hh:mm:ss"},
    };
    for (const Expect &e : expected) {
        ASSERT_TRUE(wb.has(e.ref)) << e.ref;
        const auto &c = wb.at(e.ref);
        EXPECT_EQ(c.isText, e.isText) << e.ref;
        EXPECT_NEAR(c.value.toDouble(), QString(e.value).toDouble(), 1e-9) << e.ref;
        if (e.isText)
            EXPECT_EQ(c.value, e.value) << e.ref;
        EXPECT_EQ(c.numFormat, e.format) << e.ref;
        EXPECT_TRUE(c.bordered) << e.ref;
    }
    // Empty values still carry the border of the table.
    for (const char *ref : {"C4", "E4"}) {
        ASSERT_TRUE(wb.has(ref)) << ref;
        EXPECT_TRUE(wb.at(ref).value.isEmpty()) << ref;
        EXPECT_TRUE(wb.at(ref).bordered) << ref;
    }
    EXPECT_FALSE(wb.at("A1").bordered);

    // Widths follow the texts: the long Chinese package name (26 GBK bytes) gets
    // a wide column, the short number column a narrow one.
    EXPECT_GE(wb.widths.value(6), 26);
    EXPECT_LT(wb.widths.value(4), 12);
    EXPECT_GE(wb.widths.value(2), 10); // "2024.03.05"
}

TEST_F(ExcelExportTest, EmptyRecordSetGivesTitleAndLabelsOnly)
{
    ExportTable t = sampleTable();
    t.rows.clear();
    const QString path = file("empty.xlsx");
    QString error;
    ASSERT_TRUE(Export::writeWorkbook(path, t, QStringLiteral("黑体"), 18, &error)) << error.toStdString();
    const Workbook wb = readWorkbook(path);
    EXPECT_EQ(wb.rowNumbers, (QList<int>{1, 2}));
    EXPECT_EQ(wb.merged, QStringList{"A1:G1"});
    EXPECT_EQ(wb.at("G2").value, QStringLiteral("时间"));
}

// The cells follow the types of the fields, not the texts on screen: a code
// of digits and a remark that reads like a date stay text, money is a number
// with its column's decimals, dates and moments are dates; only the rows in
// sight are written.
TEST_F(ExcelExportTest, RowsAreTypedByTheirFieldsNotByTheirText)
{
    Db::execSql("INSERT INTO bm_kh (BM, MC, BZ, LJXF, ZJF, RQ, SR, TSJ) VALUES "
                "('0012', '张三', '2024-01-01', 1234.5, 30, '2024-03-05 10:11:12', '2024-03-06', 1), "
                "('0013', '李四', '1e3', 99.99, 0, NULL, NULL, 0)");
    QueryResult rows("SELECT k.BM, k.BZ, k.LJXF, k.ZJF, k.RQ, k.SR, k.TSJ, "
                     "(SELECT COUNT(*) FROM bm_yg) AS YGS FROM bm_kh k WHERE k.BM LIKE '001%' ORDER BY k.BM");
    ASSERT_TRUE(rows.load().ok);
    ASSERT_EQ(rows.rowCount(), 2);
    std::vector<GridColumn> columns = {GridColumn::of("BM", "编号"),     GridColumn::of("BZ", "备注"),
                                       GridColumn::of("LJXF", "累计消费"), GridColumn::of("ZJF", "总积分"),
                                       GridColumn::of("RQ", "入会时间"),   GridColumn::of("SR", "生日"),
                                       GridColumn::of("TSJ", "特价"),     GridColumn::of("YGS", "员工数")};
    columns[3].format = "0";
    columns[5].format = "yyyy-MM-dd";

    const ExportTable t = ExportTable::fromRows(rows, columns, {1, 0}, "会员");
    const Kind kinds[] = {Kind::Text, Kind::Text, Kind::Number, Kind::Number,
                          Kind::DateTime, Kind::Date, Kind::Text, Kind::Integer};
    ASSERT_EQ(t.columns.size(), 8);
    for (int c = 0; c < 8; ++c)
        EXPECT_EQ(t.columns[c].kind, kinds[c]) << c;
    EXPECT_EQ(t.columns[2].decimals, 2); // the field's own scale where the column has no format
    EXPECT_EQ(t.columns[3].decimals, 0);
    ASSERT_EQ(t.rows.size(), 2);
    EXPECT_EQ(t.rows[0][0].toString(), "0013"); // the rows in the order shown

    const QString path = file("typed.xlsx");
    QString error;
    ASSERT_TRUE(Export::writeWorkbook(path, t, "黑体", 18, &error)) << error.toStdString();
    const Workbook wb = readWorkbook(path);
    struct Expect
    {
        const char *ref;
        bool isText;
        const char *value;
        const char *format;
    };
    const Expect expected[] = {
        {"A4", true, "0012", "@"},
        {"B4", true, "2024-01-01", "@"},
        {"B3", true, "1e3", "@"},
        {"C4", false, "1234.5", "0.00"},
        {"D4", false, "30", "0"},
        {"E4", false, "45356.424444444441", "yyyy.mm.dd hh:mm:ss"},
        {"F4", false, "45357", "yyyy.mm.dd"},
        {"G4", true, "√", "@"},
        {"H4", false, "1", "0_ "},
    };
    for (const Expect &e : expected) {
        ASSERT_TRUE(wb.has(e.ref)) << e.ref;
        const auto &c = wb.at(e.ref);
        EXPECT_EQ(c.isText, e.isText) << e.ref;
        if (e.isText)
            EXPECT_EQ(c.value, QString::fromUtf8(e.value)) << e.ref;
        else
            EXPECT_NEAR(c.value.toDouble(), QString(e.value).toDouble(), 1e-6) << e.ref;
        EXPECT_EQ(c.numFormat, e.format) << e.ref;
    }
    EXPECT_TRUE(wb.at("E3").value.isEmpty()); // NULL stays an empty cell
    EXPECT_EQ(wb.rowNumbers, (QList<int>{1, 2, 3, 4}));
}

// Excel holds at most 32 767 characters in a cell and refuses a workbook
// with a longer one: a long remark is cut there, never half a character.
TEST_F(ExcelExportTest, TextBeyondTheCellLimitIsCut)
{
    const QString emoji = QString::fromUtf8("😀"); // one character, two UTF-16 units
    ExportTable t;
    t.title = QStringLiteral("备注");
    t.columns = {{QStringLiteral("备注"), Kind::Text}};
    t.rows = {{QString(40000, QChar(u'婚'))}, {QString(32766, QLatin1Char('a')) + emoji + QStringLiteral("bb")}, {QStringLiteral("短")}};
    const QString path = file("long.xlsx");
    QString error;
    ASSERT_TRUE(Export::writeWorkbook(path, t, "黑体", 18, &error)) << error.toStdString();
    const Workbook wb = readWorkbook(path);
    EXPECT_EQ(wb.at("A3").value, QString(32767, QChar(u'婚')));
    EXPECT_EQ(wb.at("A4").value, QString(32766, QLatin1Char('a')));
    EXPECT_EQ(wb.at("A5").value, QStringLiteral("短"));
}

TEST_F(ExcelExportTest, UserWithoutExportRightIsRefused)
{
    addEmployee("101", "张三");
    loginAs("101");
    Export::ExportToExcel(sampleTable(), QStringLiteral("订单明细查询"), QStringLiteral("黑体"), 18);
    ASSERT_EQ(prompt->shown.size(), 1u);
    EXPECT_EQ(prompt->shown[0].text, QStringLiteral("您没有导出权！"));
    EXPECT_EQ(prompt->shown[0].caption, QStringLiteral("提示"));
    EXPECT_TRUE(prompt->fileDialogs.isEmpty()); // not even asked for a file
}

TEST_F(ExcelExportTest, ExportWritesTheChosenFileAsXlsx)
{
    loginAs("000");
    prompt->chooseFile(file("订单")); // typed without an extension
    Export::ExportToExcel(sampleTable(), QStringLiteral("订单明细查询（2024）"), QStringLiteral("黑体"), 18);
    EXPECT_TRUE(prompt->shown.empty()) << prompt->last().toStdString();
    EXPECT_EQ(prompt->fileDialogs, QStringList{"另存为"});
    ASSERT_TRUE(QFile::exists(file("订单.xlsx")));
    EXPECT_FALSE(QFile::exists(file("订单")));
    // The title argument is the one shown, whatever the table carried.
    EXPECT_EQ(readWorkbook(file("订单.xlsx")).at("A1").value, QStringLiteral("订单明细查询（2024）"));
}

TEST_F(ExcelExportTest, CancelWritesNothingAndFailureIsShown)
{
    loginAs("000");
    Export::ExportToExcel(sampleTable(), QStringLiteral("订单"), QStringLiteral("黑体"), 18); // dialog cancelled
    EXPECT_TRUE(prompt->shown.empty());

    const QString unwritable = file("no/such/folder/订单.xlsx");
    prompt->chooseFile(unwritable);
    Export::ExportToExcel(sampleTable(), QStringLiteral("订单"), QStringLiteral("黑体"), 18);
    ASSERT_EQ(prompt->shown.size(), 1u);
    EXPECT_EQ(prompt->shown[0].caption, QStringLiteral("提示"));
    EXPECT_TRUE(prompt->shown[0].text.contains(unwritable)) << prompt->last().toStdString();
    EXPECT_FALSE(QFile::exists(unwritable));
}
