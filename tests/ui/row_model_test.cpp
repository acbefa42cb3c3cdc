#include "support/temp_home.h"

#include "core/db/database.h"
#include "core/db/query_result.h"
#include "core/db/record_set.h"
#include "core/text/money.h"
#include "ui/cell_delegate.h"
#include "ui/grid_filter.h"
#include "ui/pickers.h"
#include "ui/row_model.h"

#include <QAbstractItemModelTester>
#include <QComboBox>
#include <QLineEdit>
#include <QTableView>
#include <QToolButton>

namespace {

class RowModelTest : public TempHome
{
protected:
    void SetUp() override
    {
        TempHome::SetUp();
        loginAs("000");
    }

    // One member with the given money amount; the grid shows LJXF as money.
    static GridSpec memberSpec()
    {
        GridSpec s;
        s.table = "bm_kh";
        s.conditions = {{"BM", GridCondition::Op::Equal, "100"}};
        s.keyColumn = "BM";
        GridColumn name = GridColumn::of("MC", "姓名");
        GridColumn money = GridColumn::of("LJXF", "累计消费");
        money.format = "#0.00";
        GridColumn birthday = GridColumn::of("SR", "生日");
        birthday.format = "yyyy-MM-dd";
        GridColumn level = GridColumn::of("JB", "级别");
        level.pickList = QStringList{"普通", "VIP"};
        s.columns = {name, money, birthday, level, GridColumn::of("TSJ", "特价")};
        return s;
    }
};

} // namespace

// The grid shows amounts with the one money formatter: the text on screen is
// the text on paper, halves round away from zero on the decimal the cashier
// sees, and a tiny negative amount never shows as "-0.00".
TEST_F(RowModelTest, AmountsAreShownByTheMoneyFormatter)
{
    Db::execSql("INSERT INTO bm_kh (BM, MC) VALUES ('100', 'x')");
    RecordSet set(memberSpec());
    ASSERT_TRUE(set.load().ok);
    RowModel model(&set);
    const QModelIndex cell = model.index(0, model.columnOf("LJXF"));
    struct Case
    {
        double stored;
        const char *shown;
    };
    const Case cases[] = {{1.005, "1.01"},     {2.675, "2.68"},   {-1.005, "-1.01"},       {0.285, "0.29"},
                          {-0.004, "0.00"},    {-0.0, "0.00"},    {1234567.5, "1234567.50"}, {0.1 + 0.2, "0.30"},
                          {99999999999.995, "100000000000.00"}, {-5, "-5.00"}};
    for (const Case &c : cases) {
        // Written behind the set's back, as another counter would, so that the
        // value is not first rounded to the column's scale on its way in.
        Db::execSql("UPDATE bm_kh SET LJXF = ? WHERE BM = '100'", {c.stored});
        ASSERT_TRUE(set.load().ok);
        EXPECT_EQ(cell.data().toString(), QString::fromLatin1(c.shown)) << c.stored;
        EXPECT_EQ(cell.data().toString(), Money::formatMoney(c.stored)) << c.stored;
        EXPECT_DOUBLE_EQ(cell.data(RowModel::RawValueRole).toDouble(), c.stored);
    }
}

