#include "core/db/row_store.h"

#include <QDate>
#include <QDateTime>
#include <cstring>

void RowStore::setFields(std::vector<std::optional<Schema::Type>> types)
{
    m_rows.clear();
    m_types.clear();
    m_byValues.clear();
    for (const std::optional<Schema::Type> &t : types) {
        m_types.push_back(t.value_or(Schema::Type::Text));
        m_byValues.push_back(!t.has_value());
    }
}

// One allocation per row: the cells are plain values, the texts follow them.
RowStore::Block RowStore::makeBlock(const Cell *cells, const char16_t *texts, size_t textSize) const
{
    const size_t cellBytes = m_types.size() * sizeof(Cell);
    auto data = std::make_unique_for_overwrite<std::byte[]>(cellBytes + textSize * sizeof(char16_t));
    if (cellBytes)
        std::memcpy(data.get(), cells, cellBytes);
    if (textSize)
        std::memcpy(data.get() + cellBytes, texts, textSize * sizeof(char16_t));
    return data;
}

void RowStore::appendRow(const Cell *cells, const std::u16string &texts)
{
    m_rows.push_back(makeBlock(cells, texts.data(), texts.size()));
}

int RowStore::appendEmptyRow()
{
    const std::vector<Cell> cells(m_types.size());
    m_rows.push_back(makeBlock(cells.data(), nullptr, 0));
    return rowCount() - 1;
}

void RowStore::removeRow(int row) { m_rows.erase(m_rows.begin() + row); }

QVariant RowStore::cellValue(const Block &b, int field) const
{
    const Cell &c = cellsOf(b)[field];
    switch (c.kind) {
    case Cell::Null:
        return {};
    case Cell::Text:
        return QString(textsOf(b) + c.text.at, c.text.size);
    case Cell::NullString:
        return QString();
    case Cell::Double:
        return c.d;
    case Cell::Integer:
        return qlonglong(c.i);
    case Cell::Bool:
        return c.i != 0;
    }
    return {};
}

QVariant RowStore::value(int row, int field) const
{
    if (row < 0 || row >= rowCount() || field < 0 || field >= fieldCount())
        return {};
    return cellValue(m_rows[size_t(row)], field);
}

QStringView RowStore::textView(int row, int field) const
{
    if (row < 0 || row >= rowCount() || field < 0 || field >= fieldCount())
        return {};
    const Block &b = m_rows[size_t(row)];
    const Cell &c = cellsOf(b)[field];
    if (c.kind != Cell::Text)
        return {};
    return QStringView(textsOf(b) + c.text.at, c.text.size);
}

// Replaces one value; the row's block is made again (a row is small).
void RowStore::setValue(int row, int field, const QVariant &v)
{
    Block &b = m_rows[size_t(row)];
    std::vector<Cell> cells(cellsOf(b), cellsOf(b) + m_types.size());
    std::u16string texts;
    for (size_t f = 0; f < cells.size(); ++f) {
        Cell &c = cells[f];
        if (int(f) == field) {
            storeValue(v, texts, c);
        } else if (c.kind == Cell::Text) {
            const QChar *text = textsOf(b) + c.text.at;
            c.text.at = quint32(texts.size());
            texts.append(reinterpret_cast<const char16_t *>(text), c.text.size);
        }
    }
    b = makeBlock(cells.data(), texts.data(), texts.size());
}

