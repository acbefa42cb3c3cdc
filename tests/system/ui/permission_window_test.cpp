#include "support/temp_home.h"

#include "core/db/database.h"
#include "system/menu_catalog.h"
#include "system/ui/permission_window.h"

#include <QtTest/QtTest>
#include <QtWidgets>

namespace {

class PermissionWindowTest : public TempHome
{
protected:
    void SetUp() override
    {
        TempHome::SetUp();
        addEmployee(QStringLiteral("001"), QStringLiteral("李四"));
        loginAs(QStringLiteral("000"));
        window = new TGGQX;
        window->show();
    }
    void TearDown() override
    {
        delete window.data();
        TempHome::TearDown();
    }
    template <class W> W *child(const QString &name)
    {
        W *w = window->findChild<W *>(name);
        EXPECT_NE(w, nullptr) << name.toStdString();
        return w;
    }
    QListWidget *list(int n) { return child<QListWidget>(QStringLiteral("menuList%1").arg(n)); }
    QCheckBox *right(int code) { return child<QCheckBox>(QStringLiteral("right%1").arg(code)); }
    void choose(const QString &name)
    {
        QComboBox *box = child<QComboBox>(QStringLiteral("employeeBox"));
        box->setCurrentIndex(box->findText(name));
    }
    void clickSave() { QTest::mouseClick(child<QPushButton>(QStringLiteral("saveButton")), Qt::LeftButton); }
    QString column(const QString &col, const QString &code)
    {
        return Db::scalarSql(QStringLiteral("SELECT %1 FROM bm_yg WHERE BM = ?").arg(col), {code}).toString();
    }
    int checkedCount(QListWidget *l)
    {
        int n = 0;
        for (int i = 0; i < l->count(); ++i)
            n += l->item(i)->checkState() == Qt::Checked;
        return n;
    }

    QPointer<TGGQX> window;
};

TEST_F(PermissionWindowTest, OpensOnTheCurrentUserWithEveryEntryListed)
{
    EXPECT_EQ(window->objectName(), QStringLiteral("TGGQX"));
    EXPECT_EQ(window->windowTitle(), QStringLiteral("权限设置"));
    EXPECT_TRUE(window->testAttribute(Qt::WA_DeleteOnClose));
    QComboBox *box = child<QComboBox>(QStringLiteral("employeeBox"));
    EXPECT_EQ(box->currentText(), QStringLiteral("系统管理员"));
    EXPECT_EQ(box->count(), 2);

    const auto &menus = MenuCatalog::restrictedMenus();
    for (int n = 1; n <= 4; ++n)
        EXPECT_EQ(list(n)->count(), int(menus[n - 1].entries.size())) << n;
    EXPECT_FALSE(list(1)->findItems(QStringLiteral("导入导出"), Qt::MatchExactly).isEmpty());
    EXPECT_EQ(list(1)->item(3)->text(), QStringLiteral("-"));
    for (int code = 10; code <= 18; ++code)
        EXPECT_TRUE(right(code)->isChecked()) << code; // the administrator holds every right
    EXPECT_TRUE(prompt->shown.empty());
}

TEST_F(PermissionWindowTest, AnEmptyMenuTextShowsEveryLineTicked)
{
    Db::execSql(QStringLiteral("UPDATE bm_yg SET QX1 = '110,', QX2 = '' WHERE BM = '001'"));
    choose(QStringLiteral("李四"));
    EXPECT_EQ(checkedCount(list(2)), list(2)->count());
    EXPECT_EQ(checkedCount(list(1)), 1);
    EXPECT_EQ(list(1)->item(0)->checkState(), Qt::Checked);
    for (int code = 10; code <= 18; ++code)
        EXPECT_FALSE(right(code)->isChecked()) << code;
}

TEST_F(PermissionWindowTest, SavingStoresWhatIsTicked)
{
    choose(QStringLiteral("李四"));
    QListWidget *orders = list(3);
    for (int i = 0; i < orders->count(); ++i)
        orders->item(i)->setCheckState(Qt::Unchecked);
    list(1)->item(7)->setCheckState(Qt::Unchecked); // 导入导出
    right(10)->setChecked(true);
    right(18)->setChecked(true);

    clickSave();
    EXPECT_EQ(prompt->last(), QStringLiteral("保存成功！"));
    EXPECT_EQ(column(QStringLiteral("QX3"), QStringLiteral("001")), QStringLiteral("null"));
    EXPECT_EQ(column(QStringLiteral("qxqt"), QStringLiteral("001")), QStringLiteral("QX-10,18,"));
    EXPECT_FALSE(column(QStringLiteral("QX1"), QStringLiteral("001")).contains(QStringLiteral("117,")));
    EXPECT_TRUE(column(QStringLiteral("QX1"), QStringLiteral("001")).contains(QStringLiteral("118,")));

    // Switching away and back shows what was stored.
    choose(QStringLiteral("系统管理员"));
    EXPECT_EQ(checkedCount(list(3)), list(3)->count());
    choose(QStringLiteral("李四"));
    EXPECT_EQ(checkedCount(list(3)), 0);
    EXPECT_EQ(list(1)->item(7)->checkState(), Qt::Unchecked);
    EXPECT_TRUE(right(18)->isChecked());
    EXPECT_FALSE(right(11)->isChecked());
}

TEST_F(PermissionWindowTest, ExitClosesAndFreesTheWindow)
{
    QTest::mouseClick(child<QPushButton>(QStringLiteral("exitButton")), Qt::LeftButton);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(window.isNull());
}

} // namespace
