#include "ui/record_model.h"
#include "core/db/record_set.h"

#include <QDate>
#include <QDateTime>
#include <QLocale>
#include <cmath>

namespace {

// Decimals asked for by a number format such as "0.00" or "#0.00"; -1 without one.
int decimalsOf(const QString &format)
{
    const int dot = format.indexOf(QLatin1Char('.'));
    if (format.isEmpty())
        return -1;
    if (dot < 0)
        return 0;
    int n = 0;
    for (int i = dot + 1; i < format.size() && (format[i] == QLatin1Char('0') || format[i] == QLatin1Char('#')); ++i)
        ++n;
    return n;
}

QDateTime parseStored(const QString &text)
{
    QDateTime dt = QDateTime::fromString(text, QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    if (!dt.isValid())
        dt = QDateTime::fromString(text, Qt::ISODate);
    if (!dt.isValid()) {
        const QDate d = QDate::fromString(text.left(10), QStringLiteral("yyyy-MM-dd"));
        if (d.isValid())
            dt = QDateTime(d, QTime(0, 0));
    }
    return dt;
}

// Dates typed into a cell: ISO with one- or two-digit parts, slashes or dots, or eight digits.
QVariant parseTypedDate(const QString &typed, bool withTime, bool *ok)
{
    const QString t = typed.trimmed();
    *ok = true;
    if (t.isEmpty())
        return {};
    if (withTime) {
        for (const char *f : {"yyyy-MM-dd HH:mm:ss", "yyyy-M-d H:m:s", "yyyy-M-d H:m", "yyyy/M/d H:m:s"}) {
            const QDateTime dt = QDateTime::fromString(t, QString::fromLatin1(f));
            if (dt.isValid())
                return dt;
        }
    }
    for (const char *f : {"yyyy-M-d", "yyyy/M/d", "yyyy.M.d", "yyyyMMdd"}) {
        const QDate d = QDate::fromString(t, QString::fromLatin1(f));
        if (d.isValid())
            return d;
    }
    *ok = false;
    return {};
}

// A stored date already in the shape the grid shows needs no parsing: parsing
// is what made showing and searching dates slow in long lists. False when the
// value must take the full route (another shape, format or an invalid date).
bool shownAsStored(QStringView text, const QString &format, QStringView *shown)
{
    auto number = [&](int at, int length) {
        int n = 0;
        for (int i = at; i < at + length; ++i) {
            if (text[i] < u'0' || text[i] > u'9')
                return -1;
            n = n * 10 + (text[i].unicode() - u'0');
        }
        return n;
    };
    if (text.size() != 10 && text.size() != 19)
        return false;
    const int year = number(0, 4), month = number(5, 2), day = number(8, 2);
    if (year < 0 || month < 0 || day < 0 || text[4] != u'-' || text[7] != u'-')
        return false;
    if (text.size() == 10) {
        // An invalid date is shown as stored as well.
        if (!format.isEmpty() && format != QLatin1String("yyyy-MM-dd"))
            return false;
        *shown = text;
        return true;
    }
    const int hour = number(11, 2), minute = number(14, 2), second = number(17, 2);
    if (hour < 0 || minute < 0 || second < 0 || text[10] != u' ' || text[13] != u':' || text[16] != u':' ||
        !QDate::isValid(year, month, day) || !QTime::isValid(hour, minute, second))
        return false;
    if (format.isEmpty() || format == QLatin1String("yyyy-MM-dd HH:mm:ss")) {
        *shown = text;
        return true;
    }
    if (format == QLatin1String("yyyy-MM-dd")) {
        *shown = text.left(10);
        return true;
    }
    return false;
}

// Shown texts are put together in a plain UTF-16 buffer: a search makes one
// for every row of the list.
using Text16 = std::u16string;

void append(Text16 &out, QStringView text)
{
    out.append(reinterpret_cast<const char16_t *>(text.utf16()), size_t(text.size()));
}

QString toQString(const Text16 &text)
{
    return QString(reinterpret_cast<const QChar *>(text.data()), qsizetype(text.size()));
}

void appendInteger(Text16 &out, qint64 n)
{
    char16_t digits[24];
    int at = 24;
    quint64 u = n < 0 ? 0 - quint64(n) : quint64(n);
    do {
        digits[--at] = char16_t(u'0' + u % 10);
        u /= 10;
    } while (u);
    if (n < 0)
        digits[--at] = u'-';
    out.append(digits + at, size_t(24 - at));
}

// Appends QString::number(value, 'f', decimals), or with decimals < 0
// QString::number(value, 'g', 15). Numbers whose rounding is beyond doubt (no
// tie, no negative zero, well inside a double's exact range) are written here:
// the general conversion is most of the cost of showing and searching long
// lists. Any other number takes QString::number itself.
void appendNumber(Text16 &out, double value, int decimals)
{
    static const double kScale[] = {1, 10, 100, 1e3, 1e4, 1e5, 1e6};
    if (std::isfinite(value) && !(value == 0 && std::signbit(value))) {
        if (decimals < 0) {
            if (std::fabs(value) < 1e15 && value == std::trunc(value)) {
                appendInteger(out, qint64(value));
                return;
            }
        } else if (decimals <= 6) {
            const double scaled = value * kScale[decimals];
            const double rounded = std::round(scaled);
            // The product may be off by a few units in its last place; the
            // fraction must be clear of one half by more than that.
            const double margin = std::fabs(scaled) * 1e-15 + 1e-9;
            if (std::fabs(scaled) < 1e15 && 0.5 - std::fabs(scaled - rounded) > margin &&
                !(rounded == 0 && value < 0)) {
                const qint64 n = qint64(rounded);
                if (decimals == 0) {
                    appendInteger(out, n);
                    return;
                }
                const quint64 magnitude = n < 0 ? 0 - quint64(n) : quint64(n);
                const quint64 unit = quint64(kScale[decimals]);
                if (n < 0)
                    out += u'-';
                appendInteger(out, qint64(magnitude / unit));
                out += u'.';
                char16_t fraction[6];
                quint64 rest = magnitude % unit;
                for (int i = decimals - 1; i >= 0; --i) {
                    fraction[i] = char16_t(u'0' + rest % 10);
                    rest /= 10;
                }
                out.append(fraction, size_t(decimals));
                return;
            }
        }
    }
    append(out, decimals < 0 ? QString::number(value, 'g', 15) : QString::number(value, 'f', decimals));
}

// Simple case folding of every character, as QString's case-insensitive
// search compares them (the length stays the same).
void foldInPlace(char16_t *p, size_t n)
{
    for (size_t i = 0; i < n; ++i) {
        const char16_t c = p[i];
        if (c < 0x80) {
            if (c >= u'A' && c <= u'Z')
                p[i] = char16_t(c + 32);
        } else if (c >= 0x3000 && c < 0xA000) {
            // CJK punctuation, kana and ideographs have no case: most of a Chinese list.
        } else if (QChar::isHighSurrogate(c) && i + 1 < n && QChar::isLowSurrogate(p[i + 1])) {
            const char32_t folded = QChar::toCaseFolded(QChar::surrogateToUcs4(c, p[i + 1]));
            if (QChar::requiresSurrogates(folded)) {
                p[i] = QChar::highSurrogate(folded);
                p[i + 1] = QChar::lowSurrogate(folded);
            }
            ++i;
        } else {
            const char32_t folded = QChar::toCaseFolded(char32_t(c));
            if (!QChar::requiresSurrogates(folded))
                p[i] = char16_t(folded);
        }
    }
}

// Ends the searched text of each column, so that no match spans two columns.
constexpr char16_t kColumnEnd = u'\0';

} // namespace

bool RecordModel::isCell(const QModelIndex &index) const
{
    return index.isValid() && index.model() == this && index.row() < rowCount() && index.column() < columnCount();
}

RecordModel::RecordModel(RecordSet *set, QObject *parent)
    : QAbstractTableModel(parent), m_set(set), m_columns(set->spec().columns)
{
    for (const GridColumn &c : m_columns)
        m_fieldIndex.push_back(m_set->fieldIndex(c.field));

    connect(m_set, &RecordSet::aboutToReload, this, [this] { beginResetModel(); });
    connect(m_set, &RecordSet::reloaded, this, [this] {
        m_searchText.clear();
        endResetModel();
    });
    connect(m_set, &RecordSet::rowAboutToBeInserted, this, [this](int row) { beginInsertRows({}, row, row); });
    connect(m_set, &RecordSet::rowInserted, this, [this](int row) {
        if (!m_searchText.empty())
            m_searchText.insert(m_searchText.begin() + row, QString());
        endInsertRows();
    });
    connect(m_set, &RecordSet::rowAboutToBeRemoved, this, [this](int row) { beginRemoveRows({}, row, row); });
    connect(m_set, &RecordSet::rowRemoved, this, [this](int row) {
        if (size_t(row) < m_searchText.size())
            m_searchText.erase(m_searchText.begin() + row);
        endRemoveRows();
    });
    connect(m_set, &RecordSet::valueChanged, this, [this](int row, int field) {
        if (size_t(row) < m_searchText.size())
            m_searchText[size_t(row)] = QString();
        for (size_t c = 0; c < m_fieldIndex.size(); ++c)
            if (m_fieldIndex[c] == field) {
                const QModelIndex i = index(row, int(c));
                emit dataChanged(i, i);
            }
    });
}

int RecordModel::columnOf(const QString &field) const
{
    for (size_t c = 0; c < m_columns.size(); ++c)
        if (m_columns[c].field.compare(field, Qt::CaseInsensitive) == 0)
            return int(c);
    return -1;
}

int RecordModel::rowCount(const QModelIndex &parent) const { return parent.isValid() ? 0 : m_set->rowCount(); }

int RecordModel::columnCount(const QModelIndex &parent) const { return parent.isValid() ? 0 : int(m_columns.size()); }

QString RecordModel::displayText(int row, int column) const
{
    const int field = m_fieldIndex[size_t(column)];
    const QVariant v = m_set->value(row, field);
    if (v.isNull())
        return {};
    const QString &format = m_columns[size_t(column)].format;
    switch (m_set->fieldType(field)) {
    case Schema::Type::Decimal: {
        Text16 text;
        appendNumber(text, v.toDouble(), decimalsOf(format));
        return toQString(text);
    }
    case Schema::Type::DateTime: {
        const QString text = v.toString();
        if (QStringView shown; shownAsStored(text, format, &shown))
            return shown.size() == text.size() ? text : shown.toString();
        const QDateTime dt = parseStored(text);
        if (!dt.isValid())
            return text;
        if (!format.isEmpty())
            return dt.toString(format);
        return text.size() > 10 ? dt.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))
                                : dt.toString(QStringLiteral("yyyy-MM-dd"));
    }
    case Schema::Type::Bool:
        return {};
    case Schema::Type::Integer: {
        Text16 text;
        appendInteger(text, v.toLongLong());
        return toQString(text);
    }
    case Schema::Type::Text:
        break;
    }
    return v.toString();
}

