#pragma once
#include <QByteArray>
#include <QString>

// Text is GBK wherever it meets fixed-width layouts or the receipt printer:
// a Chinese character takes two bytes.

namespace Text {
// The GBK bytes of a text; a character GBK cannot hold becomes "?".
QByteArray toGbk(const QString &text);
QString fromGbk(const QByteArray &bytes);

// True when the text is an unsigned decimal number as the price and points
// rule fields expect: only the digits 0–9 and at most one ".", at least one
// digit, and when there is a point, at most one "0" before it (every "0"
// before the point counts, not only leading ones: 100 and 10.5 pass,
// 100.5 and 00.5 do not).
bool IsNumberText(const QString &text);

// Pads or cuts the text to exactly width GBK bytes: for align "L" the text
// followed by spaces and cut at the right, for any other align spaces
// followed by the text and cut at the left. A width of 0 (or less) returns
// the text unchanged. A cut never splits a two-byte character: the half that
// would remain becomes a space.
QString PadText(const QString &text, int width, const QString &align);
// The same, as the GBK bytes the receipt printer takes.
QByteArray PadTextGbk(const QString &text, int width, const QString &align);
} // namespace Text
