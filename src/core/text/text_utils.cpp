#include "core/text/text_utils.h"

#include <QStringDecoder>
#include <QStringEncoder>

#include <vector>

QByteArray Text::toGbk(const QString &text)
{
    QStringEncoder encoder("GBK");
    return encoder.encode(text);
}

QString Text::fromGbk(const QByteArray &bytes)
{
    QStringDecoder decoder("GBK");
    return decoder.decode(bytes);
}

bool Text::IsNumberText(const QString &text)
{
    int points = 0;
    int digits = 0;
    int zerosBeforePoint = 0;
    for (const QChar c : text) {
        if (c == QLatin1Char('.')) {
            ++points;
        } else if (c >= QLatin1Char('0') && c <= QLatin1Char('9')) {
            ++digits;
            if (points == 0 && c == QLatin1Char('0'))
                ++zerosBeforePoint;
        } else {
            return false;
        }
    }
    // A lone "." holds no number; taking it for one would divide by zero.
    if (digits == 0 || points > 1)
        return false;
    return points == 0 || zerosBeforePoint <= 1;
}

namespace {

// One character (a whole code point) with its GBK bytes.
struct GbkChar
{
    QString text;
    QByteArray bytes;
};

std::vector<GbkChar> splitGbk(const QString &text)
{
    std::vector<GbkChar> chars;
    for (qsizetype i = 0; i < text.size();) {
        const qsizetype n =
            (text.at(i).isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) ? 2 : 1;
        const QString ch = text.mid(i, n);
        chars.push_back({ch, Text::toGbk(ch)});
        i += n;
    }
    return chars;
}

// The padded text as characters and as bytes, built together so that both
// forms always agree.
void pad(const QString &text, int width, const QString &align, QString *outText, QByteArray *outBytes)
{
    const std::vector<GbkChar> chars = splitGbk(text);
    QString s;
    QByteArray b;
    int used = 0;
    if (align == QLatin1String("L")) {
        for (const GbkChar &c : chars) {
            const int w = int(c.bytes.size());
            if (used + w > width)
                break;
            s += c.text;
            b += c.bytes;
            used += w;
        }
        // Whatever is left, including the half of a cut character, is spaces.
        s += QString(width - used, QLatin1Char(' '));
        b += QByteArray(width - used, ' ');
    } else {
        for (auto it = chars.rbegin(); it != chars.rend(); ++it) {
            const int w = int(it->bytes.size());
            if (used + w > width)
                break;
            s.prepend(it->text);
            b.prepend(it->bytes);
            used += w;
        }
        s.prepend(QString(width - used, QLatin1Char(' ')));
        b.prepend(QByteArray(width - used, ' '));
    }
    if (outText)
        *outText = s;
    if (outBytes)
        *outBytes = b;
}

} // namespace

QString Text::PadText(const QString &text, int width, const QString &align)
{
    if (width <= 0)
        return text;
    QString s;
    pad(text, width, align, &s, nullptr);
    return s;
}

QByteArray Text::PadTextGbk(const QString &text, int width, const QString &align)
{
    if (width <= 0)
        return Text::toGbk(text);
    QByteArray b;
    pad(text, width, align, nullptr, &b);
    return b;
}
