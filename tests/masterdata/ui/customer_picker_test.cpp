// Txzkh, the customer picker, and through it the pickers base.
#include "support/temp_home.h"

#include "core/db/database.h"
#include "masterdata/ui/customer_picker.h"
#include "system/ui/company_window.h"
#include "ui/pickers.h"
#include "ui/row_model.h"

#include <QLineEdit>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QToolButton>

namespace {

QString u(const char *text) { return QString::fromUtf8(text); }

class CustomerPickerTest : public TempHome
{
protected:
    void SetUp() override
    {
        TempHome::SetUp();
        Db::execSql("DELETE FROM bm_kh WHERE BM <> '999'");
        Db::execSql("INSERT INTO bm_kh (BM, MC, JP, DH, ZHYE, SYJF, ZHQK) VALUES ('001', ?, 'ZS', '13900000001', 120.5, 30, 0)",
                    {u("张三")});
        Db::execSql("INSERT INTO bm_kh (BM, MC, JP, DH, ZHYE, SYJF, ZHQK) VALUES ('002', ?, 'LS', '13900000002', 0, 7, 15)",
                    {u("李四")});
    }

    QStringList listed(const Txzkh &picker)
    {
        QStringList codes;
        const auto *view = picker.view();
        for (int r = 0; r < view->model()->rowCount(); ++r)
            codes << view->model()->index(r, 0).data(Qt::EditRole).toString();
        return codes;
    }

    // Runs the picker with `typed` in its filter; `act` plays the user once it is shown.
    std::optional<QVariantMap> run(Txzkh &picker, const QString &typed, const std::function<void()> &act)
    {
        QTimer::singleShot(0, &picker, [&] {
            act();
            leftOpen = picker.isVisible();
            // Whatever the act left open is cancelled, so a failing case cannot hang.
            if (picker.isVisible())
                QTimer::singleShot(0, &picker, [&] { picker.done(QDialog::Rejected); });
        });
        return picker.pick(typed);
    }

    bool leftOpen = false; // whether the user's act left the picker open
};

TEST_F(CustomerPickerTest, ListsEveryMemberWithTheWalkInAndRereadsEachTimeItIsShown)
{
    Txzkh picker;
    QStringList first;
    run(picker, QString(), [&] {
        first = listed(picker);
        QTest::keyClick(picker.view(), Qt::Key_Escape);
    });
    EXPECT_EQ(first, (QStringList{"001", "002", "999"}));

    // A member added meanwhile (by 添加会员) is there the next time.
    Db::execSql("INSERT INTO bm_kh (BM, MC) VALUES ('003', 'C')");
    QStringList second;
    run(picker, QString(), [&] {
        second = listed(picker);
        QTest::keyClick(picker.view(), Qt::Key_Escape);
    });
    EXPECT_EQ(second, (QStringList{"001", "002", "003", "999"}));
}

TEST_F(CustomerPickerTest, PicksByEnterPlusOrDoubleClickAndReturnsTheWholeRow)
{
    struct Case
    {
        const char *gesture;
        QString typed;
        std::optional<QString> picked;
    };
    const Case cases[] = {
        {"enter in filter", "LS", "002"},   // pinyin initials
        {"enter in grid", "139000000", "001"}, // mobile: the first row in sight
        {"plus in filter", u("张"), "001"},
        {"double click", "002", "002"},
        {"escape", "001", std::nullopt},
        {"enter with nothing in sight", "nobody", std::nullopt},
    };
    for (const Case &c : cases) {
        const std::string gesture = c.gesture;
        Txzkh picker;
        const std::optional<QVariantMap> row = run(picker, c.typed, [&] {
            if (gesture == "enter in filter" || gesture == "enter with nothing in sight")
                QTest::keyClick(picker.filterBox(), Qt::Key_Return);
            else if (gesture == "enter in grid")
                QTest::keyClick(picker.view(), Qt::Key_Enter);
            else if (gesture == "plus in filter")
                QTest::keyClick(picker.filterBox(), Qt::Key_Plus);
            else if (gesture == "double click") {
                QTableView *view = picker.view();
                const QRect cell = view->visualRect(view->model()->index(0, 1));
                QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, cell.center());
                QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, cell.center());
            } else
                QTest::keyClick(picker.filterBox(), Qt::Key_Escape);
        });
        ASSERT_EQ(row.has_value(), c.picked.has_value()) << gesture;
        // Esc closes; Enter over an empty list leaves the picker open.
        EXPECT_EQ(leftOpen, gesture == "enter with nothing in sight") << gesture;
        if (row)
            EXPECT_EQ(row->value("BM").toString(), *c.picked) << gesture;
        // Closing empties the filter, whoever opens the picker next.
        EXPECT_TRUE(picker.filterBox()->text().isEmpty()) << gesture;
    }
}

