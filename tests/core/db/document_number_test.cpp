#include "core/clock.h"
#include "core/db/database.h"
#include "core/db/document_number.h"
#include "core/session.h"
#include "support/temp_home.h"

class DocumentNumberTest : public TempHome
{
protected:
    void SetUp() override
    {
        TempHome::SetUp();
        addEmployee("001", QString::fromUtf8("小王"));
        loginAs("001");
        Clock::setFixed(QDateTime(QDate(2025, 3, 14), QTime(10, 0)));
    }
    int counter(const QString &type, const QString &day = "20250314")
    {
        return Db::scalarSql("SELECT DJSL FROM GG_XZ WHERE YGBM='001' AND DJLX=? AND RQ=?", {type, day}).toInt();
    }
    int rows(const QString &type)
    {
        return Db::scalarSql("SELECT COUNT(*) FROM GG_XZ WHERE YGBM='001' AND DJLX=?", {type}).toInt();
    }
};

TEST_F(DocumentNumberTest, FirstNumberOfTheDayStartsAFreshCounter)
{
    Db::execSql("INSERT INTO GG_XZ VALUES ('001','XSD','20250312',7)");
    Db::execSql("INSERT INTO GG_XZ VALUES ('001','SKD','20250312',4)");
    Db::execSql("INSERT INTO GG_XZ VALUES ('002','XSD','20250312',9)");

    EXPECT_EQ(Documents::NewDocumentNumber("XSD"), "2025031400100001");
    // Only this employee's counters of this type are cleared.
    EXPECT_EQ(rows("XSD"), 1);
    EXPECT_EQ(counter("XSD"), 0);
    EXPECT_EQ(rows("SKD"), 1);
    EXPECT_EQ(Db::scalarSql("SELECT DJSL FROM GG_XZ WHERE YGBM='002'").toInt(), 9);

    Documents::CommitDocumentNumber("XSD", "2025031400100001");
    EXPECT_EQ(counter("XSD"), 1);
    EXPECT_EQ(Documents::NewDocumentNumber("XSD"), "2025031400100002");
}

TEST_F(DocumentNumberTest, UnsavedNumberIsHandedOutAgain)
{
    const QString first = Documents::NewDocumentNumber("CZD");
    Documents::CommitDocumentNumber("CZD", first);
    const QString second = Documents::NewDocumentNumber("CZD");
    EXPECT_EQ(second, "2025031400100002");
    // The window closed without saving: the same number comes again.
    EXPECT_EQ(Documents::NewDocumentNumber("CZD"), second);
}

TEST_F(DocumentNumberTest, CounterNeverMovesBackwards)
{
    Documents::CommitDocumentNumber("XSD", Documents::NewDocumentNumber("XSD"));
    const QString early = Documents::NewDocumentNumber("XSD"); // …00002, kept open in one window
    Documents::CommitDocumentNumber("XSD", "2025031400100002");
    Documents::CommitDocumentNumber("XSD", Documents::NewDocumentNumber("XSD")); // …00003 saved
    Documents::CommitDocumentNumber("XSD", early);                    // the older one saved last
    EXPECT_EQ(counter("XSD"), 3);
    EXPECT_EQ(Documents::NewDocumentNumber("XSD"), "2025031400100004");
}

TEST_F(DocumentNumberTest, SavingOnAnotherDayOrAnEditedNumberMovesNothing)
{
    const QString number = Documents::NewDocumentNumber("SKD");
    Clock::setFixed(QDateTime(QDate(2025, 3, 15), QTime(0, 5)));
    Documents::CommitDocumentNumber("SKD", number);
    EXPECT_EQ(counter("SKD", "20250314"), 0);
    EXPECT_EQ(Documents::NewDocumentNumber("SKD"), "2025031500100001");
    EXPECT_EQ(rows("SKD"), 1);

    Documents::CommitDocumentNumber("SKD", "20250315001X'1;");
    EXPECT_EQ(counter("SKD", "20250315"), 0);
}

TEST_F(DocumentNumberTest, ShortNumbers)
{
    App::session().shortNumberFlag = "T";
    for (int i = 0; i < 2; ++i)
        Documents::CommitDocumentNumber("XSD", Documents::NewDocumentNumber("XSD"));
    const QString third = Documents::NewDocumentNumber("XSD");
    EXPECT_EQ(third, "202503140003");
    Documents::CommitDocumentNumber("XSD", third);
    EXPECT_EQ(counter("XSD"), 3);
}

TEST_F(DocumentNumberTest, JoinsTheCallersTransaction)
{
    {
        Transaction outer;
        ASSERT_TRUE(outer.active());
        EXPECT_EQ(Documents::NewDocumentNumber("RKD"), "2025031400100001");
        Documents::CommitDocumentNumber("RKD", "2025031400100001");
        // The caller's failure takes the counter with it.
    }
    EXPECT_EQ(rows("RKD"), 0);

    Transaction outer;
    Documents::NewDocumentNumber("RKD");
    Documents::CommitDocumentNumber("RKD", "2025031400100001");
    ASSERT_TRUE(outer.commit());
    EXPECT_EQ(counter("RKD"), 1);
}

TEST_F(DocumentNumberTest, ApostropheInTheEmployeeCodeIsData)
{
    addEmployee("0'1", "x");
    loginAs("0'1");
    EXPECT_EQ(Documents::NewDocumentNumber("XSD"), "202503140'100001");
    Documents::CommitDocumentNumber("XSD", "202503140'100001");
    EXPECT_EQ(Db::scalarSql("SELECT DJSL FROM GG_XZ WHERE YGBM=?", {"0'1"}).toInt(), 1);
}

// Short numbers drop the four characters after the date whatever the
// employee code's length: with a four-character code the whole five-digit
// counter remains, and saving still moves the counter by its last four digits.
TEST_F(DocumentNumberTest, ShortNumbersWithAFourCharacterEmployeeCode)
{
    addEmployee("0001", "x");
    loginAs("0001");
    App::session().shortNumberFlag = "T";
    for (int i = 0; i < 2; ++i)
        Documents::CommitDocumentNumber("SKD", Documents::NewDocumentNumber("SKD"));
    const QString third = Documents::NewDocumentNumber("SKD");
    EXPECT_EQ(third, "2025031400003");
    Documents::CommitDocumentNumber("SKD", third);
    EXPECT_EQ(Db::scalarSql("SELECT DJSL FROM GG_XZ WHERE YGBM = '0001' AND DJLX = 'SKD'").toInt(), 3);
    EXPECT_EQ(Documents::NewDocumentNumber("SKD"), "2025031400004");
}
