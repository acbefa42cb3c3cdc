#include "support/temp_home.h"

#include "core/db/database.h"
#include "core/password.h"
#include "system/ui/password_reset_dialog.h"
#include "ui/password_stars.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTest>

namespace {

class PasswordResetDialogTest : public TempHome
{
protected:
    void SetUp() override
    {
        TempHome::SetUp();
        addEmployee("001", "李四", "lisi", "forgotten");
        loginAs("000");
        dialog = std::make_unique<PasswordResetDialog>("001", "李四");
    }
    QLineEdit *box(const char *name) { return dialog->findChild<QLineEdit *>(name); }
    void confirm() { dialog->findChild<QPushButton *>("okButton")->click(); }
    bool passwordIs(const QString &plain)
    {
        return Password::verify(Db::scalarSql("SELECT MM FROM bm_yg WHERE BM = '001'").toString(), plain);
    }

    std::unique_ptr<PasswordResetDialog> dialog;
};

TEST_F(PasswordResetDialogTest, BothBoxesShowStars)
{
    for (const char *name : {"newPassword", "repeatPassword"}) {
        QTest::keyClicks(box(name), "abc");
        EXPECT_EQ(box(name)->text(), "abc");
        EXPECT_EQ(box(name)->displayText(), "***") << name;
    }
    // The helper works on any box, as the login and password windows use it.
    QLineEdit other;
    other.setText("12");
    usePasswordStars(&other);
    EXPECT_EQ(other.echoMode(), QLineEdit::Password);
    EXPECT_EQ(other.displayText(), "**");
}

TEST_F(PasswordResetDialogTest, DifferentTextsAreRefusedAndTheDialogStays)
{
    box("newPassword")->setText("new1");
    box("repeatPassword")->setText("new2");
    confirm();
    EXPECT_EQ(prompt->last(), "两次输入的密码不一致！");
    EXPECT_NE(dialog->result(), QDialog::Accepted);
    EXPECT_TRUE(passwordIs("forgotten"));
}

TEST_F(PasswordResetDialogTest, MatchingTextsResetThePasswordAndClose)
{
    box("newPassword")->setText("new1");
    box("repeatPassword")->setText("new1");
    confirm();
    EXPECT_EQ(prompt->last(), "密码重置成功！");
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
    EXPECT_TRUE(passwordIs("new1"));
}

TEST_F(PasswordResetDialogTest, ARefusedResetKeepsTheDialogOpen)
{
    confirm(); // both boxes empty: they agree, but an empty password is refused
    EXPECT_EQ(prompt->last(), "新密码不能为空！");
    EXPECT_NE(dialog->result(), QDialog::Accepted);
    EXPECT_TRUE(passwordIs("forgotten"));
}

} // namespace
