#include "core/text/pinyin.h"

#include "core/db/database.h"
#include "core/text/text_utils.h"

#include <QHash>
#include <QSqlDriver>
#include <QStringEncoder>

namespace {

// First-level GB2312 characters are ordered by pinyin, so each initial owns
// one range of codes (first byte × 256 + second byte, bounds inclusive).
// I, U and V start no syllable; 53641–53688 are not covered either.
struct Range
{
    int from;
    int to;
    char letter;
};

constexpr Range ranges[] = {
    {45217, 45252, 'A'}, {45253, 45760, 'B'}, {45761, 46317, 'C'}, {46318, 46825, 'D'}, {46826, 47009, 'E'},
    {47010, 47296, 'F'}, {47297, 47613, 'G'}, {47614, 48118, 'H'}, {48119, 49061, 'J'}, {49062, 49323, 'K'},
    {49324, 49895, 'L'}, {49896, 50370, 'M'}, {50371, 50613, 'N'}, {50614, 50621, 'O'}, {50622, 50905, 'P'},
    {50906, 51386, 'Q'}, {51387, 51445, 'R'}, {51446, 52217, 'S'}, {52218, 52697, 'T'}, {52698, 52979, 'W'},
    {52980, 53640, 'X'}, {53689, 54480, 'Y'}, {54481, 55289, 'Z'},
};

QString rangeLetter(const QByteArray &bytes)
{
    if (bytes.size() != 2)
        return {};
    const int v = static_cast<unsigned char>(bytes.at(0)) * 256 + static_cast<unsigned char>(bytes.at(1));
    for (const Range &r : ranges)
        if (v >= r.from && v <= r.to)
            return QString(QLatin1Char(r.letter));
    return {};
}

// BM_JP in memory: twenty thousand rows are read once instead of one query
// per character. The cache belongs to one open database; a new connection
// (another file, or the same one reopened) reads the table again.
struct TableCache
{
    bool loaded = false;
    QString file;
    const void *driver = nullptr;
    QHash<QString, QString> letters; // character → its initial (may be empty)
};

TableCache &cache()
{
    static TableCache c;
    return c;
}

const QHash<QString, QString> &tableLetters()
{
    TableCache &c = cache();
    QSqlDatabase db = Database::db();
    const void *driver = db.isValid() ? static_cast<const void *>(db.driver()) : nullptr;
    if (c.loaded && c.file == Database::file() && c.driver == driver)
        return c.letters;
    c.letters.clear();
    c.loaded = false;
    if (!db.isOpen())
        return c.letters; // nothing to read yet; try again once a database is open
    QSqlQuery q(db);
    q.setForwardOnly(true);
    if (!q.exec(QStringLiteral("SELECT mc, jp FROM BM_JP")))
        return c.letters;
    while (q.next()) {
        const QString mc = q.value(0).toString();
        if (mc.isEmpty() || c.letters.contains(mc))
            continue; // of two rows for one character the first counts, as a lookup by mc finds it
        const QString jp = q.value(1).toString();
        c.letters.insert(mc, jp.isEmpty() ? QString() : jp.left(jp.at(0).isHighSurrogate() ? 2 : 1));
    }
    c.loaded = true;
    c.file = Database::file();
    c.driver = driver;
    return c.letters;
}

QString tableLetter(const QString &character)
{
    if (character.isEmpty())
        return {};
    return tableLetters().value(character);
}

} // namespace

void Text::reloadPinyinTable()
{
    cache().loaded = false;
}

QString Text::PinyinInitialOfChar(const QByteArray &twoGbkBytes)
{
    const QString letter = rangeLetter(twoGbkBytes);
    if (!letter.isEmpty())
        return letter;
    return tableLetter(Text::fromGbk(twoGbkBytes));
}

QString Text::PinyinInitials(const QString &text)
{
    // Walked by character rather than by byte, so that a one-byte non-ASCII
    // code (the euro sign) cannot swallow the character after it, and a
    // character outside GBK can still have its initial in BM_JP.
    QString result;
    QStringEncoder encoder("GBK");
    for (qsizetype i = 0; i < text.size();) {
        const QChar c = text.at(i);
        const qsizetype n = (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) ? 2 : 1;
        if (c.unicode() > 0 && c.unicode() < 128) {
            result += c;
        } else if (c.unicode() != 0) {
            const QString ch = text.mid(i, n);
            encoder.resetState();
            const QByteArray gbk = encoder.encode(ch);
            const QString letter = encoder.hasError() ? QString() : rangeLetter(gbk);
            result += letter.isEmpty() ? tableLetter(ch) : letter;
        }
        i += n;
    }
    return result;
}
