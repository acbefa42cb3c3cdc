#include "support/temp_home.h"

#include "core/clock.h"
#include "core/db/document_number.h"
#include "core/home.h"
#include "core/session.h"
#include "core/settings.h"
#include "system/system_settings.h"

#include <QDir>
#include <QFile>

namespace {

class SystemSettingsTest : public TempHome
{
protected:
    // The file as another reader of it would see it.
    QString onDisk(const QString &section, const QString &key)
    {
        Settings fresh(App::home().iniFile());
        return fresh.value(section, key, QStringLiteral("<missing>"));
    }
};

TEST_F(SystemSettingsTest, NewInstallationShowsWindowDefaultsAndSavingWritesEveryKey)
{
    const QMap<QString, QString> shown = SystemSettings::read();
    for (const char *ticked : {"yl", "skdy", "zdkd", "qk"})
        EXPECT_EQ(shown.value(ticked), "T") << ticked;
    EXPECT_EQ(shown.value("DDH"), "F");
    EXPECT_EQ(shown.value("jsjf"), "0");
    EXPECT_EQ(shown.value("tcqxFS"), "1");
    EXPECT_EQ(shown.value("tcqx1"), "");

    const Outcome saved = SystemSettings::save(shown);
    EXPECT_TRUE(saved.ok);
    EXPECT_EQ(saved.message, "保存成功！");
    for (const SettingKey &k : SystemSettings::keys())
        EXPECT_EQ(onDisk(k.section, k.key), k.windowDefault) << k.key.toStdString();
    EXPECT_EQ(onDisk("xsd", "yl"), "T");
    EXPECT_EQ(onDisk("xsd", "skdy"), "T");
    EXPECT_EQ(onDisk("xsd", "zdkd"), "T");
    EXPECT_EQ(onDisk("xsd", "qk"), "T");
    EXPECT_EQ(onDisk("ZJM", "TQQ"), "F");
}

TEST_F(SystemSettingsTest, EveryBoxIsWrittenAndReadBack)
{
    QMap<QString, QString> values;
    for (const SettingKey &k : SystemSettings::keys())
        values.insert(k.key, k.kind == SettingKey::Kind::Flag ? (k.windowDefault == "T" ? "F" : "T") : QString());
    values["jsjf"] = "25";
    values["tcqx1"] = "COM2";
    values["tcqx2"] = "19200";
    values["tcqx3"] = SystemSettings::drawerCommands().at(6);
    values["tcqxFS"] = "2";
    SystemSettings::save(values);

    EXPECT_EQ(SystemSettings::read(), values);
    for (const SettingKey &k : SystemSettings::keys())
        EXPECT_EQ(onDisk(k.section, k.key), values.value(k.key)) << k.key.toStdString();
}

TEST_F(SystemSettingsTest, FlagsAreOnlyTOrF)
{
    // A flag whose box hands over anything but "T" is stored as "F"; a stored
    // value other than "T" shows as unticked.
    QMap<QString, QString> values = SystemSettings::read();
    values["gdxp"] = "t";
    values["yl"] = "";
    SystemSettings::save(values);
    EXPECT_EQ(onDisk("xsd", "gdxp"), "F");
    EXPECT_EQ(onDisk("xsd", "yl"), "F");

    App::settings().setValue("xsd", "dyqx", "yes");
    EXPECT_EQ(SystemSettings::read().value("dyqx"), "F");
}

TEST_F(SystemSettingsTest, KeysAreNotCaseSensitive)
{
    {
        QFile f(App::home().iniFile());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("[XSD]\nJSJF=40\nddh=T\n");
    }
    App::settings().reload();
    const QMap<QString, QString> shown = SystemSettings::read();
    EXPECT_EQ(shown.value("jsjf"), "40");
    EXPECT_EQ(shown.value("DDH"), "T");
    EXPECT_EQ(SystemSettings::find("JSJF"), SystemSettings::find("jsjf"));
}

TEST_F(SystemSettingsTest, ShortNumbersTakeEffectAtOnce)
{
    loginAs("000");
    Clock::setFixed(QDateTime(QDate(2024, 5, 6), QTime(10, 0)));
    ASSERT_EQ(Documents::NewDocumentNumber("XSD"), "2024050600000001");

    QMap<QString, QString> values = SystemSettings::read();
    values["DDH"] = "T";
    SystemSettings::save(values);
    EXPECT_EQ(App::session().shortNumberFlag, "T");
    EXPECT_EQ(Documents::NewDocumentNumber("XSD"), "202405060001");

    values["DDH"] = "F";
    SystemSettings::save(values);
    EXPECT_EQ(App::session().shortNumberFlag, "F");
}

TEST_F(SystemSettingsTest, ASaveThatDoesNotReachTheFileIsAFailure)
{
    // A folder where the file should be: nothing can be written there.
    const QString ini = App::home().iniFile();
    QFile::remove(ini);
    ASSERT_TRUE(QDir().mkpath(ini));

    QMap<QString, QString> values = SystemSettings::read();
    values["DDH"] = "T";
    values["jsjf"] = "25";
    const Outcome outcome = SystemSettings::save(values);
    EXPECT_FALSE(outcome.ok);
    EXPECT_EQ(outcome.message, "保存失败！");
    EXPECT_TRUE(outcome.detail.contains(ini)) << outcome.detail.toStdString();
    // The running program goes on with what the file holds, not with the unsaved boxes.
    EXPECT_EQ(App::session().shortNumberFlag, "F");
    EXPECT_EQ(SystemSettings::read().value("jsjf"), "0");
}

TEST(IntroducerPoints, WholeNumberFromOneToTenThousandOrNone)
{
    for (const char *good : {"0", "1", "10000", "250", " 7 "})
        EXPECT_FALSE(SystemSettings::checkIntroducerPoints(good)) << good;
    for (const char *bad : {"10001", "", "abc", "1.5", "-3", "+4", "99999999999"}) {
        const auto message = SystemSettings::checkIntroducerPoints(bad);
        ASSERT_TRUE(message) << bad;
        EXPECT_EQ(*message, "请输入1至10000之间的整数！");
    }
    EXPECT_EQ(SystemSettings::jsjfReplacement(), "1");
}

} // namespace
