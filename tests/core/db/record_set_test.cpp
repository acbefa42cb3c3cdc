#include "support/temp_home.h"

#include "core/db/database.h"
#include "core/password.h"
#include "core/db/record_set.h"

#include <QElapsedTimer>

namespace {

GridSpec employees()
{
    GridSpec s;
    s.table = "bm_yg";
    s.where = "BM <> ?";
    s.whereBinds = {"000"};
    s.orderBy = "BM ASC";
    s.keyColumn = "BM";
    s.columns = {{"BM", "编码"}, {"MC", "姓名"}, {"MM", "密码", {}, {}, true, true}};
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
    ASSERT_TRUE(set.load());
    EXPECT_EQ(codes(set), QStringList({"001", "002", "003"}));
    EXPECT_FALSE(set.isDirty());
    // All columns of the table are at hand, shown or not.
    EXPECT_EQ(set.value(0, "DLMC").toString(), "zs");
    EXPECT_TRUE(Password::verify(set.value(0, "MM").toString(), "abc"));
    EXPECT_TRUE(set.value(1, "SR").isNull());
}

TEST_F(RecordSetTest, ValuesAreTypedByTheSchema)
{
    Db::execSql("INSERT INTO bm_kh (BM, MC, ZK, TSJ, RQ, ZJF) VALUES ('100', 'x', '0.85', 1, '2024-03-05', 12)");
    GridSpec s;
    s.table = "bm_kh";
    s.where = "BM = ?";
    s.whereBinds = {"100"};
    s.keyColumn = "BM";
    RecordSet set(s);
    ASSERT_TRUE(set.load());
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
    ASSERT_TRUE(set.load());
    EXPECT_TRUE(set.setValue(0, "MC", "张三丰"));
    set.removeRow(1); // 002
    const int row = set.insertRow();
    EXPECT_EQ(row, 2); // appended at the end
    set.setValue(row, "BM", "004");
    set.setValue(row, "MC", "赵六");
    ASSERT_TRUE(set.isDirty());

    QString error;
    ASSERT_EQ(set.save(&error), RecordSet::SaveResult::Saved) << error.toStdString();
    EXPECT_FALSE(set.isDirty());
    EXPECT_EQ(tableCodes(), QStringList({"000", "001", "003", "004"}));
    EXPECT_EQ(cell("SELECT MC FROM bm_yg WHERE BM='001'").toString(), "张三丰");
    EXPECT_EQ(cell("SELECT MC FROM bm_yg WHERE BM='004'").toString(), "赵六");

    // The saved state is the new base: a later change of the appended row updates it.
    set.setValue(2, "MC", "赵六六");
    ASSERT_EQ(set.save(), RecordSet::SaveResult::Saved);
    EXPECT_EQ(cell("SELECT MC FROM bm_yg WHERE BM='004'").toString(), "赵六六");
    EXPECT_EQ(cell("SELECT COUNT(*) FROM bm_yg").toInt(), 4);
}

TEST_F(RecordSetTest, FailedSaveChangesNothingAndKeepsEveryPendingRow)
{
    RecordSet set(employees());
    ASSERT_TRUE(set.load());
    set.setValue(0, "MC", "张三丰");
    set.removeRow(2); // 003
    const int row = set.insertRow();
    set.setValue(row, "BM", "000"); // the hidden administrator's code
    set.setValue(row, "MC", "新人");

    QString error;
    EXPECT_EQ(set.save(&error), RecordSet::SaveResult::DuplicateCode);
    EXPECT_FALSE(error.isEmpty());
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
    ASSERT_EQ(set.save(&error), RecordSet::SaveResult::Saved) << error.toStdString();
    EXPECT_EQ(tableCodes(), QStringList({"000", "001", "002", "005"}));
    EXPECT_EQ(cell("SELECT MC FROM bm_yg WHERE BM='001'").toString(), "张三丰");
    EXPECT_EQ(cell("SELECT MC FROM bm_yg WHERE BM='000'").toString(), "系统管理员");
}

TEST_F(RecordSetTest, OnlyChangedColumnsAreWrittenAndRowsAreFoundByTheirLoadedCode)
{
    RecordSet set(employees());
    ASSERT_TRUE(set.load());
    // Meanwhile 张三 changes his password in another window.
    Db::execSql("UPDATE bm_yg SET MM = ? WHERE BM = '001'", {Password::hash("new")});
    set.setValue(0, "BM", "011"); // renamed: found by "001"
    set.setValue(0, "DH", "13800000000");
    ASSERT_EQ(set.save(), RecordSet::SaveResult::Saved);
    EXPECT_TRUE(Password::verify(cell("SELECT MM FROM bm_yg WHERE BM='011'").toString(), "new"));
    EXPECT_EQ(cell("SELECT DH FROM bm_yg WHERE BM='011'").toString(), "13800000000");
    EXPECT_EQ(cell("SELECT COUNT(*) FROM bm_yg WHERE BM='001'").toInt(), 0);

    // A code deleted and typed again on a new row in the same save.
    set.removeRow(1); // 002
    const int row = set.insertRow();
    set.setValue(row, "BM", "002");
    set.setValue(row, "MC", "新李四");
    ASSERT_EQ(set.save(), RecordSet::SaveResult::Saved);
    EXPECT_EQ(cell("SELECT MC FROM bm_yg WHERE BM='002'").toString(), "新李四");
}

TEST_F(RecordSetTest, AppendedRowRemovedAgainIsForgotten)
{
    RecordSet set(employees());
    ASSERT_TRUE(set.load());
    const int row = set.insertRow();
    set.setValue(row, "BM", "001"); // would clash if it were written
    set.removeRow(row);
    EXPECT_FALSE(set.isDirty());
    EXPECT_EQ(set.pendingDeletions(), 0);
    EXPECT_EQ(set.save(), RecordSet::SaveResult::Saved);
    EXPECT_EQ(tableCodes(), QStringList({"000", "001", "002", "003"}));
}

// Tables without a code are edited row by row through SQLite's rowid, so two
// identical rows stay two rows.
TEST_F(RecordSetTest, TableWithoutCodeIsKeyedByRowid)
{
    for (int i = 0; i < 2; ++i)
        Db::execSql("INSERT INTO BM_JP (mc, jp) VALUES ('张', 'Z')");
    Db::execSql("INSERT INTO BM_JP (mc, jp) VALUES ('李', 'L')");
    GridSpec s;
    s.table = "BM_JP";
    s.orderBy = "jp";
    RecordSet set(s);
    ASSERT_TRUE(set.load());
    ASSERT_EQ(set.rowCount(), 3);
    EXPECT_EQ(set.keyField(), -1);
    // Rows 1 and 2 are the identical 张 rows.
    set.removeRow(1);
    set.setValue(1, "jp", "ZH");
    const int row = set.insertRow();
    set.setValue(row, "mc", "王");
    set.setValue(row, "jp", "W");
    ASSERT_EQ(set.save(), RecordSet::SaveResult::Saved);
    EXPECT_EQ(cell("SELECT COUNT(*) FROM BM_JP").toInt(), 3);
    EXPECT_EQ(cell("SELECT group_concat(jp, ',') FROM (SELECT jp FROM BM_JP ORDER BY jp)").toString(), "L,W,ZH");

    set.setValue(row, "jp", "WANG"); // the appended row now has its rowid
    ASSERT_EQ(set.save(), RecordSet::SaveResult::Saved);
    EXPECT_EQ(cell("SELECT group_concat(jp, ',') FROM (SELECT jp FROM BM_JP ORDER BY jp)").toString(), "L,WANG,ZH");
}

TEST_F(RecordSetTest, HooksShapeNewRowsAndEdits)
{
    GridSpec s = employees();
    s.columns.push_back({"ZW", "部门", {}, {}, false, true});
    QVariant seenLastCode;
    int codeChanges = 0;
    s.newRowDefaults = [](RecordSet &set, int row) { set.setValue(row, "QX1", ""); };
    s.proposeCode = [&](const QVariant &last) {
        seenLastCode = last;
        return QVariant(QString::number(last.toInt() + 1).rightJustified(3, '0'));
    };
    s.codeChanged = [&](RecordSet &set, int row) {
        ++codeChanges;
        set.setValue(row, "BZ", "code " + set.value(row, "BM").toString());
    };
    s.acceptEdit = [](const RecordSet &, int, const QString &field, const QVariant &value) {
        return !(field == "MC" && value.toString().isEmpty());
    };
    RecordSet set(s);
    ASSERT_TRUE(set.load());

    const int row = set.insertRow();
    EXPECT_EQ(seenLastCode.toString(), "003");
    EXPECT_EQ(set.value(row, "BM").toString(), "004");
    EXPECT_EQ(set.value(row, "BZ").toString(), "code 004");
    EXPECT_FALSE(set.value(row, "QX1").isNull());
    EXPECT_TRUE(set.value(row, "QX2").isNull());

    // Typed changes pass acceptEdit; read-only columns take no typing but code may set them.
    EXPECT_TRUE(set.editValue(0, set.fieldIndex("BM"), "009"));
    EXPECT_EQ(set.value(0, "BZ").toString(), "code 009");
    EXPECT_EQ(codeChanges, 2);
    EXPECT_FALSE(set.editValue(0, set.fieldIndex("MC"), ""));
    EXPECT_EQ(set.value(0, "MC").toString(), "张三");
    EXPECT_FALSE(set.editValue(0, set.fieldIndex("ZW"), "x"));
    EXPECT_FALSE(set.editValue(0, set.fieldIndex("MM"), "x"));
    EXPECT_TRUE(set.setValue(0, "ZW", "x"));
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

    for (const char *table : {"bm_kh", "BM_TXM"}) {
        GridSpec s;
        s.table = table;
        if (QString(table) == "bm_kh") {
            s.where = "BM IN (?, ?)";
            s.whereBinds = {"a", "b"};
            s.keyColumn = "BM";
        }
        s.orderBy = "rowid";
        RecordSet set(s);
        ASSERT_TRUE(set.load());
        const QString where = s.where.isEmpty() ? QString() : " WHERE " + s.where;
        QSqlQuery q = Db::execSql(QString("SELECT * FROM %1%2 ORDER BY rowid").arg(table, where), s.whereBinds);
        int row = 0;
        for (; q.next(); ++row) {
            ASSERT_LT(row, set.rowCount());
            for (int f = 0; f < set.fieldCount(); ++f) {
                const QVariant expected = RecordSet::normalized(set.fieldType(f), q.value(set.fieldName(f)));
                const QVariant got = set.value(row, f);
                const std::string where = QString("%1.%2 row %3").arg(table, set.fieldName(f)).arg(row).toStdString();
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
    ASSERT_TRUE(set.load());
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
    ASSERT_EQ(set.save(), RecordSet::SaveResult::Saved);
    EXPECT_FALSE(set.isDirty());
    EXPECT_EQ(tableCodes(), QStringList({"000", "004", "005", "006", "013"}));
    EXPECT_EQ(cell("SELECT MC FROM bm_yg WHERE BM='004'").toString(), "赵六六");
    EXPECT_EQ(cell("SELECT MC FROM bm_yg WHERE BM='006'").toString(), "孙八");
    EXPECT_EQ(cell("SELECT MC FROM bm_yg WHERE BM='013'").toString(), "王五");
    EXPECT_EQ(cell("SELECT COUNT(*) FROM bm_yg WHERE BM IN ('001', '002', '003')").toInt(), 0);

    // After the save the renamed row is found by its new code.
    set.setValue(0, "MC", "王五五");
    ASSERT_EQ(set.save(), RecordSet::SaveResult::Saved);
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
    ASSERT_TRUE(set.load());
    ASSERT_EQ(set.rowCount(), 100003);
    set.setValue(set.rowCount() - 1, "MC", "最后一位");
    ASSERT_EQ(set.save(), RecordSet::SaveResult::Saved);
    EXPECT_EQ(cell("SELECT MC FROM bm_yg WHERE BM='E099999'").toString(), "最后一位");
    // Speed is measured by bench_grid on a large generated dataset, not here.
}
