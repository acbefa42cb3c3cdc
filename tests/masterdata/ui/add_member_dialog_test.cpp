// TTJKH, the add-member dialog.
#include "support/temp_home.h"

#include "app/window_catalog.h"
#include "core/clock.h"
#include "core/db/database.h"
#include "core/session.h"
#include "core/settings.h"
#include "masterdata/ui/add_member_dialog.h"
#include "masterdata/ui/customer_picker.h"

#include <QDateEdit>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSqlRecord>
#include <QTest>
#include <QTimer>
#include <QToolButton>

namespace {

QString u(const char *text) { return QString::fromUtf8(text); }

class AddMemberDialogTest : public TempHome
{
protected:
    void SetUp() override
    {
        TempHome::SetUp();
        Clock::setFixed(QDateTime(QDate(2026, 12, 9), QTime(10, 0)));
        Db::execSql("DELETE FROM bm_kh WHERE BM <> '999'");
    }
    void addRow(const QString &code, const QString &name = QStringLiteral("X"))
    {
        Db::execSql("INSERT INTO bm_kh (BM, MC, ZJF, DXJF, SYJF, JSRJF) VALUES (?, ?, 0, 0, 0, 0)", {code, name});
    }
    QSqlRecord member(const QString &code)
    {
        QSqlQuery q = Db::execSql("SELECT * FROM bm_kh WHERE BM=?", {code});
        return q.next() ? q.record() : QSqlRecord();
    }
    QLineEdit *box(TTJKH &d, const char *name) { return d.findChild<QLineEdit *>(name); }
    void leave(QWidget *w)
    {
        QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
        QCoreApplication::sendEvent(w, &out);
    }
};

TEST_F(AddMemberDialogTest, ShowingEmptiesTheBoxesAndProposesACode)
{
    struct Case
    {
        QStringList codes;
        QString proposal;
    };
    QStringList serial;
    for (int i = 1; i <= 98; ++i)
        serial << QString::number(i).rightJustified(3, QLatin1Char('0'));
    const Case cases[] = {
        {{"998", "1500"}, "1501"}, // the numeric maximum, not the text order's 998
        {serial, "099"},
        {{"998"}, "1000"},         // never the walk-in's 999
        {{}, ""},
    };
    ASSERT_TRUE(App::settings().setValue("xsd", "jsjf", "5").ok);
    for (const Case &c : cases) {
        Db::execSql("DELETE FROM bm_kh WHERE BM <> '999'");
        for (const QString &code : c.codes)
            addRow(code);
        TTJKH dialog;
        // What the last user left behind is gone when the dialog shows again.
        box(dialog, "MC")->setText("old");
        box(dialog, "ZK")->setText("0.5");
        dialog.findChild<QDateEdit *>("RQ")->setDate(QDate(2020, 1, 1));
        dialog.show();
        EXPECT_EQ(box(dialog, "BM")->text(), c.proposal) << c.codes.size();
        EXPECT_TRUE(box(dialog, "MC")->text().isEmpty());
        EXPECT_EQ(box(dialog, "ZK")->text(), "1");
        EXPECT_EQ(box(dialog, "introducerPoints")->text(), "5");
        EXPECT_EQ(dialog.findChild<QDateEdit *>("RQ")->date(), QDate(2026, 12, 9));
        dialog.close();
    }
}

TEST_F(AddMemberDialogTest, DiscountAndAgeTakeDigitsAndPointOnly)
{
    TTJKH dialog;
    dialog.show();
    for (const char *name : {"ZK", "LJ"}) {
        QLineEdit *e = box(dialog, name);
        e->clear();
        QTest::keyClicks(e, "0a.8-x");
        EXPECT_EQ(e->text(), "0.8") << name;
    }
    QLineEdit *points = box(dialog, "introducerPoints");
    points->clear();
    QTest::keyClicks(points, "1.5");
    EXPECT_EQ(points->text(), "15");
}

TEST_F(AddMemberDialogTest, LeavingTheCodeBoxWithACodeInUseEmptiesIt)
{
    addRow("500");
    TTJKH dialog;
    dialog.show();
    struct Case
    {
        const char *code;
        bool refused;
    };
    for (const Case &c : {Case{"500", true}, Case{"501", false}, Case{"", false}}) {
        prompt->clear();
        box(dialog, "BM")->setText(c.code);
        leave(box(dialog, "BM"));
        EXPECT_EQ(prompt->saw(u("当行会员卡号已存在，请换用别的卡号！")), c.refused) << c.code;
        EXPECT_EQ(box(dialog, "BM")->text(), c.refused ? QString() : QString(c.code)) << c.code;
    }
}

// The proposed code is taken by another counter while the dialog is open:
// 确 定 refuses it with the typing kept, and the introducer is credited once,
// by the 确 定 that writes the member.
TEST_F(AddMemberDialogTest, ConfirmRefusesACodeTakenMeanwhileAndKeepsTheTyping)
{
    Db::execSql("INSERT INTO bm_kh (BM, MC, ZJF, DXJF, SYJF, JSRJF) VALUES ('100', ?, 10, 4, 6, 0)", {u("李四")});
    ASSERT_TRUE(App::settings().setValue("xsd", "jsjf", "8").ok);
    TTJKH dialog;
    dialog.show();
    ASSERT_EQ(box(dialog, "BM")->text(), "101");
    box(dialog, "MC")->setText(u("王五"));
    box(dialog, "DH")->setText("13800000000");
    box(dialog, "JSRBM")->setText("100");
    leave(box(dialog, "JSRBM"));
    EXPECT_EQ(box(dialog, "JSR")->text(), u("李四"));
    dialog.findChild<QDateEdit *>("birthday")->setDate(QDate(1990, 3, 4));
    dialog.findChild<QRadioButton *>("lunarBirthday")->setChecked(true);

    addRow("101", u("别的窗口"));
    dialog.findChild<QPushButton *>("okButton")->click();
    EXPECT_EQ(prompt->last(), u("当行会员卡号已存在，请换用别的卡号！"));
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(box(dialog, "MC")->text(), u("王五"));
    EXPECT_EQ(box(dialog, "DH")->text(), "13800000000");
    EXPECT_FALSE(dialog.addedMember().has_value());
    EXPECT_DOUBLE_EQ(member("100").value("ZJF").toDouble(), 10);

    box(dialog, "BM")->setText("102");
    dialog.findChild<QPushButton *>("okButton")->click();
    EXPECT_FALSE(dialog.isVisible());
    ASSERT_TRUE(dialog.addedMember().has_value());
    EXPECT_EQ(dialog.addedMember()->value("BM").toString(), "102");
    EXPECT_EQ(dialog.addedMember()->value("MC").toString(), u("王五"));
    const QSqlRecord added = member("102");
    EXPECT_EQ(added.value("JP").toString(), "WW");
    EXPECT_EQ(added.value("SRBAK").toString(), "1990-03-04");
    EXPECT_TRUE(added.value("SR").isNull());
    EXPECT_EQ(added.value("RQ").toString(), "2026-12-09");
    const QSqlRecord introducer = member("100");
    EXPECT_DOUBLE_EQ(introducer.value("JSRJF").toDouble(), 8);
    EXPECT_DOUBLE_EQ(introducer.value("ZJF").toDouble(), 18);
    EXPECT_DOUBLE_EQ(introducer.value("SYJF").toDouble(), 14);
    EXPECT_DOUBLE_EQ(introducer.value("DXJF").toDouble(), 4);
}

TEST_F(AddMemberDialogTest, TheIntroducerComesFromTheCustomerPicker)
{
    addRow("100", u("李四"));
    TTJKH dialog;
    dialog.show();
    QTimer::singleShot(0, &dialog, [&] {
        auto *picker = dialog.findChild<Txzkh *>();
        ASSERT_TRUE(picker);
        picker->setFilterText(u("李"));
        QTest::keyClick(picker->filterBox(), Qt::Key_Return);
        if (picker->isVisible())
            picker->reject();
    });
    dialog.findChild<QToolButton *>("pickIntroducer")->click();
    EXPECT_EQ(box(dialog, "JSRBM")->text(), "100");
    EXPECT_EQ(box(dialog, "JSR")->text(), u("李四"));
}

// The main window's 添加新客户 opens TTJKH through the catalog, modally.
TEST_F(AddMemberDialogTest, TheCatalogMakesTheDialog)
{
    const WindowKind *kind = findWindowKind("TTJKH");
    ASSERT_TRUE(kind);
    EXPECT_TRUE(kind->dialog);
    std::unique_ptr<QWidget> made(kind->create());
    auto *dialog = qobject_cast<TTJKH *>(made.get());
    ASSERT_TRUE(dialog);
    EXPECT_EQ(dialog->windowTitle(), u("添加会员"));
}

} // namespace
