#include "support/temp_home.h"

#include "core/db/database.h"
#include "core/db/record_set.h"
#include "core/password.h"

#include <QElapsedTimer>
#include <QSqlRecord>

namespace {

GridSpec employees()
{
    GridSpec s;
    s.table = "bm_yg";
    s.conditions = {{"BM", GridCondition::Op::NotEqual, "000"}};
    s.order = {{"BM"}};
    s.keyColumn = "BM";
    GridColumn password = GridColumn::of("MM", "密码");
    password.hidden = true;
    password.readOnly = true;
    s.columns = {GridColumn::of("BM", "编码"), GridColumn::of("MC", "姓名"), password};
    return s;
}

QStringList codes(const RecordSet &set)
{
    QStringList out;
    for (int r = 0; r < set.rowCount(); ++r)
        out << set.value(r, "BM").toString();
    return out;
}

QStringList tableCodes()
{
    QStringList out;
    QSqlQuery q = Db::execSql("SELECT BM FROM bm_yg ORDER BY BM");
    while (q.next())
        out << q.value(0).toString();
    return out;
}

QVariant cell(const QString &sql, const QVariantList &binds = {}) { return Db::scalarSql(sql, binds); }

::testing::AssertionResult succeeded(const Outcome &o)
{
    if (o.ok)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << o.text().toStdString();
}

class RecordSetTest : public TempHome
{
protected:
    void SetUp() override
    {
        TempHome::SetUp();
        addEmployee("003", "王五");
        addEmployee("001", "张三", "zs", "abc");
        addEmployee("002", "李四");
    }
};

} // namespace

TEST_F(RecordSetTest, LoadsOnlyTheBoundRowsInOrder)
{
    RecordSet set(employees());
    ASSERT_TRUE(succeeded(set.load()));
    EXPECT_EQ(codes(set), QStringList({"001", "002", "003"}));
    EXPECT_FALSE(set.isDirty());
    // All columns of the table are at hand, shown or not.
    EXPECT_EQ(set.value(0, "DLMC").toString(), "zs");
    EXPECT_TRUE(Password::verify(set.value(0, "MM").toString(), "abc"));
    EXPECT_TRUE(set.value(1, "SR").isNull());
    EXPECT_TRUE(set.isEditable());
    EXPECT_EQ(set.fieldSize(set.fieldIndex("MM")), 128);
}

TEST_F(RecordSetTest, ValuesAreTypedByTheSchema)
{
    Db::execSql("INSERT INTO bm_kh (BM, MC, ZK, TSJ, RQ, ZJF) VALUES ('100', 'x', '0.85', 1, '2024-03-05', 12)");
    GridSpec s;
    s.table = "bm_kh";
    s.conditions = {{"BM", GridCondition::Op::Equal, "100"}};
    s.keyColumn = "BM";
    RecordSet set(s);
    ASSERT_TRUE(succeeded(set.load()));
    ASSERT_EQ(set.rowCount(), 1);
    EXPECT_EQ(set.value(0, "ZK").typeId(), QMetaType::Double);
    EXPECT_DOUBLE_EQ(set.value(0, "ZK").toDouble(), 0.85);
    EXPECT_EQ(set.value(0, "TSJ"), QVariant(true));
    EXPECT_EQ(set.value(0, "RQ"), QVariant(QString("2024-03-05")));
    EXPECT_TRUE(set.value(0, "QF").isNull()); // a flag never set is neither true nor false

    struct Case
    {
        Schema::Type type;
        QVariant in;
        QVariant out;
    };
    const Case cases[] = {
        {Schema::Type::Decimal, QString(""), QVariant()},
        {Schema::Type::Decimal, QString("12.5"), 12.5},
        {Schema::Type::Decimal, QString("abc"), QVariant()},
        {Schema::Type::DateTime, QDate(2024, 3, 5), QString("2024-03-05")},
        {Schema::Type::DateTime, QDateTime(QDate(2024, 3, 5), QTime(8, 9, 10)), QString("2024-03-05 08:09:10")},
        {Schema::Type::DateTime, QString(" "), QVariant()},
        {Schema::Type::Bool, QString("T"), true},
        {Schema::Type::Bool, 0, false},
        {Schema::Type::Integer, QString("42"), qlonglong(42)},
        {Schema::Type::Text, QString(""), QString("")}, // empty text is not NULL
    };
    for (const Case &c : cases) {
        const QVariant got = RecordSet::normalized(c.type, c.in);
        EXPECT_EQ(got.isNull(), c.out.isNull()) << c.in.toString().toStdString();
        if (!c.out.isNull())
            EXPECT_EQ(got, c.out) << c.in.toString().toStdString();
    }
}