void RecordModel::setSearchColumns(std::vector<int> columns)
{
    m_search.clear();
    for (int c : columns) {
        const int field = m_fieldIndex[size_t(c)];
        m_search.push_back({c, field, m_set->fieldType(field), decimalsOf(m_columns[size_t(c)].format)});
    }
    m_searchText.clear();
}

QString RecordModel::searchKey(QStringView text)
{
    Text16 key;
    append(key, text);
    foldInPlace(key.data(), key.size());
    return toQString(key);
}

void RecordModel::appendSearched(Text16 &out, int row, const SearchColumn &c) const
{
    switch (c.type) {
    case Schema::Type::Text:
        append(out, m_set->textView(row, c.field));
        return;
    case Schema::Type::DateTime:
        if (QStringView shown;
            shownAsStored(m_set->textView(row, c.field), m_columns[size_t(c.column)].format, &shown)) {
            append(out, shown);
            return;
        }
        break;
    case Schema::Type::Decimal:
        if (const QVariant v = m_set->value(row, c.field); !v.isNull())
            appendNumber(out, v.toDouble(), c.decimals);
        return;
    case Schema::Type::Integer:
        if (const QVariant v = m_set->value(row, c.field); !v.isNull())
            appendInteger(out, v.toLongLong());
        return;
    case Schema::Type::Bool:
        return; // shown as a check box: no text
    }
    append(out, displayText(row, c.column));
}

