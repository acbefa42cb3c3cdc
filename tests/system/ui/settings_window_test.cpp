#include "support/temp_home.h"

#include "core/home.h"
#include "core/session.h"
#include "core/settings.h"
#include "system/system_settings.h"
#include "system/ui/settings_window.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QComboBox>
#include <QFocusEvent>
#include <QLineEdit>
#include <QPushButton>

namespace {

class SettingsWindowTest : public TempHome
{
protected:
    void TearDown() override
    {
        delete window;
        TempHome::TearDown();
    }
    void open() { window = new TBMSZ; }
    QCheckBox *flag(const char *key) { return window->findChild<QCheckBox *>(key); }
    QString onDisk(const char *section, const char *key)
    {
        return Settings(App::home().iniFile()).value(section, key, "<missing>");
    }

    TBMSZ *window = nullptr;
};

TEST_F(SettingsWindowTest, NewInstallationTicksTheUsualBoxesAndSavesThemAsT)
{
    open();
    for (const char *key : {"yl", "skdy", "zdkd", "qk"})
        EXPECT_TRUE(flag(key)->isChecked()) << key;
    for (const char *key : {"gdxp", "tcqx", "NOFKC", "KH_SK", "dyqx", "DDH", "SKTS", "TQQ"})
        EXPECT_FALSE(flag(key)->isChecked()) << key;
    EXPECT_EQ(window->findChild<QComboBox *>("tcqx3")->count(), 7);

    window->findChild<QPushButton *>("saveButton")->click();
    EXPECT_EQ(prompt->last(), "保存成功！");
    for (const SettingKey &k : SystemSettings::keys())
        EXPECT_NE(onDisk(k.section.toLatin1(), k.key.toLatin1()), "<missing>") << k.key.toStdString();
    for (const char *key : {"yl", "skdy", "zdkd", "qk"})
        EXPECT_EQ(onDisk("xsd", key), "T") << key;
}

TEST_F(SettingsWindowTest, BoxesShowAndSaveTheFile)
{
    App::settings().setValue("xsd", "tcqx1", "COM3");
    App::settings().setValue("xsd", "tcqx3", "05:Chr(27)+'p'+Chr(0)+Chr(60)+Chr(255)");
    App::settings().setValue("xsd", "jsjf", "30");
    open();
    EXPECT_EQ(window->findChild<QComboBox *>("tcqx1")->currentText(), "COM3");
    EXPECT_EQ(window->findChild<QLineEdit *>("jsjf")->text(), "30");

    flag("DDH")->setChecked(true);
    window->findChild<QComboBox *>("tcqx2")->setCurrentText("4800");
    window->findChild<QPushButton *>("saveButton")->click();
    EXPECT_EQ(onDisk("xsd", "DDH"), "T");
    EXPECT_EQ(onDisk("xsd", "tcqx2"), "4800");
    EXPECT_EQ(onDisk("xsd", "tcqx3"), "05:Chr(27)+'p'+Chr(0)+Chr(60)+Chr(255)");
    EXPECT_EQ(App::session().shortNumberFlag, "T");
}

TEST_F(SettingsWindowTest, PortAndBaudRateArePickedFromTheirLists)
{
    // A hand-written port outside the list is shown as it is and kept by a save.
    App::settings().setValue("xsd", "tcqx1", "COM9");
    open();
    auto *port = window->findChild<QComboBox *>("tcqx1");
    auto *baud = window->findChild<QComboBox *>("tcqx2");
    EXPECT_FALSE(port->isEditable());
    EXPECT_FALSE(baud->isEditable());
    EXPECT_TRUE(window->findChild<QComboBox *>("tcqx3")->isEditable()); // takes a command line
    QStringList ports;
    for (int i = 0; i < port->count(); ++i)
        ports << port->itemText(i);
    EXPECT_EQ(ports, QStringList({"打印机驱动", "LPT1", "LPT2", "COM1", "COM2", "COM3", "COM4", "COM5", "COM6", "指令",
                                  "COM9"}));
    EXPECT_EQ(port->currentText(), "COM9");
    EXPECT_EQ(baud->count(), 4);
    EXPECT_EQ(baud->currentText(), ""); // nothing stored, nothing chosen

    window->findChild<QPushButton *>("saveButton")->click();
    EXPECT_EQ(onDisk("xsd", "tcqx1"), "COM9");
    EXPECT_EQ(onDisk("xsd", "tcqx2"), "");

    baud->setCurrentText("9600");
    port->setCurrentText("LPT2");
    window->findChild<QPushButton *>("saveButton")->click();
    EXPECT_EQ(onDisk("xsd", "tcqx1"), "LPT2");
    EXPECT_EQ(onDisk("xsd", "tcqx2"), "9600");
}

TEST_F(SettingsWindowTest, AFailedWriteIsNotReportedAsSaved)
{
    open();
    const QString ini = App::home().iniFile();
    QFile::remove(ini);
    ASSERT_TRUE(QDir().mkpath(ini)); // a folder where the file should be
    flag("DDH")->setChecked(true);
    window->findChild<QPushButton *>("saveButton")->click();
    ASSERT_EQ(prompt->shown.size(), 1u);
    EXPECT_TRUE(prompt->last().startsWith("保存失败！")) << prompt->last().toStdString();
    EXPECT_EQ(prompt->shown.back().icon, Prompt::Icon::Critical);
    EXPECT_EQ(App::session().shortNumberFlag, "F");
}

TEST_F(SettingsWindowTest, IntroducerPointsOutsideTheRangeBecomeOne)
{
    open();
    auto *points = window->findChild<QLineEdit *>("jsjf");
    points->setText("10001");
    QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
    QCoreApplication::sendEvent(points, &out);
    EXPECT_EQ(prompt->last(), "请输入1至10000之间的整数！");
    EXPECT_EQ(points->text(), "1");
}

} // namespace
