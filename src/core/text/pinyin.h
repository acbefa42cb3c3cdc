#pragma once
#include <QByteArray>
#include <QString>

namespace Text {
// Pinyin initials for the quick-search codes (JP) of members, products and
// levels: ASCII characters are kept as they are, each Chinese character
// gives its initial letter, a character without a known initial is left out.
// 婚纱A1 → "HSA1".
QString PinyinInitials(const QString &text);

// The initial of one GBK character given as its two bytes: the first-level
// GB2312 code ranges, then the user's own table BM_JP (first character of
// jp). Empty when neither knows the character.
QString PinyinInitialOfChar(const QByteArray &twoGbkBytes);
} // namespace Text
