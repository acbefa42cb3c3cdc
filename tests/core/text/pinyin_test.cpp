#include "core/text/pinyin.h"
#include "core/text/pinyin_table.h"

#include "core/db/database.h"
#include "core/text/text_utils.h"
#include "support/temp_home.h"

using PinyinTest = TempHome;

namespace {
int rowsOf(const QString &character)
{
    return Db::scalarSql("SELECT COUNT(*) FROM BM_JP WHERE mc = ?", {character}).toInt();
}
} // namespace

TEST_F(PinyinTest, InitialsOfMixedText)
{
    struct Case { const char *text; const char *expected; };
    const Case cases[] = {
        {"婚纱A1", "HSA1"}, {"abc-12", "abc-12"}, {"", ""},
        {"阿", "A"},        {"座", "Z"},          {"欧", "O"},
        // Second-level and GBK-only characters, common in names, come from the delivered BM_JP.
        {"禾岚婚庆", "HLHQ"}, {"禾岚影楼", "HLYL"}, {"鑫琦昊淼喆堃", "XQHMZK"},
        // Full-width punctuation, letters other than ASCII ones and characters
        // GBK cannot hold have no initial and do not disturb their neighbours.
        {"婚，纱", "HS"},   {"婚😀A", "HA"},      {"𠀀婚", "H"},
        {"Café", "Caf"},    {"Ünïcode", "ncode"}, {"€婚", "H"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(Text::PinyinInitials(QString::fromUtf8(c.text)), QString::fromUtf8(c.expected)) << c.text;
}

TEST_F(PinyinTest, TheDeliveredDatabaseHoldsEveryShippedRow)
{
    const auto &rows = PinyinTable::deliveredRows();
    ASSERT_GT(rows.size(), 20000u);
    EXPECT_EQ(Db::scalarSql("SELECT COUNT(*) FROM BM_JP").toInt(), int(rows.size()));
    EXPECT_EQ(Db::scalarSql("SELECT jp FROM BM_JP WHERE mc = ?", {QString::fromUtf8("岚")}).toString(), "L");
    EXPECT_EQ(rowsOf(QString::fromUtf8("鑫")), 1);
}

TEST_F(PinyinTest, TheUsersOwnRowWinsOutsideTheRanges)
{
    // 丟 is outside GB2312 level one; 亍 is in level two.
    const QString diu = QString::fromUtf8("丟");
    const QString chu = QString::fromUtf8("亍");
    EXPECT_EQ(Text::PinyinInitials(diu + "A" + chu), "DAC");

    Db::execSql("UPDATE BM_JP SET jp = ? WHERE mc = ?", {"diu", diu});
    Db::execSql("UPDATE BM_JP SET jp = ? WHERE mc = ?", {"", chu});
    Text::reloadPinyinTable();
    EXPECT_EQ(Text::PinyinInitials(diu + "A" + chu), "dA");
    EXPECT_EQ(Text::PinyinInitialOfChar(Text::toGbk(diu)), "d");
    EXPECT_EQ(Text::PinyinInitialOfChar(Text::toGbk(chu)), "");

    // A character GBK cannot hold still finds a row of its own.
    Db::execSql("INSERT INTO BM_JP (mc, jp) VALUES (?, ?)", {QString::fromUtf8("𠀀"), "Q"});
    Text::reloadPinyinTable();
    EXPECT_EQ(Text::PinyinInitials(QString::fromUtf8("𠀀婚")), "QH");

    // A character of the ranges never consults the table.
    Db::execSql("UPDATE BM_JP SET jp = 'Q' WHERE mc = ?", {QString::fromUtf8("婚")});
    Text::reloadPinyinTable();
    EXPECT_EQ(Text::PinyinInitialOfChar(Text::toGbk(QString::fromUtf8("婚"))), "H");
    EXPECT_EQ(Text::PinyinInitials(QString::fromUtf8("婚")), "H");
}

TEST_F(PinyinTest, MigrationAddsTheMissingRowsAndKeepsTheUsersOwn)
{
    // An older home: its BM_JP holds only what the user typed in.
    const QString lan = QString::fromUtf8("岚");
    Db::execSql("DELETE FROM BM_JP");
    Db::execSql("INSERT INTO BM_JP (mc, jp) VALUES (?, 'X')", {lan});
    Db::execSql("INSERT INTO BM_JP (mc, jp) VALUES (?, 'Q')", {QString::fromUtf8("𠀀")});
    Text::reloadPinyinTable();
    EXPECT_EQ(Text::PinyinInitials(QString::fromUtf8("禾岚鑫")), "HX");

    QString error;
    ASSERT_TRUE(Schema::migrateToV3(Database::db(), &error)) << error.toStdString();
    Text::reloadPinyinTable();
    EXPECT_EQ(Text::PinyinInitials(QString::fromUtf8("禾岚鑫")), "HXX");
    EXPECT_EQ(rowsOf(lan), 1);
    const int delivered = int(PinyinTable::deliveredRows().size());
    EXPECT_EQ(Db::scalarSql("SELECT COUNT(*) FROM BM_JP").toInt(), delivered + 1);

    // A second run finds nothing missing.
    ASSERT_TRUE(Schema::migrateToV3(Database::db(), &error)) << error.toStdString();
    EXPECT_EQ(Db::scalarSql("SELECT COUNT(*) FROM BM_JP").toInt(), delivered + 1);
}

TEST_F(PinyinTest, AFailedMigrationLeavesTheTableAsItWas)
{
    Db::execSql("DELETE FROM BM_JP");
    Db::execSql("INSERT INTO BM_JP (mc, jp) VALUES (?, 'X')", {QString::fromUtf8("岚")});
    // A trigger that refuses one of the delivered rows midway.
    Db::execSql("CREATE TRIGGER refuse_xin BEFORE INSERT ON BM_JP WHEN NEW.mc = '鑫' "
                "BEGIN SELECT RAISE(ABORT, 'refused'); END");
    QString error;
    EXPECT_FALSE(Schema::migrateToV3(Database::db(), &error));
    EXPECT_TRUE(error.contains("refused")) << error.toStdString();
    EXPECT_EQ(Db::scalarSql("SELECT COUNT(*) FROM BM_JP").toInt(), 1);
    // The connection is left without a transaction of its own.
    Transaction tx;
    EXPECT_TRUE(tx.active());
}

TEST_F(PinyinTest, RangeBoundaries)
{
    auto letter = [](int v) {
        QByteArray bytes;
        bytes.append(char(v >> 8)).append(char(v & 0xff));
        return Text::PinyinInitialOfChar(bytes);
    };
    EXPECT_EQ(letter(45217), "A");
    EXPECT_EQ(letter(45252), "A");
    EXPECT_EQ(letter(45253), "B");
    EXPECT_EQ(letter(53640), "X");
    EXPECT_EQ(letter(53689), "Y");
    EXPECT_EQ(letter(55289), "Z");
    // Characters the ranges miss get their letter from the delivered table:
    // 迅 (53688) in the ranges' gap, 盃 (45216) of GBK's extension.
    EXPECT_EQ(letter(53688), "X");
    EXPECT_EQ(letter(45216), "B");
    // Symbols and letters have none.
    EXPECT_EQ(letter(0xA1A1), ""); // the ideographic space
    EXPECT_EQ(letter(0xA8A6), ""); // é of the pinyin letters
}