QString RecordModel::searchTextOf(int row) const
{
    // Made in a reused buffer, kept in a string of its exact size.
    m_searchBuffer.clear();
    for (const SearchColumn &c : m_search) {
        appendSearched(m_searchBuffer, row, c);
        m_searchBuffer += kColumnEnd;
    }
    foldInPlace(m_searchBuffer.data(), m_searchBuffer.size());
    return toQString(m_searchBuffer);
}

bool RecordModel::rowContains(int row, const QString &key) const
{
    if (m_search.empty() || row < 0 || row >= rowCount())
        return false;
    if (key.contains(QChar(kColumnEnd))) {
        // Such a text could match across two columns: each column on its own.
        for (const SearchColumn &c : m_search) {
            Text16 text;
            appendSearched(text, row, c);
            if (QStringView(text).contains(key, Qt::CaseInsensitive))
                return true;
        }
        return false;
    }
    if (m_searchText.size() != size_t(rowCount()))
        m_searchText.assign(size_t(rowCount()), QString());
    QString &text = m_searchText[size_t(row)];
    if (text.isNull())
        text = searchTextOf(row);
    return text.contains(key);
}

QVariant RecordModel::data(const QModelIndex &index, int role) const
{
    if (!isCell(index))
        return {};
    const int field = m_fieldIndex[size_t(index.column())];
    const Schema::Type type = m_set->fieldType(field);
    switch (role) {
    case Qt::DisplayRole:
        return displayText(index.row(), index.column());
    case Qt::EditRole:
        if (type == Schema::Type::Bool)
            return m_set->value(index.row(), field).toBool();
        return displayText(index.row(), index.column());
    case Qt::CheckStateRole:
        if (type == Schema::Type::Bool)
            return m_set->value(index.row(), field).toBool() ? Qt::Checked : Qt::Unchecked;
        return {};
    case Qt::TextAlignmentRole:
        if (type == Schema::Type::Decimal || type == Schema::Type::Integer)
            return QVariant::fromValue(Qt::Alignment(Qt::AlignRight | Qt::AlignVCenter));
        return {};
    default:
        return {};
    }
}

