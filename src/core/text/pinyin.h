#pragma once
#include <QByteArray>
#include <QString>

namespace Text {
// Pinyin initials for the quick-search codes (JP) of members, products and
// levels: ASCII characters are kept as they are, each Chinese character
// gives its initial letter, a character without a known initial is left out
// (so are other non-ASCII letters such as é, and whatever GBK cannot hold).
// 婚纱A1 → "HSA1", 禾岚婚庆 → "HLHQ".
QString PinyinInitials(const QString &text);

// The initial of one GBK character given as its two bytes: the first-level
// GB2312 code ranges, then the table BM_JP (first character of jp). Empty
// when neither knows the character.
QString PinyinInitialOfChar(const QByteArray &twoGbkBytes);

// BM_JP is read into memory once per open database. Call this after the
// table or the database under the connection changed behind the program's
// back (a restore, a statement of the SQL console): the next lookup reads it again.
void reloadPinyinTable();
} // namespace Text
