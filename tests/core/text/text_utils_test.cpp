#include "core/text/text_utils.h"

#include <gtest/gtest.h>

TEST(TextUtilsTest, IsNumberText)
{
    for (const char *no : {"", "-1", "1.2.3", "100.5", "00.5", "1e5", "+3", " 7", ".", "１２"})
        EXPECT_FALSE(Text::IsNumberText(QString::fromUtf8(no))) << no;
    for (const char *yes : {"0.5", "10.5", "100", "7", "0", ".5", "5.", "12.345"})
        EXPECT_TRUE(Text::IsNumberText(QString::fromUtf8(yes))) << yes;
}

TEST(TextUtilsTest, PadTextPadsAndCutsByGbkBytes)
{
    struct Case { const char *text; int width; const char *align; const char *expected; };
    const Case cases[] = {
        {"AB", 5, "L", "AB   "},
        {"AB", 5, "R", "   AB"},
        {"ABCDEF", 3, "L", "ABC"},
        {"ABCDEF", 3, "R", "DEF"},
        {"ABCDEF", 0, "L", "ABCDEF"},
        {"婚纱", 6, "L", "婚纱  "},
        {"婚纱", 6, "C", "  婚纱"},
        {"婚纱照", 4, "L", "婚纱"},
        // A cut inside a character leaves a space, never half a character.
        {"婚纱照", 5, "L", "婚纱 "},
        {"婚纱照", 5, "R", " 纱照"},
        {"A婚", 2, "L", "A "},
        {"婚A", 2, "R", " A"},
        // The euro sign is one byte in GBK (0x80), not two.
        {"€婚", 3, "L", "€婚"},
        {"€婚", 2, "L", "€ "},
        {"婚€", 3, "R", "婚€"},
        {"A€", 1, "R", "€"},
        {"€€", 4, "C", "  €€"},
    };
    for (const Case &c : cases) {
        const QString text = QString::fromUtf8(c.text);
        const QString padded = Text::PadText(text, c.width, QString::fromLatin1(c.align));
        EXPECT_EQ(padded, QString::fromUtf8(c.expected)) << c.text << " " << c.width << c.align;
        if (c.width > 0) {
            const QByteArray bytes = Text::PadTextGbk(text, c.width, QString::fromLatin1(c.align));
            EXPECT_EQ(bytes.size(), c.width) << c.text;
            EXPECT_EQ(bytes, Text::toGbk(padded)) << c.text;
        }
    }
}

TEST(TextUtilsTest, EuroSignIsTheSingleGbkByte0x80)
{
    EXPECT_EQ(Text::toGbk(QString::fromUtf8("€")), QByteArray("\x80"));
    EXPECT_EQ(Text::PadTextGbk(QString::fromUtf8("€"), 3, "L"), QByteArray("\x80  "));
}