// Every editor kind refuses what its column cannot hold, with the record
// set's message, and the cell keeps its old value; what fits goes in (a
// decimal rounded to the column's scale).
TEST_F(RowModelTest, EachEditorRefusesWhatItsColumnCannotHold)
{
    Db::execSql("INSERT INTO bm_kh (BM, MC, LJXF, SR, JB) VALUES ('100', '张三', 12.5, '1990-01-02', '普通')");
    RecordSet set(memberSpec());
    ASSERT_TRUE(set.load().ok);
    RowModel model(&set);
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    GridFilterModel shown(&model, {});
    QTableView view;
    view.setModel(&shown);
    CellDelegate delegate(&model);
    view.setItemDelegate(&delegate);

    struct Case
    {
        const char *field;
        EditorKind kind;
        QString typed;
        const char *message; // nullptr: accepted
        QVariant stored;     // the raw value afterwards
    };
    const Case cases[] = {
        {"MC", EditorKind::Text, QString(80, QChar(u'婚')), "输入内容过长，最多50个字符！", "张三"},
        {"LJXF", EditorKind::Number, "abc", "请输入数字！", 12.5},
        {"SR", EditorKind::Date, "2024-13-45", "日期格式不正确！", "1990-01-02"},
        {"JB", EditorKind::PickList, QString(51, QLatin1Char('V')), "输入内容过长，最多50个字符！", "普通"},
        {"MC", EditorKind::Text, QString(50, QChar(u'婚')), nullptr, QString(50, QChar(u'婚'))},
        {"LJXF", EditorKind::Number, "12.345", nullptr, 12.35},
        {"SR", EditorKind::Date, "2024/2/29", nullptr, "2024-02-29"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.field + std::string(" ") + c.typed.left(12).toStdString());
        prompt->clear();
        const int column = model.columnOf(c.field);
        EXPECT_EQ(model.editorKind(column), c.kind);
        const QModelIndex cell = shown.mapFromSource(model.index(0, column));

        // The editor the grid opens hands over what was typed.
        QWidget *editor = delegate.createEditor(view.viewport(), QStyleOptionViewItem(), cell);
        ASSERT_NE(editor, nullptr);
        delegate.setEditorData(editor, cell);
        const bool accepted = shown.setData(cell, c.typed, Qt::EditRole);
        delete editor;

        EXPECT_EQ(accepted, c.message == nullptr);
        if (c.message)
            EXPECT_EQ(prompt->texts_shown(), QStringList{QString::fromUtf8(c.message)});
        else
            EXPECT_TRUE(prompt->shown.empty()) << prompt->last().toStdString();
        EXPECT_EQ(set.value(0, c.field), c.stored);
    }
}

// The line edit of a text cell holds no more than the column's width; an
// older, longer value is shown whole rather than cut as the editor opens.
TEST_F(RowModelTest, TheTextEditorHoldsTheColumnsWidth)
{
    Db::execSql("INSERT INTO bm_kh (BM, MC, LJXF) VALUES ('100', ?, 1)", {QString(60, QLatin1Char('x'))});
    RecordSet set(memberSpec());
    ASSERT_TRUE(set.load().ok);
    RowModel model(&set);
    CellDelegate delegate(&model);
    QWidget parent;
    const QModelIndex name = model.index(0, model.columnOf("MC"));
    std::unique_ptr<QWidget> editor(delegate.createEditor(&parent, QStyleOptionViewItem(), name));
    auto *edit = qobject_cast<QLineEdit *>(editor.get());
    ASSERT_NE(edit, nullptr);
    delegate.setEditorData(edit, name);
    EXPECT_EQ(edit->text().size(), 60);
    delegate.setModelData(edit, &model, name);
    EXPECT_FALSE(set.isDirty()); // closing the editor unchanged changes nothing

    Db::execSql("UPDATE bm_kh SET MC = '短'");
    ASSERT_TRUE(set.load().ok);
    delegate.setEditorData(edit, name);
    EXPECT_EQ(edit->maxLength(), 50);
    // A flag has no editor of its own: its check box is toggled.
    EXPECT_EQ(delegate.createEditor(&parent, QStyleOptionViewItem(), model.index(0, model.columnOf("TSJ"))), nullptr);
    EXPECT_TRUE(model.setData(model.index(0, model.columnOf("TSJ")), Qt::Checked, Qt::CheckStateRole));
    EXPECT_EQ(set.value(0, "TSJ"), QVariant(true));
}