TEST_F(CustomerPickerTest, ThePickedRowCarriesTheBalancesCallersFillIn)
{
    // The top-up takes ZHYE and SYJF, the redemption SYJF, the receipt ZHYE.
    const Pickers::Picker picker = [] {
        registerCustomerPicker();
        return Pickers::find("customer");
    }();
    ASSERT_TRUE(picker);
    std::optional<QVariantMap> row;
    QTimer::singleShot(0, [] {
        auto *open = qobject_cast<Txzkh *>(QApplication::activeModalWidget());
        if (!open)
            return;
        QTest::keyClick(open->filterBox(), Qt::Key_Return);
    });
    row = picker(nullptr, "001");
    ASSERT_TRUE(row.has_value());
    EXPECT_EQ(row->value("MC").toString(), u("张三"));
    EXPECT_DOUBLE_EQ(row->value("ZHYE").toDouble(), 120.5);
    EXPECT_DOUBLE_EQ(row->value("SYJF").toDouble(), 30);
    EXPECT_DOUBLE_EQ(row->value("ZHQK").toDouble(), 0);
    // Columns the list does not show come along too: the order takes the price tier and discount.
    Db::execSql("UPDATE bm_kh SET JG = ?, ZK = 0.9 WHERE BM = '001'", {u("售价一")});
    QTimer::singleShot(0, [] {
        if (auto *open = qobject_cast<Txzkh *>(QApplication::activeModalWidget()))
            QTest::keyClick(open->filterBox(), Qt::Key_Return);
    });
    row = picker(nullptr, "001");
    ASSERT_TRUE(row.has_value());
    EXPECT_EQ(row->value("JG").toString(), u("售价一"));
    EXPECT_DOUBLE_EQ(row->value("ZK").toDouble(), 0.9);
    Pickers::remove("customer");
}

TEST_F(CustomerPickerTest, ShowsTheListedColumnsWithMoneyInTwoPlaces)
{
    Txzkh picker;
    ASSERT_TRUE(picker.reload().ok);
    picker.setFilterText("001");
    const RowModel *model = picker.model();
    QStringList titles;
    for (int c = 0; c < model->columnCount(); ++c)
        if (!picker.view()->isColumnHidden(c))
            titles << model->headerData(c, Qt::Horizontal).toString();
    EXPECT_EQ(titles, (QStringList{u("编码"), u("姓名"), u("卡号"), u("性别"), u("电话"), u("单位"), u("地址"),
                                   u("剩余积分"), u("账户余额"), u("账户欠款"), u("备注")}));
    EXPECT_EQ(model->displayText(0, model->columnOf("ZHYE")), "120.50");
    EXPECT_EQ(picker.windowTitle(), u("客户选择"));
    EXPECT_EQ(picker.size(), QSize(708, 465));
}

TEST_F(CustomerPickerTest, TheCompanysDefaultCustomerIsPickedFromTheList)
{
    registerCustomerPicker();
    TBM_GSXX company;
    company.show();
    QTimer::singleShot(0, &company, [&] {
        auto *picker = qobject_cast<Txzkh *>(QApplication::activeModalWidget());
        ASSERT_TRUE(picker);
        picker->setFilterText("002");
        QTest::keyClick(picker->filterBox(), Qt::Key_Return);
        if (picker->isVisible())
            picker->reject();
    });
    company.findChild<QToolButton *>("pickCustomer")->click();
    EXPECT_EQ(company.findChild<QLineEdit *>("MR_KH")->text(), "002");
    EXPECT_EQ(company.findChild<QLineEdit *>("MR_KHMC")->text(), u("李四"));
    Pickers::remove("customer");
}

} // namespace