TEST_F(RecordSetTest, SaveWritesEditsDeletionsAndAppendsTogether)
{
    RecordSet set(employees());
    ASSERT_TRUE(succeeded(set.load()));
    int savedSignals = 0;
    QObject::connect(&set, &RecordSet::saved, [&] { ++savedSignals; });
    EXPECT_TRUE(set.setValue(0, "MC", "张三丰"));
    set.removeRow(1); // 002
    const int row = set.insertRow();
    EXPECT_EQ(row, 2); // appended at the end
    set.setValue(row, "BM", "004");
    set.setValue(row, "MC", "赵六");
    ASSERT_TRUE(set.isDirty());

    const Outcome out = set.save();
    ASSERT_TRUE(succeeded(out));
    EXPECT_EQ(out.message, "保存成功！");
    EXPECT_EQ(savedSignals, 1);
    EXPECT_FALSE(set.isDirty());
    EXPECT_EQ(tableCodes(), QStringList({"000", "001", "003", "004"}));
    EXPECT_EQ(cell("SELECT MC FROM bm_yg WHERE BM='001'").toString(), "张三丰");
    EXPECT_EQ(cell("SELECT MC FROM bm_yg WHERE BM='004'").toString(), "赵六");

    // The saved state is the new base: a later change of the appended row updates it.
    set.setValue(2, "MC", "赵六六");
    ASSERT_TRUE(succeeded(set.save()));
    EXPECT_EQ(cell("SELECT MC FROM bm_yg WHERE BM='004'").toString(), "赵六六");
    EXPECT_EQ(cell("SELECT COUNT(*) FROM bm_yg").toInt(), 4);
}

TEST_F(RecordSetTest, DuplicateCodeKeepsEveryPendingRowForCorrection)
{
    RecordSet set(employees());
    ASSERT_TRUE(succeeded(set.load()));
    set.setValue(0, "MC", "张三丰");
    set.removeRow(2); // 003
    const int row = set.insertRow();
    set.setValue(row, "BM", "000"); // the hidden administrator's code
    set.setValue(row, "MC", "新人");

    const Outcome out = set.save();
    EXPECT_FALSE(out.ok);
    EXPECT_EQ(out.message, "编码存在重复无法保存，请删除重复后重试");
    EXPECT_TRUE(out.detail.isEmpty()); // the sentence says all; no SQLite words for the user
    EXPECT_EQ(set.failedRow(), row);
    // Nothing of the save reached the table.
    EXPECT_EQ(tableCodes(), QStringList({"000", "001", "002", "003"}));
    EXPECT_EQ(cell("SELECT MC FROM bm_yg WHERE BM='001'").toString(), "张三");
    EXPECT_EQ(cell("SELECT MC FROM bm_yg WHERE BM='000'").toString(), "系统管理员");
    // Every pending change is still there to be corrected.
    EXPECT_TRUE(set.isDirty());
    EXPECT_EQ(codes(set), QStringList({"001", "002", "000"}));
    EXPECT_EQ(set.value(0, "MC").toString(), "张三丰");
    EXPECT_EQ(set.rowState(2), RecordSet::RowState::Inserted);
    EXPECT_EQ(set.pendingDeletions(), 1);

    set.setValue(row, "BM", "005");
    ASSERT_TRUE(succeeded(set.save()));
    EXPECT_EQ(set.failedRow(), -1);
    EXPECT_EQ(tableCodes(), QStringList({"000", "001", "002", "005"}));
    EXPECT_EQ(cell("SELECT MC FROM bm_yg WHERE BM='001'").toString(), "张三丰");
    EXPECT_EQ(cell("SELECT MC FROM bm_yg WHERE BM='000'").toString(), "系统管理员");
}

namespace {

// What a set holds, to compare before and after a refused save.
QStringList contents(const RecordSet &set)
{
    QStringList out;
    for (int r = 0; r < set.rowCount(); ++r) {
        QStringList values;
        for (int f = 0; f < set.fieldCount(); ++f) {
            const QVariant v = set.value(r, f);
            values << (v.isNull() ? QStringLiteral("<null>") : v.toString());
        }
        out << QString::number(int(set.rowState(r))) + ':' + values.join('|');
    }
    out << QStringLiteral("deleted %1").arg(set.pendingDeletions());
    return out;
}

QStringList tableContents(const QString &table)
{
    QStringList out;
    QSqlQuery q = Db::execSql(QString("SELECT * FROM %1 ORDER BY BM").arg(table));
    while (q.next()) {
        QStringList values;
        for (int i = 0; i < q.record().count(); ++i)
            values << (q.isNull(i) ? QStringLiteral("<null>") : q.value(i).toString());
        out << values.join('|');
    }
    return out;
}

} // namespace