QVariant RecordModel::parsed(int column, const QVariant &value, bool *ok) const
{
    const Schema::Type type = m_set->fieldType(m_fieldIndex[size_t(column)]);
    *ok = true;
    if (value.isNull())
        return {};
    const QString text = value.toString();
    switch (type) {
    case Schema::Type::Text:
        return text;
    case Schema::Type::Decimal:
    case Schema::Type::Integer: {
        if (value.typeId() != QMetaType::QString)
            return value;
        const QString t = text.trimmed();
        if (t.isEmpty())
            return {};
        double d = QLocale::c().toDouble(t, ok);
        if (!*ok)
            d = QLocale().toDouble(t, ok);
        return *ok ? QVariant(d) : QVariant();
    }
    case Schema::Type::DateTime:
        if (value.typeId() == QMetaType::QDate || value.typeId() == QMetaType::QDateTime)
            return value;
        return parseTypedDate(text, m_columns[size_t(column)].format.contains(QLatin1Char('H')), ok);
    case Schema::Type::Bool:
        return value.toBool();
    }
    return value;
}

bool RecordModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (!isCell(index))
        return false;
    if (!(flags(index) & (Qt::ItemIsEditable | Qt::ItemIsUserCheckable)))
        return false;
    const int field = m_fieldIndex[size_t(index.column())];
    QVariant v;
    if (role == Qt::CheckStateRole) {
        if (m_set->fieldType(field) != Schema::Type::Bool)
            return false;
        v = value.toInt() == Qt::Checked;
    } else if (role == Qt::EditRole) {
        bool ok = false;
        v = parsed(index.column(), value, &ok);
        if (!ok)
            return false;
    } else {
        return false;
    }
    // The record set reports the change back through valueChanged → dataChanged.
    return m_set->editValue(index.row(), field, v);
}

Qt::ItemFlags RecordModel::flags(const QModelIndex &index) const
{
    if (!isCell(index))
        return Qt::NoItemFlags;
    Qt::ItemFlags f = Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemNeverHasChildren;
    const GridColumn &c = m_columns[size_t(index.column())];
    const int field = m_fieldIndex[size_t(index.column())];
    if (field < 0 || c.readOnly)
        return f;
    if (m_set->fieldType(field) == Schema::Type::Bool)
        return f | Qt::ItemIsUserCheckable;
    return f | Qt::ItemIsEditable;
}

QVariant RecordModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Vertical) {
        if (role == Qt::DisplayRole && section >= 0 && section < rowCount())
            return section + 1;
        return {};
    }
    if (section < 0 || section >= columnCount())
        return {};
    const GridColumn &c = m_columns[size_t(section)];
    switch (role) {
    case Qt::DisplayRole:
        return c.title;
    case GroupTitleRole:
        return c.groupTitle.isEmpty() ? QVariant() : QVariant(c.groupTitle);
    case FieldRole:
        return c.field;
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(Qt::Alignment(Qt::AlignCenter));
    default:
        return {};
    }
}