void RowStore::settleTypes()
{
    for (int f = 0; f < fieldCount(); ++f) {
        if (!m_byValues[size_t(f)])
            continue;
        bool text = false, fraction = false, integer = false, flag = false;
        for (const Block &b : m_rows) {
            switch (cellsOf(b)[f].kind) {
            case Cell::Text:
            case Cell::NullString:
                text = true;
                break;
            case Cell::Double:
                fraction = true;
                break;
            case Cell::Integer:
                integer = true;
                break;
            case Cell::Bool:
                flag = true;
                break;
            case Cell::Null:
                break;
            }
            if (text)
                break;
        }
        const Schema::Type type = text              ? Schema::Type::Text
                                  : fraction          ? Schema::Type::Decimal
                                  : integer           ? Schema::Type::Integer
                                  : flag              ? Schema::Type::Bool
                                                      : Schema::Type::Text;
        m_types[size_t(f)] = type;
        m_byValues[size_t(f)] = false;
        // Mixed columns (rare: numbers among texts, whole numbers among fractions) take the one type.
        const Cell::Kind kept = type == Schema::Type::Text      ? Cell::Text
                                : type == Schema::Type::Decimal ? Cell::Double
                                : type == Schema::Type::Integer ? Cell::Integer
                                                                : Cell::Bool;
        for (int r = 0; r < rowCount(); ++r) {
            const Cell::Kind k = cellsOf(m_rows[size_t(r)])[f].kind;
            if (k != Cell::Null && k != kept && !(kept == Cell::Text && k == Cell::NullString)) {
                QVariant v = cellValue(m_rows[size_t(r)], f);
                // A number shown as text reads as the database would print it.
                if (type == Schema::Type::Text && v.typeId() == QMetaType::Double)
                    v = QString::number(v.toDouble(), 'g', 15);
                setValue(r, f, normalized(type, v));
            }
        }
    }
}

void RowStore::storeValue(const QVariant &v, std::u16string &texts, Cell &c)
{
    if (v.isNull()) {
        c.kind = Cell::Null;
        return;
    }
    switch (v.typeId()) {
    case QMetaType::Double:
        c.kind = Cell::Double;
        c.d = v.toDouble();
        return;
    case QMetaType::LongLong:
        c.kind = Cell::Integer;
        c.i = v.toLongLong();
        return;
    case QMetaType::Bool:
        c.kind = Cell::Bool;
        c.i = v.toBool();
        return;
    default:
        break;
    }
    const QString s = v.toString();
    if (s.isNull()) {
        c.kind = Cell::NullString;
        return;
    }
    c.kind = Cell::Text;
    c.text.at = quint32(texts.size());
    c.text.size = quint32(s.size());
    texts.append(reinterpret_cast<const char16_t *>(s.constData()), size_t(s.size()));
}

QVariant RowStore::normalized(Schema::Type type, const QVariant &value)
{
    if (value.isNull() || !value.isValid())
        return {};
    switch (type) {
    case Schema::Type::Text:
        return value.toString();
    case Schema::Type::Decimal: {
        if (value.typeId() == QMetaType::QString && value.toString().trimmed().isEmpty())
            return {};
        bool ok = false;
        const double d = value.toDouble(&ok);
        return ok ? QVariant(d) : QVariant();
    }
    case Schema::Type::Integer: {
        if (value.typeId() == QMetaType::QString && value.toString().trimmed().isEmpty())
            return {};
        bool ok = false;
        const qlonglong i = value.toLongLong(&ok);
        if (ok)
            return i;
        const double d = value.toDouble(&ok);
        return ok ? QVariant(qlonglong(d)) : QVariant();
    }
    case Schema::Type::Bool:
        if (value.typeId() == QMetaType::QString) {
            const QString s = value.toString().trimmed();
            if (s.isEmpty())
                return {};
            return s == QLatin1String("1") || s.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0 ||
                   s == QLatin1String("T");
        }
        return value.toBool();
    case Schema::Type::DateTime:
        if (value.typeId() == QMetaType::QDate)
            return value.toDate().toString(QStringLiteral("yyyy-MM-dd"));
        if (value.typeId() == QMetaType::QDateTime) {
            const QDateTime dt = value.toDateTime();
            return dt.time() == QTime(0, 0) ? dt.date().toString(QStringLiteral("yyyy-MM-dd"))
                                            : dt.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
        }
        {
            const QString s = value.toString().trimmed();
            return s.isEmpty() ? QVariant() : QVariant(s);
        }
    }
    return value;
}