// Every refusal leaves the table as it was and the set as the user left it,
// with the row to correct pointed at. Each case has a valid edit, deletion
// and append pending beside the faulty row, so a half-written save shows.
TEST_F(RecordSetTest, RefusedSaveWritesNothingAndKeepsEveryPendingChange)
{
    // Hotels, rebuilt with a NOT NULL and a CHECK that the data model leaves
    // to the database.
    Db::execSql("DROP TABLE bm_xm");
    Db::execSql("CREATE TABLE bm_xm (BM VARCHAR(50) COLLATE NOCASE, MC VARCHAR(50) COLLATE NOCASE NOT NULL "
                "CHECK (MC <> 'x'), SZ BOOLEAN)");
    Db::execSql("CREATE UNIQUE INDEX ux_bm_xm_BM ON bm_xm (BM)");
    for (const char *bm : {"01", "02", "03"})
        Db::execSql("INSERT INTO bm_xm (BM, MC, SZ) VALUES (?, ?, 0)", {bm, QString("酒店") + bm});

    struct Case
    {
        const char *name;
        std::function<int(RecordSet &)> fault; // makes the faulty change; returns the row to point at
        QString message;
    };
    const Case cases[] = {
        {"empty code on a new row",
         [](RecordSet &s) {
             const int r = s.insertRow();
             s.setValue(r, "MC", "新酒店");
             s.setValue(r, "BM", " ");
             return r;
         },
         "编码不能为空！"},
        {"code cleared on a loaded row",
         [](RecordSet &s) {
             s.setValue(1, "BM", QVariant());
             return 1;
         },
         "编码不能为空！"},
        {"required column left empty",
         [](RecordSet &s) {
             s.setValue(1, "SZ", QVariant());
             return 1;
         },
         "设置不能为空！"},
        {"row deleted behind the set, then edited",
         [](RecordSet &s) {
             Db::execSql("DELETE FROM bm_xm WHERE BM = '02'");
             s.setValue(1, "MC", "改名");
             return 1;
         },
         "记录已被他人修改或删除，请重新打开！"},
        {"row re-keyed behind the set, then deleted",
         [](RecordSet &s) {
             Db::execSql("UPDATE bm_xm SET BM = '22' WHERE BM = '02'");
             s.removeRow(1);
             return -1;
         },
         "记录已被他人修改或删除，请重新打开！"},
        {"duplicate code, differing only in case",
         [](RecordSet &s) {
             const int r = s.insertRow();
             s.setValue(r, "BM", "A1");
             s.setValue(r, "MC", "重复");
             s.setValue(r, "SZ", false);
             return r;
         },
         "编码存在重复无法保存，请删除重复后重试"},
        {"NOT NULL refused by the database",
         [](RecordSet &s) {
             s.setValue(1, "MC", QVariant());
             return 1;
         },
         "保存失败！"},
        {"CHECK refused by the database",
         [](RecordSet &s) {
             s.setValue(1, "MC", "x");
             return 1;
         },
         "保存失败！"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        Db::execSql("DELETE FROM bm_xm WHERE BM NOT IN ('01', '02', '03')");
        Db::execSql("UPDATE bm_xm SET BM = '02' WHERE BM = '22'");
        if (cell("SELECT COUNT(*) FROM bm_xm WHERE BM = '02'").toInt() == 0)
            Db::execSql("INSERT INTO bm_xm (BM, MC, SZ) VALUES ('02', '酒店02', 0)");
        GridSpec s;
        s.table = "bm_xm";
        s.keyColumn = "BM";
        s.order = {{"BM"}};
        GridColumn flag = GridColumn::of("SZ", "设置");
        flag.required = true;
        s.columns = {GridColumn::of("BM", "编码"), GridColumn::of("MC", "名称"), flag};
        RecordSet set(s);
        ASSERT_TRUE(succeeded(set.load()));
        ASSERT_EQ(set.rowCount(), 3);
        // The valid changes around the fault.
        set.setValue(0, "MC", "改过的酒店");
        const int appended = set.insertRow();
        set.setValue(appended, "BM", "a1");
        set.setValue(appended, "MC", "新加");
        set.setValue(appended, "SZ", true);
        set.removeRow(2); // 03
        const int pointed = c.fault(set);

        const QStringList tableBefore = tableContents("bm_xm");
        const QStringList setBefore = contents(set);
        const Outcome out = set.save();
        EXPECT_FALSE(out.ok);
        EXPECT_EQ(out.message, c.message);
        if (c.message == "保存失败！")
            EXPECT_FALSE(out.detail.isEmpty());
        EXPECT_EQ(set.failedRow(), pointed);
        EXPECT_EQ(tableContents("bm_xm"), tableBefore);
        EXPECT_EQ(contents(set), setBefore);
        EXPECT_TRUE(set.isDirty());
        EXPECT_EQ(Transaction::depth(), 0);
    }
}

TEST_F(RecordSetTest, OnlyChangedColumnsAreWrittenAndRowsAreFoundByTheirLoadedCode)
{
    RecordSet set(employees());
    ASSERT_TRUE(succeeded(set.load()));
    // Meanwhile 张三 changes his password in another window.
    Db::execSql("UPDATE bm_yg SET MM = ? WHERE BM = '001'", {Password::hash("new")});
    set.setValue(0, "BM", "011"); // renamed: found by "001"
    set.setValue(0, "DH", "13800000000");
    ASSERT_TRUE(succeeded(set.save()));
    EXPECT_TRUE(Password::verify(cell("SELECT MM FROM bm_yg WHERE BM='011'").toString(), "new"));
    EXPECT_EQ(cell("SELECT DH FROM bm_yg WHERE BM='011'").toString(), "13800000000");
    EXPECT_EQ(cell("SELECT COUNT(*) FROM bm_yg WHERE BM='001'").toInt(), 0);

    // A code deleted and typed again on a new row in the same save.
    set.removeRow(1); // 002
    const int row = set.insertRow();
    set.setValue(row, "BM", "002");
    set.setValue(row, "MC", "新李四");
    ASSERT_TRUE(succeeded(set.save()));
    EXPECT_EQ(cell("SELECT MC FROM bm_yg WHERE BM='002'").toString(), "新李四");
}

TEST_F(RecordSetTest, AppendedRowRemovedAgainIsForgotten)
{
    RecordSet set(employees());
    ASSERT_TRUE(succeeded(set.load()));
    const int row = set.insertRow();
    set.setValue(row, "BM", "001"); // would clash if it were written
    set.removeRow(row);
    EXPECT_FALSE(set.isDirty());
    EXPECT_EQ(set.pendingDeletions(), 0);
    EXPECT_TRUE(succeeded(set.save()));
    EXPECT_EQ(tableCodes(), QStringList({"000", "001", "002", "003"}));
}

// Tables without a code are edited row by row through their own key, which
// the database gives an appended row; two identical rows stay two rows.
TEST_F(RecordSetTest, TableWithoutCodeIsKeyedByItsOwnKey)
{
    Db::execSql("DELETE FROM BM_JP"); // the delivered pinyin rows are not part of this case
    for (int i = 0; i < 2; ++i)
        Db::execSql("INSERT INTO BM_JP (mc, jp) VALUES ('张', 'Z')");
    Db::execSql("INSERT INTO BM_JP (mc, jp) VALUES ('李', 'L')");
    GridSpec s;
    s.table = "BM_JP";
    s.order = {{"jp"}, {"ID"}};
    RecordSet set(s);
    ASSERT_TRUE(succeeded(set.load()));
    ASSERT_EQ(set.rowCount(), 3);
    EXPECT_EQ(set.fieldName(set.keyField()), "ID");
    // Rows 1 and 2 are the identical 张 rows.
    set.removeRow(1);
    set.setValue(1, "jp", "ZH");
    const int row = set.insertRow();
    set.setValue(row, "mc", "王");
    set.setValue(row, "jp", "W");
    ASSERT_TRUE(succeeded(set.save()));
    EXPECT_EQ(cell("SELECT COUNT(*) FROM BM_JP").toInt(), 3);
    EXPECT_EQ(cell("SELECT group_concat(jp, ',') FROM (SELECT jp FROM BM_JP ORDER BY jp)").toString(), "L,W,ZH");
    const QVariant key = set.value(row, "ID");
    ASSERT_FALSE(key.isNull());
    EXPECT_EQ(cell("SELECT mc FROM BM_JP WHERE ID = ?", {key}).toString(), "王");

    set.setValue(row, "jp", "WANG"); // found by the key it was given
    ASSERT_TRUE(succeeded(set.save()));
    EXPECT_EQ(cell("SELECT group_concat(jp, ',') FROM (SELECT jp FROM BM_JP ORDER BY jp)").toString(), "L,WANG,ZH");
}

TEST_F(RecordSetTest, HooksShapeNewRowsAndEdits)
{
    GridSpec s = employees();
    GridColumn dept = GridColumn::of("ZW", "部门");
    dept.readOnly = true;
    s.columns.push_back(dept);
    QVariant seenLastCode;
    QStringList changes;
    s.newRowDefaults = [](RecordSet &set, int row) { set.setValue(row, "QX1", ""); };
    s.proposeCode = [&](const QVariant &last) {
        seenLastCode = last;
        return QVariant(QString::number(last.toInt() + 1).rightJustified(3, '0'));
    };
    s.fieldChanged = [&](RecordSet &set, int row, const QString &field) {
        changes << field;
        // Its own change does not run it again.
        if (field == "BM")
            set.setValue(row, "BZ", "code " + set.value(row, "BM").toString());
    };
    s.acceptEdit = [](const RecordSet &, int, const QString &field, const QVariant &value) {
        return !(field == "MC" && value.toString().isEmpty());
    };
    RecordSet set(s);
    ASSERT_TRUE(succeeded(set.load()));

    const int row = set.insertRow();
    EXPECT_EQ(seenLastCode.toString(), "003");
    EXPECT_EQ(set.value(row, "BM").toString(), "004");
    EXPECT_EQ(set.value(row, "BZ").toString(), "code 004");
    EXPECT_FALSE(set.value(row, "QX1").isNull());
    EXPECT_TRUE(set.value(row, "QX2").isNull());
    EXPECT_EQ(changes, QStringList({"QX1", "BM"}));

    // Typed changes pass acceptEdit; read-only columns take no typing but code may set them.
    changes.clear();
    EXPECT_TRUE(set.editValue(0, set.fieldIndex("BM"), "009"));
    EXPECT_EQ(set.value(0, "BZ").toString(), "code 009");
    EXPECT_FALSE(set.editValue(0, set.fieldIndex("MC"), ""));
    EXPECT_EQ(set.value(0, "MC").toString(), "张三");
    EXPECT_FALSE(set.editValue(0, set.fieldIndex("ZW"), "x"));
    EXPECT_FALSE(set.editValue(0, set.fieldIndex("MM"), "x"));
    EXPECT_TRUE(set.setValue(0, "ZW", "x"));
    EXPECT_EQ(changes, QStringList({"BM", "ZW"}));
    EXPECT_TRUE(prompt->shown.empty());
}

// A column's validator speaks through the prompt and keeps the old value;
// text that does not fit the column's type is refused before it.
TEST_F(RecordSetTest, TypedValuesAreCheckedBeforeTheyEnterARow)
{
    GridSpec s;
    s.table = "bm_kh";
    s.keyColumn = "BM";
    GridColumn mobile = GridColumn::of("DH", "电话");
    mobile.validator = [](const QVariant &v) {
        return v.toString().size() == 11 || v.toString().isEmpty() ? QString() : QString("手机号码应为11位！");
    };
    s.columns = {GridColumn::of("BM", "编码"), mobile, GridColumn::of("ZK", "折扣")};
    int accepted = 0;
    s.acceptEdit = [&](const RecordSet &, int, const QString &, const QVariant &) { return ++accepted, true; };
    Db::execSql("INSERT INTO bm_kh (BM, MC, DH, ZK, SR) VALUES ('100', 'x', '13900000000', 1, '2000-01-01')");
    s.conditions = {{"BM", GridCondition::Op::Equal, "100"}};
    RecordSet set(s);
    ASSERT_TRUE(succeeded(set.load()));

    struct Case
    {
        const char *field;
        QString typed;
        QString refusal; // empty: accepted
        QVariant kept;
    };
    const Case cases[] = {
        {"DH", "123", "手机号码应为11位！", "13900000000"},
        {"DH", "13811112222", {}, "13811112222"},
        {"DH", QString(51, 'x'), "输入内容过长，最多50个字符！", "13811112222"},
        {"ZK", "九折", "请输入数字！", 1.0},
        {"ZK", "0.955", {}, 0.96},
        {"SR", "2001-02-30", "日期格式不正确！", "2000-01-01"},
        {"SR", "2001.2.3", {}, "2001-02-03"},
        {"ZJF", "12.5", {}, 13.0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::string(c.field) + " " + c.typed.toStdString());
        prompt->clear();
        const int before = accepted;
        EXPECT_EQ(set.editValue(0, set.fieldIndex(c.field), c.typed), c.refusal.isEmpty());
        EXPECT_EQ(set.value(0, c.field), c.kept);
        if (c.refusal.isEmpty()) {
            EXPECT_TRUE(prompt->shown.empty());
            EXPECT_EQ(accepted, before + 1);
        } else {
            ASSERT_EQ(prompt->shown.size(), 1u);
            EXPECT_EQ(prompt->last(), c.refusal);
            EXPECT_EQ(accepted, before); // refused before the window's own hook is asked
        }
    }
}

TEST(RecordSetParse, TypedTextFollowsTheColumnsType)
{
    using T = Schema::Type;
    struct Case
    {
        T type;
        int size;
        QString text;
        QVariant value;  // expected when accepted
        QString refusal; // expected message, empty when accepted
    };
    const Case cases[] = {
        {T::Text, 4, "婚纱摄影", "婚纱摄影", {}},
        {T::Text, 4, "婚纱摄影A", {}, "输入内容过长，最多4个字符！"},
        {T::Text, 2, "𠀀𠀀", "𠀀𠀀", {}}, // characters, not UTF-16 units
        {T::Text, 0, QString(300, 'x'), QString(300, 'x'), {}},
        {T::Text, 4, "", "", {}}, // an empty text stays a text
        {T::Integer, 0, " 42 ", qlonglong(42), {}},
        {T::Integer, 0, "4x", {}, "请输入数字！"},
        {T::Integer, 0, "", {}, {}}, // empty: NULL
        {T::Decimal, 2, "1.005", 1.01, {}},
        {T::Decimal, 0, "-12.5", -13.0, {}},
        {T::Decimal, 2, "1,5", {}, "请输入数字！"},
        {T::Decimal, 2, "inf", {}, "请输入数字！"},
        {T::DateTime, 0, "2024-03-05", "2024-03-05", {}},
        {T::DateTime, 0, "2024-3-5", "2024-03-05", {}},
        {T::DateTime, 0, "2024/3/5", "2024-03-05", {}},
        {T::DateTime, 0, "2024.3.5", "2024-03-05", {}},
        {T::DateTime, 0, "20240305", "2024-03-05", {}},
        {T::DateTime, 0, "2024-03-05 8:09", "2024-03-05 08:09:00", {}},
        {T::DateTime, 0, "2024/3/5 18:09:10", "2024-03-05 18:09:10", {}},
        {T::DateTime, 0, "2024-02-30", {}, "日期格式不正确！"},
        {T::DateTime, 0, "2024-03-05 25:00", {}, "日期格式不正确！"},
        {T::DateTime, 0, "05/03/2024", {}, "日期格式不正确！"},
        {T::DateTime, 0, "2024-3", {}, "日期格式不正确！"},
        {T::DateTime, 0, " ", {}, {}},
    };
    for (const Case &c : cases) {
        QString message = "stale";
        const QVariant got = RecordSet::parseTyped(c.type, c.size, c.text, &message);
        const std::string where = c.text.toStdString();
        EXPECT_EQ(message, c.refusal) << where;
        EXPECT_EQ(got.isNull(), c.value.isNull()) << where;
        if (!c.value.isNull()) {
            EXPECT_EQ(got.typeId(), c.value.typeId()) << where;
            EXPECT_EQ(got, c.value) << where;
        }
    }
}

// A Decimal takes its column's scale whichever way it enters the row, and the
// database receives the rounded value.
TEST_F(RecordSetTest, DecimalsAreRoundedToTheColumnsScale)
{
    GridSpec s;
    s.table = "bm_kh";
    s.keyColumn = "BM";
    RecordSet set(s);
    ASSERT_TRUE(succeeded(set.load()));
    const int row = set.insertRow();
    set.setValue(row, "BM", "200");
    set.setValue(row, "ZK", 0.855);   // DECIMAL(18,2)
    set.setValue(row, "ZJF", 1234.5); // DECIMAL(18,0)
    set.setValue(row, "LJXF", QString("2.675"));
    EXPECT_DOUBLE_EQ(set.value(row, "ZK").toDouble(), 0.86);
    EXPECT_DOUBLE_EQ(set.value(row, "ZJF").toDouble(), 1235.0);
    EXPECT_DOUBLE_EQ(set.value(row, "LJXF").toDouble(), 2.68);
    EXPECT_EQ(set.fieldSize(set.fieldIndex("ZJF")), 0);
    // A value that rounds to what the row holds is no change.
    set.setValue(row, "ZK", 0.86);
    EXPECT_FALSE(set.setValue(row, "ZK", 0.8600001));
    ASSERT_TRUE(succeeded(set.save()));
    EXPECT_EQ(cell("SELECT ZK FROM bm_kh WHERE BM='200'").toDouble(), 0.86);
    EXPECT_EQ(cell("SELECT ZJF FROM bm_kh WHERE BM='200'").toDouble(), 1235.0);
}

TEST_F(RecordSetTest, ConditionsAndOrderAreDataWithBoundValues)
{
    Db::execSql("UPDATE bm_yg SET SR = '1990-05-01' WHERE BM = '002'");
    using Op = GridCondition::Op;
    struct Case
    {
        const char *name;
        std::vector<GridCondition> conditions;
        std::vector<GridOrder> order;
        QStringList codes;
    };
    const Case cases[] = {
        {"no condition", {}, {{"BM"}}, {"000", "001", "002", "003"}},
        {"descending", {{"BM", Op::NotEqual, "000"}}, {{"BM", true}}, {"003", "002", "001"}},
        {"range", {{"BM", Op::Greater, "001"}, {"BM", Op::LessOrEqual, "003"}}, {{"BM"}}, {"002", "003"}},
        {"in, any ASCII case", {{"DLMC", Op::In, QVariantList{"ZS", "sa"}}}, {{"BM"}}, {"000", "001"}},
        {"in an empty list", {{"BM", Op::In, QVariantList{}}}, {{"BM"}}, {}},
        {"not in an empty list", {{"BM", Op::NotIn, QVariantList{}}}, {{"BM"}}, {"000", "001", "002", "003"}},
        {"not in", {{"BM", Op::NotIn, QVariantList{"000", "002"}}}, {{"BM"}}, {"001", "003"}},
        {"null", {{"SR", Op::IsNull}, {"BM", Op::NotEqual, "000"}}, {{"BM"}}, {"001", "003"}},
        {"not null", {{"SR", Op::IsNotNull}}, {{"BM"}}, {"002"}},
        {"equal to NULL", {{"SR", Op::Equal, QVariant()}, {"BM", Op::Less, "002"}}, {{"BM"}}, {"000", "001"}},
        {"a value that is SQL text stays a value", {{"MC", Op::Equal, "x' OR '1'='1"}}, {}, {}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        GridSpec s = employees();
        s.conditions = c.conditions;
        s.order = c.order;
        RecordSet set(s);
        ASSERT_TRUE(succeeded(set.load()));
        EXPECT_EQ(codes(set), c.codes);
    }

    // A field the table does not have is refused, never put into the SQL.
    for (const char *field : {"XX", "BM) OR (1=1", "rowid"}) {
        SCOPED_TRACE(field);
        RecordSet set(employees());
        ASSERT_TRUE(succeeded(set.load()));
        set.setConditions({{field, Op::Equal, "1"}});
        const Outcome out = set.load();
        EXPECT_FALSE(out.ok);
        EXPECT_TRUE(out.message.contains(field));
        EXPECT_EQ(set.rowCount(), 0);
        set.setConditions({});
        set.setOrder({{field}});
        EXPECT_FALSE(set.load().ok);
    }
}

// Values come straight from SQLite; whatever a column holds (SQLite keeps
// any value in any column), the set must type it exactly as normalized() types
// what the Qt driver hands over.
TEST_F(RecordSetTest, LoadedValuesMatchTheDriverWhateverTheStorage)
{
    Db::execSql("INSERT INTO bm_kh (BM, MC, KH, ZK, ZJF, LJXF, TSJ, QF, RQ, SR, HQ, BZ, DZ) VALUES "
            "('a', '', 123, 'abc', ' 12 ', x'3132', 2, 0.0, ' 2024-03-05 ', '', 20240305, NULL, 1.5)");
    Db::execSql("INSERT INTO bm_kh (BM, MC, KH, ZK, ZJF, LJXF, TSJ, QF, RQ, SR, HQ, BZ, DZ) VALUES "
            "('b', 'Éa 张', '', 0.85, 7, -0.0, 'T', '', '2024-03-05 08:09:10', '  ', '2024-02-30', 'x\ny', '')");
    Db::execSql("INSERT INTO BM_TXM (ID, XH, SL, LSJ, TXM) VALUES ('1', '7', 2.6, '3', NULL)");

    struct Source
    {
        const char *table;
        std::vector<GridCondition> conditions;
        QString where;
        QVariantList binds;
    };
    const Source sources[] = {
        {"bm_kh", {{"BM", GridCondition::Op::In, QVariantList{"a", "b"}}}, " WHERE BM IN (?, ?)", {"a", "b"}},
        {"BM_TXM", {}, {}, {}},
    };
    for (const Source &src : sources) {
        GridSpec s;
        s.table = src.table;
        s.conditions = src.conditions;
        s.order = {{"BM_TXM" == QString(src.table) ? "ID" : "BM"}};
        RecordSet set(s);
        ASSERT_TRUE(succeeded(set.load()));
        QSqlQuery q = Db::execSql(
            QString("SELECT * FROM %1%2 ORDER BY %3").arg(src.table, src.where, s.order.front().field), src.binds);
        int row = 0;
        for (; q.next(); ++row) {
            ASSERT_LT(row, set.rowCount());
            for (int f = 0; f < set.fieldCount(); ++f) {
                const QVariant expected = RecordSet::normalized(set.fieldType(f), q.value(set.fieldName(f)));
                const QVariant got = set.value(row, f);
                const std::string where =
                    QString("%1.%2 row %3").arg(src.table, set.fieldName(f)).arg(row).toStdString();
                EXPECT_EQ(got.isNull(), expected.isNull()) << where;
                EXPECT_EQ(got.typeId(), expected.typeId()) << where;
                EXPECT_EQ(got, expected) << where;
                if (got.typeId() == QMetaType::QString)
                    EXPECT_EQ(got.toString().isNull(), expected.toString().isNull()) << where;
                const bool text = set.fieldType(f) == Schema::Type::Text || set.fieldType(f) == Schema::Type::DateTime;
                EXPECT_EQ(set.textView(row, f).toString(), text ? got.toString() : QString()) << where;
            }
        }
        EXPECT_EQ(row, set.rowCount());
    }
}

// Saving visits only the rows that changed; their places shift as rows are
// removed and appended around them.
TEST_F(RecordSetTest, PendingRowsFollowRemovalsAndAppends)
{
    addEmployee("004", "赵六");
    addEmployee("005", "钱七");
    RecordSet set(employees()); // 001 … 005
    ASSERT_TRUE(succeeded(set.load()));
    set.setValue(3, "MC", "赵六六");      // 004
    set.setValue(1, "MC", QString());     // 002, deleted below
    set.removeRow(0);                     // 001
    const int appended = set.insertRow(); // row 4
    set.setValue(appended, "BM", "006");
    set.removeRow(0); // 002, edited and then deleted
    EXPECT_EQ(set.rowState(0), RecordSet::RowState::Unchanged); // 003
    EXPECT_EQ(set.rowState(1), RecordSet::RowState::Modified);  // 004
    EXPECT_EQ(set.rowState(2), RecordSet::RowState::Unchanged); // 005
    EXPECT_EQ(set.rowState(3), RecordSet::RowState::Inserted);
    set.setValue(0, "BM", "013"); // 003 renamed, found by its loaded code
    set.setValue(3, "MC", "孙八");
    ASSERT_EQ(codes(set), QStringList({"013", "004", "005", "006"}));
    ASSERT_TRUE(succeeded(set.save()));
    EXPECT_FALSE(set.isDirty());
    EXPECT_EQ(tableCodes(), QStringList({"000", "004", "005", "006", "013"}));
    EXPECT_EQ(cell("SELECT MC FROM bm_yg WHERE BM='004'").toString(), "赵六六");
    EXPECT_EQ(cell("SELECT MC FROM bm_yg WHERE BM='006'").toString(), "孙八");
    EXPECT_EQ(cell("SELECT MC FROM bm_yg WHERE BM='013'").toString(), "王五");
    EXPECT_EQ(cell("SELECT COUNT(*) FROM bm_yg WHERE BM IN ('001', '002', '003')").toInt(), 0);

    // After the save the renamed row is found by its new code.
    set.setValue(0, "MC", "王五五");
    ASSERT_TRUE(succeeded(set.save()));
    EXPECT_EQ(cell("SELECT MC FROM bm_yg WHERE BM='013'").toString(), "王五五");
}

TEST_F(RecordSetTest, HundredThousandRowsLoadAndSave)
{
    {
        Transaction tx;
        QSqlQuery q(Database::db());
        q.prepare("INSERT INTO bm_yg (BM, MC, DLMC, DH, DZ, SR, BZ) VALUES (?, ?, ?, ?, ?, ?, ?)");
        for (int i = 0; i < 100000; ++i) {
            const QString code = QString("E%1").arg(i, 6, 10, QChar('0'));
            q.addBindValue(code);
            q.addBindValue("员工" + code);
            q.addBindValue(code.toLower());
            q.addBindValue("13900000000");
            q.addBindValue("某市某区某路");
            q.addBindValue("1990-01-01");
            q.addBindValue("");
            ASSERT_TRUE(q.exec());
        }
        ASSERT_TRUE(tx.commit());
    }
    RecordSet set(employees());
    ASSERT_TRUE(succeeded(set.load()));
    ASSERT_EQ(set.rowCount(), 100003);
    set.setValue(set.rowCount() - 1, "MC", "最后一位");
    ASSERT_TRUE(succeeded(set.save()));
    EXPECT_EQ(cell("SELECT MC FROM bm_yg WHERE BM='E099999'").toString(), "最后一位");
    // Speed is measured by bench_grid on a large generated dataset, not here.
}