// A query result is shown and searched like a record set, but never edited.
TEST_F(RowModelTest, AQueryResultIsShownReadOnly)
{
    Db::execSql("INSERT INTO bm_kh (BM, MC, LJXF, RQ) VALUES ('100', '张三', 12.5, '2024-03-05 10:11:12')");
    QueryResult rows("SELECT BM, MC, LJXF, RQ FROM bm_kh WHERE BM = ?", {"100"});
    ASSERT_TRUE(rows.load().ok);
    GridColumn money = GridColumn::of("LJXF", "累计消费");
    money.format = "0.00";
    GridColumn day = GridColumn::of("RQ", "日期");
    day.format = "yyyy-MM-dd";
    RowModel model(&rows, {GridColumn::of("MC", "姓名"), money, day});
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    ASSERT_EQ(model.rowCount(), 1);
    EXPECT_EQ(model.index(0, 1).data().toString(), "12.50");
    EXPECT_EQ(model.index(0, 1).data(RowModel::RawValueRole).typeId(), QMetaType::Double);
    EXPECT_EQ(model.index(0, 2).data().toString(), "2024-03-05");
    EXPECT_EQ(model.index(0, 2).data(RowModel::RawValueRole).toString(), "2024-03-05 10:11:12");
    EXPECT_FALSE(model.flags(model.index(0, 0)) & Qt::ItemIsEditable);
    EXPECT_FALSE(model.setData(model.index(0, 0), "李四"));
    EXPECT_EQ(rows.value(0, "MC").toString(), "张三");

    GridFilterModel shown(&model, {});
    shown.setText("12.5");
    EXPECT_EQ(shown.rowCount(), 1);
    shown.setText("10:11"); // the time is not shown, so it is not found
    EXPECT_EQ(shown.rowCount(), 0);
}

// A lookup cell's "..." opens the picker its column names, starting from what
// was typed; the picked row's code goes into the cell, or, with the description's
// lookupPicked, wherever the description puts it. A cancelled picker changes nothing.
TEST_F(RowModelTest, ALookupCellTakesThePickedRow)
{
    Db::execSql("INSERT INTO bm_kh (BM, MC, JSRBM) VALUES ('100', '张三', NULL)");
    QString typed;
    std::optional<QVariantMap> answer;
    Pickers::add("introducer", [&](QWidget *, const QString &text) {
        typed = text;
        return answer;
    });
    struct Case
    {
        const char *name;
        bool withHook;
        bool picked;
        const char *code; // JSRBM afterwards
        const char *name2; // JSR afterwards
    };
    const Case cases[] = {{"code into the cell", false, true, "K9", ""},
                          {"the spec's own filling", true, true, "K9", "王五"},
                          {"cancelled", false, false, "", ""}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        GridSpec s = memberSpec();
        GridColumn introducer = GridColumn::of("JSRBM", "介绍人");
        introducer.editor = EditorKind::Lookup;
        introducer.lookup = "introducer";
        s.columns.push_back(introducer);
        if (c.withHook)
            s.lookupPicked = [](RecordSet &set, int row, const QString &, const QVariantMap &picked) {
                set.setValue(row, "JSRBM", picked.value("BM"));
                set.setValue(row, "JSR", picked.value("MC"));
            };
        RecordSet set(s);
        ASSERT_TRUE(set.load().ok);
        RowModel model(&set);
        QTableView view;
        view.setModel(&model);
        CellDelegate delegate(&model);
        const QModelIndex cell = model.index(0, model.columnOf("JSRBM"));
        std::unique_ptr<QWidget> editor(delegate.createEditor(view.viewport(), QStyleOptionViewItem(), cell));
        ASSERT_NE(editor, nullptr);
        editor->findChild<QLineEdit *>("lookupEdit")->setText("王");
        answer = c.picked ? std::optional(QVariantMap{{"BM", "K9"}, {"MC", "王五"}}) : std::nullopt;
        editor->findChild<QToolButton *>("lookupButton")->click();
        EXPECT_EQ(typed, "王");
        EXPECT_EQ(set.value(0, "JSRBM").toString(), c.code);
        EXPECT_EQ(set.value(0, "JSR").toString(), c.name2);
        EXPECT_EQ(set.isDirty(), c.picked);
    }
    Pickers::remove("introducer");
}

