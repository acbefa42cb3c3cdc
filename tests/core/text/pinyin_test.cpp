#include "core/text/pinyin.h"

#include "core/db/database.h"
#include "core/text/text_utils.h"
#include "support/temp_home.h"

using PinyinTest = TempHome;

TEST_F(PinyinTest, InitialsOfMixedText)
{
    struct Case { const char *text; const char *expected; };
    const Case cases[] = {
        {"婚纱A1", "HSA1"}, {"禾岚影楼", "HYL"}, // 岚 is a second-level character
        {"abc-12", "abc-12"}, {"", ""},
        {"阿", "A"},        {"座", "Z"},          {"欧", "O"},
        // Full-width punctuation and second-level characters have no initial.
        {"婚，纱", "HS"},   {"婚😀A", "HA"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(Text::PinyinInitials(QString::fromUtf8(c.text)), QString::fromUtf8(c.expected)) << c.text;
}

TEST_F(PinyinTest, CharactersOutsideTheRangesUseBmJp)
{
    // 丟 is outside GB2312 level one; 亍 is in level two.
    const QString diu = QString::fromUtf8("丟");
    const QString chu = QString::fromUtf8("亍");
    EXPECT_EQ(Text::PinyinInitials(diu + "A" + chu), "A");

    Db::execSql("INSERT INTO BM_JP (mc, jp) VALUES (?, ?)", {diu, "diu"});
    Db::execSql("INSERT INTO BM_JP (mc, jp) VALUES (?, ?)", {chu, ""});
    EXPECT_EQ(Text::PinyinInitials(diu + "A" + chu), "dA");
    EXPECT_EQ(Text::PinyinInitialOfChar(Text::toGbk(diu)), "d");
    EXPECT_EQ(Text::PinyinInitialOfChar(Text::toGbk(chu)), "");
    // A character of the ranges never consults the table.
    Db::execSql("INSERT INTO BM_JP (mc, jp) VALUES (?, ?)", {QString::fromUtf8("婚"), "Q"});
    EXPECT_EQ(Text::PinyinInitialOfChar(Text::toGbk(QString::fromUtf8("婚"))), "H");
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
    EXPECT_EQ(letter(53641), "");
    EXPECT_EQ(letter(53688), "");
    EXPECT_EQ(letter(53689), "Y");
    EXPECT_EQ(letter(55289), "Z");
    EXPECT_EQ(letter(45216), "");
}
