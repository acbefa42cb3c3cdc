#include "ui/record_model.h"
#include "core/record_set.h"

#include <QDate>
#include <QDateTime>
#include <QLocale>

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
    connect(m_set, &RecordSet::reloaded, this, [this] { endResetModel(); });
    connect(m_set, &RecordSet::rowAboutToBeInserted, this, [this](int row) { beginInsertRows({}, row, row); });
    connect(m_set, &RecordSet::rowInserted, this, [this] { endInsertRows(); });
    connect(m_set, &RecordSet::rowAboutToBeRemoved, this, [this](int row) { beginRemoveRows({}, row, row); });
    connect(m_set, &RecordSet::rowRemoved, this, [this] { endRemoveRows(); });
    connect(m_set, &RecordSet::valueChanged, this, [this](int row, int field) {
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
        const int decimals = decimalsOf(format);
        return decimals < 0 ? QString::number(v.toDouble(), 'g', 15) : QString::number(v.toDouble(), 'f', decimals);
    }
    case Schema::Type::DateTime: {
        const QString text = v.toString();
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
    case Schema::Type::Integer:
        return QString::number(v.toLongLong());
    case Schema::Type::Text:
        break;
    }
    return v.toString();
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
