#include "support/temp_home.h"

#include "core/db/database.h"
#include "core/home.h"
#include "core/session.h"
#include "system/company_info.h"

#include <QFile>
#include <QImage>

namespace {

class CompanyInfoTest : public TempHome
{
protected:
    static CompanyInfo sample()
    {
        CompanyInfo c;
        c.GSMC = "喜洋洋婚庆";
        c.DH = "0571-1234567";
        c.DZ = "文三路 8 号";
        c.MR_GHS = "001";
        c.MR_GHSMC = "通用供货商";
        c.MR_KH = "999";
        c.MR_KHMC = "普通客户";
        c.LOG = "bg.png";
        c.BF = "/srv/backup/";
        c.XJF = "20";
        c.QXTS = "10";
        c.QXSJ = "上午";
        c.TZK = "0.95";
        return c;
    }
    static int rows() { return Db::scalarSql("SELECT COUNT(*) FROM bm_gsxx").toInt(); }
};

void expectSame(const CompanyInfo &a, const CompanyInfo &b)
{
    EXPECT_EQ(a.GSMC, b.GSMC);
    EXPECT_EQ(a.DH, b.DH);
    EXPECT_EQ(a.DZ, b.DZ);
    EXPECT_EQ(a.MR_GHS, b.MR_GHS);
    EXPECT_EQ(a.MR_GHSMC, b.MR_GHSMC);
    EXPECT_EQ(a.MR_KH, b.MR_KH);
    EXPECT_EQ(a.MR_KHMC, b.MR_KHMC);
    EXPECT_EQ(a.LOG, b.LOG);
    EXPECT_EQ(a.BF, b.BF);
    EXPECT_EQ(a.XJF, b.XJF);
    EXPECT_EQ(a.QXTS, b.QXTS);
    EXPECT_EQ(a.QXSJ, b.QXSJ);
    EXPECT_EQ(a.TZK, b.TZK);
}

TEST_F(CompanyInfoTest, SaveThenLoadKeepsEveryColumn)
{
    const Outcome saved = Company::save(sample());
    ASSERT_TRUE(saved.ok) << saved.text().toStdString();
    EXPECT_EQ(saved.message, "保存成功！    ");
    EXPECT_EQ(rows(), 1);
    const auto loaded = Company::load();
    ASSERT_TRUE(loaded);
    expectSame(*loaded, sample());
    EXPECT_DOUBLE_EQ(Db::scalarSql("SELECT TZK FROM bm_gsxx").toDouble(), 0.95);
}

TEST_F(CompanyInfoTest, EmptyTableGetsItsRowOnSave)
{
    Db::execSql("DELETE FROM bm_gsxx");
    EXPECT_FALSE(Company::load());
    ASSERT_TRUE(Company::save(sample()).ok);
    EXPECT_EQ(rows(), 1);
    ASSERT_TRUE(Company::save(sample()).ok);
    EXPECT_EQ(rows(), 1);
    expectSame(*Company::load(), sample());
}

TEST_F(CompanyInfoTest, NullColumnsLoadEmptyAndNoDiscountShowsOne)
{
    Db::execSql("UPDATE bm_gsxx SET DH = NULL, TZK = NULL");
    const auto c = Company::load();
    ASSERT_TRUE(c);
    EXPECT_TRUE(c->DH.isEmpty());
    EXPECT_EQ(c->TZK, "1.00");
    Db::execSql("UPDATE bm_gsxx SET TZK = 0.9");
    EXPECT_EQ(Company::load()->TZK, "0.90");
}

TEST_F(CompanyInfoTest, BadPointsRulePickUpDaysOrDiscountIsRefusedAndTheRowKeepsItsValues)
{
    const CompanyInfo before = *Company::load();
    const char *points = "“消费多少元积一分”请输入0至10000之间的整数！";
    const char *days = "“取相天数”请输入0至9999之间的整数！";
    const char *discount = "“全场打折”请输入数字！";
    struct Case
    {
        const char *xjf, *qxts, *tzk, *field, *message;
    };
    const Case cases[] = {
        {"abc", "7", "1", "XJF", points},   {"10001", "7", "1", "XJF", points},
        {"-1", "7", "1", "XJF", points},    {"2.5", "7", "1", "XJF", points},
        {"", "7", "1", "XJF", points},      {"10", "七天", "1", "QXTS", days},
        {"10", "7天", "1", "QXTS", days},   {"10", "-2", "1", "QXTS", days},
        {"10", "1.5", "1", "QXTS", days},   {"10", "10000", "1", "QXTS", days},
        {"10", "7", "九折", "TZK", discount}, {"10", "7", "0.9x", "TZK", discount},
        {"10", "7", "-0.5", "TZK", discount},
    };
    for (const Case &c : cases) {
        CompanyInfo info = sample();
        info.XJF = c.xjf;
        info.QXTS = c.qxts;
        info.TZK = c.tzk;
        QString field;
        const Outcome outcome = Company::save(info, &field);
        EXPECT_FALSE(outcome.ok) << c.xjf << " " << c.qxts << " " << c.tzk;
        EXPECT_EQ(field, c.field);
        EXPECT_EQ(outcome.message, c.message);
    }
    expectSame(*Company::load(), before);

    for (const char *good : {"0", "10000", "1"})
        EXPECT_FALSE(Company::checkPointsRule(good)) << good;
}

TEST_F(CompanyInfoTest, PickUpDaysAreStoredAsAWholeNumberOrNothing)
{
    struct Case
    {
        const char *typed, *stored;
    };
    for (const Case c : {Case{"7", "7"}, Case{" 15 ", "15"}, Case{"007", "7"}, Case{"0", "0"}, Case{"", ""}}) {
        CompanyInfo info = sample();
        info.QXTS = c.typed;
        ASSERT_TRUE(Company::save(info).ok) << c.typed;
        EXPECT_EQ(Db::scalarSql("SELECT QXTS FROM bm_gsxx").toString(), c.stored) << c.typed;
    }
}

TEST_F(CompanyInfoTest, SaveWithoutItsTransactionWritesNothingAndFails)
{
    // A transaction already open on the connection: the save cannot begin its own.
    QSqlQuery(Database::db()).exec("BEGIN");
    const Outcome outcome = Company::save(sample());
    EXPECT_FALSE(outcome.ok);
    EXPECT_EQ(outcome.message, "保存失败！");
    // Read on the same connection, so that an uncommitted write would show too.
    EXPECT_EQ(Db::scalarSql("SELECT GSMC FROM bm_gsxx").toString(), "禾岚婚庆摄影");
    QSqlQuery(Database::db()).exec("ROLLBACK");
}

TEST_F(CompanyInfoTest, EmptyDiscountMeansNone)
{
    CompanyInfo info = sample();
    info.TZK = "";
    ASSERT_TRUE(Company::save(info).ok);
    EXPECT_TRUE(Db::scalarSql("SELECT TZK FROM bm_gsxx").isNull());
    EXPECT_EQ(Company::load()->TZK, "1.00");
}

TEST_F(CompanyInfoTest, ValuesAreBoundNotGluedIntoTheStatement)
{
    CompanyInfo info = sample();
    info.GSMC = "O'Neil\"s 婚庆'); DROP TABLE bm_kh; --";
    ASSERT_TRUE(Company::save(info).ok);
    EXPECT_EQ(Company::load()->GSMC, info.GSMC);
    EXPECT_TRUE(Company::customerName("999"));
}

TEST_F(CompanyInfoTest, CodeLookupsIgnoreCaseAndRefuseUnknownCodes)
{
    Db::execSql("INSERT INTO bm_ghs (BM, MC) VALUES ('ab1', '花艺供应')");
    Db::execSql("INSERT INTO bm_kh (BM, MC) VALUES ('vip01', '张三')");
    EXPECT_EQ(Company::supplierName("AB1").value_or("<none>"), "花艺供应");
    EXPECT_EQ(Company::supplierName("001").value_or("<none>"), "通用供货商");
    EXPECT_EQ(Company::customerName("VIP01").value_or("<none>"), "张三");
    EXPECT_FALSE(Company::customerName("vip02"));
    EXPECT_FALSE(Company::supplierName("x' OR '1'='1"));
}

TEST(BackupFolder, EndsWithASeparator)
{
    EXPECT_EQ(Company::backupFolder("/home/shop/bak"), "/home/shop/bak/");
    EXPECT_EQ(Company::backupFolder("/home/shop/bak/"), "/home/shop/bak/");
    EXPECT_EQ(Company::backupFolder("D:\\备份\\"), "D:\\备份\\");
    EXPECT_EQ(Company::backupFolder(""), "");
}

TEST_F(CompanyInfoTest, BackgroundIsTheNamedPictureOrTheDeliveredOneWithAMessage)
{
    QImage picture(8, 8, QImage::Format_RGB32);
    picture.fill(Qt::red);
    ASSERT_TRUE(picture.save(homePath("bg.png")));
    {
        QFile broken(homePath("broken.jpg"));
        ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
        broken.write("not a picture");
    }
    const QString fallback = App::home().path("image.jpg");
    const QString message = "背景图片路径不正确  ";

    struct Case
    {
        const char *log;
        QString path;
        QString message;
    };
    const Case cases[] = {
        {"bg.png", homePath("bg.png"), {}},
        {"image.jpg", fallback, {}}, // the delivered picture itself
        {"missing.jpg", fallback, message},
        {"broken.jpg", fallback, message},
        {"", fallback, message},
    };
    for (const Case &c : cases) {
        Db::execSql("UPDATE bm_gsxx SET LOG = ?", {QString::fromUtf8(c.log)});
        const BackgroundChoice choice = Company::chooseBackground();
        EXPECT_EQ(choice.path, c.path) << c.log;
        EXPECT_EQ(choice.message, c.message) << c.log;
        EXPECT_EQ(choice.fallback(), !c.message.isEmpty());
    }

    Db::execSql("DELETE FROM bm_gsxx");
    EXPECT_EQ(Company::chooseBackground().message, message);
}

} // namespace
