#include "masterdata/member_add.h"

#include "core/db/database.h"
#include "core/session.h"
#include "core/settings.h"
#include "support/temp_home.h"

#include <QSqlRecord>

namespace {

QString u(const char *text) { return QString::fromUtf8(text); }

} // namespace

class MemberAddTest : public TempHome
{
protected:
    void SetUp() override
    {
        TempHome::SetUp();
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
    qlonglong memberCount() { return Db::scalarSql("SELECT COUNT(*) FROM bm_kh").toLongLong(); }
    MemberAdd::NewMember newMember(const QString &code)
    {
        MemberAdd::NewMember m;
        m.code = code;
        m.name = u("张三丰");
        m.joinDate = QDate(2026, 12, 9);
        return m;
    }
};

TEST_F(MemberAddTest, ProposesTheNextCodeFromTheNumericMaximumOrTheTextOrder)
{
    auto serial = [](int from, int to, int width) {
        QStringList codes;
        for (int i = from; i <= to; ++i)
            codes << QString::number(i).rightJustified(width, QLatin1Char('0'));
        return codes;
    };
    struct Case
    {
        QStringList codes;
        QString proposal;
    };
    const Case cases[] = {
        {{}, ""},                                // only the walk-in row: nothing to go on
        {{"0099"}, "0100"},
        {{"12"}, "13"},
        {serial(1, 98, 3), "099"},
        {{"998", "1500"}, "1501"},              // numeric maximum over the text order's "998"
        {{"9999"}, "0000"},                     // the carry past the width is lost
        {{"998"}, "1000"},                      // never the walk-in's "999"
        {serial(1, 998, 3), "1000"},
        {{"A07"}, ""},
        {{"001", "abc"}, ""},                   // the last code in text order is no number
        {{"998", "1500b"}, "1501"},             // a code counts by its leading digits
    };
    for (const Case &c : cases) {
        Db::execSql("DELETE FROM bm_kh WHERE BM <> '999'");
        for (const QString &code : c.codes)
            addRow(code);
        EXPECT_EQ(MemberAdd::proposeCode(), c.proposal) << c.codes.join(',').left(40).toStdString();
    }
}

TEST_F(MemberAddTest, WritesTheMemberWithInitialsBirthdayAndZeroBalances)
{
    MemberAdd::NewMember m = newMember("0100");
    m.discount = "0.85";
    m.priceTier = u("售价二");
    m.birthday = QDate(1990, 5, 6);
    m.weddingDate = QDate(2027, 1, 2);
    m.autoUpgrade = true;
    ASSERT_TRUE(MemberAdd::addMember(m).ok);
    QSqlRecord r = member("0100");
    EXPECT_EQ(r.value("JP").toString(), "ZSF");
    EXPECT_EQ(r.value("SR").toString(), "1990-05-06");
    EXPECT_TRUE(r.value("SRBAK").isNull());
    EXPECT_EQ(r.value("HQ").toString(), "2027-01-02");
    EXPECT_EQ(r.value("RQ").toString(), "2026-12-09");
    EXPECT_DOUBLE_EQ(r.value("ZK").toDouble(), 0.85);
    EXPECT_EQ(r.value("JG").toString(), u("售价二"));
    EXPECT_EQ(r.value("TSJ").toInt(), 1);
    for (const char *f : {"ZJF", "DXJF", "SYJF", "JSRJF", "LJXF", "ZHYE", "ZHQK"}) {
        EXPECT_FALSE(r.value(f).isNull()) << f;
        EXPECT_DOUBLE_EQ(r.value(f).toDouble(), 0) << f;
    }

    // A lunar birthday goes to SRBAK; an empty discount box counts as 1.
    m = newMember("0101");
    m.birthday = QDate(1991, 8, 15);
    m.lunarBirthday = true;
    m.discount = "";
    ASSERT_TRUE(MemberAdd::addMember(m).ok);
    r = member("0101");
    EXPECT_TRUE(r.value("SR").isNull());
    EXPECT_EQ(r.value("SRBAK").toString(), "1991-08-15");
    EXPECT_DOUBLE_EQ(r.value("ZK").toDouble(), 1);
}

TEST_F(MemberAddTest, RefusesBadInputBeforeWritingAnything)
{
    addRow("500", u("李四"));
    struct Case
    {
        const char *code;
        const char *discount;
        const char *points;
        const char *introducer;
        const char *message;
    };
    const Case cases[] = {
        {"", "1", "0", "", "编码不能为空！"},
        {"  ", "1", "0", "", "编码不能为空！"},
        {"600", "0.05", "5", "500", "折扣率请输入0.1至1的数字！"},
        {"600", "1.2", "5", "500", "折扣率请输入0.1至1的数字！"},
        {"600", "abc", "5", "500", "折扣率请输入0.1至1的数字！"},
        {"600", "1", "-1", "500", "介绍人积分请输入不小于0的整数！"},
        {"600", "1", "1.5", "500", "介绍人积分请输入不小于0的整数！"},
        {"600", "1", "x", "500", "介绍人积分请输入不小于0的整数！"},
        {"600", "1", "5", "501", "介绍人编码不存在，请重新选择介绍人！"},
        {"600", "1", "5", "600", "介绍人不能是会员自己！"},
        {"500", "1", "5", "", "当行会员卡号已存在，请换用别的卡号！"},
        {"999", "1", "0", "", "当行会员卡号已存在，请换用别的卡号！"},
    };
    for (const Case &c : cases) {
        MemberAdd::NewMember m = newMember(u(c.code));
        m.discount = u(c.discount);
        m.introducerPoints = u(c.points);
        m.introducerCode = u(c.introducer);
        const qlonglong before = memberCount();
        const Outcome added = MemberAdd::addMember(m);
        EXPECT_FALSE(added.ok) << c.code << " " << c.discount << " " << c.points;
        EXPECT_EQ(added.message, u(c.message)) << c.code << " " << c.discount << " " << c.points;
        EXPECT_EQ(memberCount(), before);
        EXPECT_DOUBLE_EQ(member("500").value("ZJF").toDouble(), 0);
    }
}

TEST_F(MemberAddTest, TheIntroducerGainsThePointsInJsrjfZjfAndSyjfButNotDxjf)
{
    Db::execSql("INSERT INTO bm_kh (BM, MC, ZJF, DXJF, SYJF, JSRJF) VALUES ('500', ?, 40, 15, 25, 3)", {u("李四")});
    MemberAdd::NewMember m = newMember("600");
    m.introducerCode = "500";
    m.introducerName = u("名字已改");
    m.introducerPoints = "7";
    ASSERT_TRUE(MemberAdd::addMember(m).ok);
    const QSqlRecord introducer = member("500");
    EXPECT_DOUBLE_EQ(introducer.value("JSRJF").toDouble(), 10);
    EXPECT_DOUBLE_EQ(introducer.value("ZJF").toDouble(), 47);
    EXPECT_DOUBLE_EQ(introducer.value("SYJF").toDouble(), 32);
    EXPECT_DOUBLE_EQ(introducer.value("DXJF").toDouble(), 15);
    const QSqlRecord added = member("600");
    EXPECT_EQ(added.value("JSRBM").toString(), "500");
    EXPECT_EQ(added.value("JSR").toString(), u("李四")); // the stored name, not a stale box

    // The same 确 定 again (a double click, a retry) is refused and credits nothing more.
    EXPECT_EQ(MemberAdd::addMember(m).message, u("当行会员卡号已存在，请换用别的卡号！"));
    EXPECT_DOUBLE_EQ(member("500").value("ZJF").toDouble(), 47);
}

TEST_F(MemberAddTest, AFailedCreditLeavesNoMemberSoTheRetryCreditsOnce)
{
    Db::execSql("INSERT INTO bm_kh (BM, MC, ZJF, DXJF, SYJF, JSRJF) VALUES ('500', 'L', 0, 0, 0, 0)");
    // The credit fails after the member's row was inserted.
    Db::execSql("CREATE TRIGGER refuse_credit BEFORE UPDATE OF JSRJF ON bm_kh BEGIN SELECT RAISE(ABORT, 'disk'); END");
    MemberAdd::NewMember m = newMember("600");
    m.introducerCode = "500";
    m.introducerPoints = "5";
    EXPECT_FALSE(MemberAdd::addMember(m).ok);
    EXPECT_TRUE(member("600").isEmpty());

    Db::execSql("DROP TRIGGER refuse_credit");
    ASSERT_TRUE(MemberAdd::addMember(m).ok);
    EXPECT_DOUBLE_EQ(member("500").value("JSRJF").toDouble(), 5);
    EXPECT_DOUBLE_EQ(member("500").value("ZJF").toDouble(), 5);
}

TEST_F(MemberAddTest, AnAutoUpgradingIntroducerMovesToTheLevelOfItsNewTotal)
{
    Db::execSql("DELETE FROM BM_KHJB");
    Db::execSql("INSERT INTO BM_KHJB (BM, MC, ZK, QJF, ZJF) VALUES ('01', ?, 1, 0, 100)", {u("普通")});
    Db::execSql("INSERT INTO BM_KHJB (BM, MC, ZK, QJF, ZJF) VALUES ('02', ?, 0.9, 100, 0)", {u("金卡")});
    Db::execSql("INSERT INTO bm_kh (BM, MC, ZJF, DXJF, SYJF, JSRJF, JB, ZK, TSJ) VALUES ('500', 'L', 95, 0, 95, 0, ?, 1, 1)",
                {u("普通")});
    MemberAdd::NewMember m = newMember("600");
    m.introducerCode = "500";
    m.introducerPoints = "5";
    ASSERT_TRUE(MemberAdd::addMember(m).ok);
    EXPECT_EQ(member("500").value("JB").toString(), u("金卡"));
    EXPECT_DOUBLE_EQ(member("500").value("ZK").toDouble(), 0.9);
}

TEST_F(MemberAddTest, IntroducerPointsComeFromTheSetting)
{
    EXPECT_EQ(MemberAdd::introducerPointsSetting(), "0");
    ASSERT_TRUE(App::settings().setValue("xsd", "jsjf", "20").ok);
    EXPECT_EQ(MemberAdd::introducerPointsSetting(), "20");
}
