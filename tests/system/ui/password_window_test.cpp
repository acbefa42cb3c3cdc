#include "support/temp_home.h"

#include "core/db/database.h"
#include "core/password.h"
#include "system/ui/password_window.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTest>

namespace {

class PasswordWindowTest : public TempHome
{
protected:
    void SetUp() override
    {
        TempHome::SetUp();
        addEmployee("001", "李四", "lisi", "old");
        loginAs("001");
        window = std::make_unique<Tggmm>();
        window->show();
    }
    void TearDown() override
    {
        window.reset();
        TempHome::TearDown();
    }
    QLineEdit *box(const char *name) const { return window->findChild<QLineEdit *>(QString::fromLatin1(name)); }
    void fill(const char *oldPw, const char *newPw, const char *repeat)
    {
        box("oldPassword")->setText(QString::fromUtf8(oldPw));
        box("newPassword")->setText(QString::fromUtf8(newPw));
        box("repeatPassword")->setText(QString::fromUtf8(repeat));
    }
    static QString storedPassword() { return Db::scalarSql("SELECT MM FROM bm_yg WHERE BM = '001'").toString(); }

    std::unique_ptr<Tggmm> window;
};

} // namespace

TEST_F(PasswordWindowTest, AWrongOldPasswordChangesNothingAndTheWindowStays)
{
    EXPECT_EQ(window->windowTitle(), "修改密码 :李四");
    const QString before = storedPassword();
    fill("wrong", "new", "new");
    EXPECT_EQ(box("oldPassword")->displayText(), "*****"); // stars, as counter staff know them
    window->findChild<QPushButton *>("okButton")->click();
    EXPECT_EQ(prompt->last(), "原密码错！");
    EXPECT_EQ(prompt->shown.back().caption, "提示：");
    EXPECT_EQ(storedPassword(), before);
    EXPECT_TRUE(window->isVisible());
}

TEST_F(PasswordWindowTest, EnterGoesThroughTheBoxesAndTheLastOneConfirms)
{
    fill("old", "新pw", "新pw");
    box("oldPassword")->setFocus();
    QTest::keyClick(box("oldPassword"), Qt::Key_Return);
    EXPECT_EQ(window->focusWidget(), box("newPassword"));
    QTest::keyClick(box("newPassword"), Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_EQ(window->focusWidget(), box("repeatPassword"));
    EXPECT_TRUE(prompt->shown.empty()); // nothing confirmed on the way

    QTest::keyClick(box("repeatPassword"), Qt::Key_Return);
    EXPECT_EQ(prompt->texts_shown(), QStringList({"密码修改成功！"}));
    EXPECT_TRUE(Password::verify(storedPassword(), "新pw"));
    EXPECT_TRUE(window->isVisible());
}
