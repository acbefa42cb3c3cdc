#include "ui/row_model.h"
#include "core/db/record_set.h"
#include "core/db/row_source.h"
#include "core/session.h"
#include "core/export/shown_text.h"
#include "core/text/money.h"


namespace {

// A right (a qxqt code) of the logged-in user; the administrator holds all.
bool userHolds(const QString &right)
{
    if (right.isEmpty())
        return true;
    const Session &s = App::session();
    return s.isAdministrator() || s.hasRight(right);
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

RowModel::RowModel(RowSource *source, std::vector<GridColumn> columns, QObject *parent)
    : QAbstractTableModel(parent), m_columns(std::move(columns))
{
    for (const GridColumn &c : m_columns) {
        m_viewable.push_back(userHolds(c.viewRight));
        m_editAllowed.push_back(userHolds(c.editRight));
    }
    m_source = source;
    mapFields();
    bindSource();
}

RowModel::RowModel(RecordSet *set, QObject *parent) : RowModel(set, set->spec().columns, parent) {}

void RowModel::mapFields()
{
    m_set = m_source && m_source->isEditable() ? qobject_cast<RecordSet *>(m_source.data()) : nullptr;
    m_fieldIndex.clear();
    for (const GridColumn &c : m_columns)
        m_fieldIndex.push_back(m_source ? m_source->fieldIndex(c.field) : -1);
    m_search.clear();
    for (int c : m_searchColumns) {
        const int field = m_fieldIndex[size_t(c)];
        if (field >= 0 && m_viewable[size_t(c)])
            m_search.push_back({c, field, typeOf(c), decimals(c)});
    }
    m_searchText.clear();
}

void RowModel::bindSource()
{
    if (!m_source)
        return;
    connect(m_source, &RowSource::aboutToReload, this, [this] { beginResetModel(); });
    connect(m_source, &RowSource::reloaded, this, [this] {
        // A query result learns its field types from the rows it read.
        mapFields();
        endResetModel();
    });
    connect(m_source, &QObject::destroyed, this, [this] {
        beginResetModel();
        mapFields();
        endResetModel();
    });
    if (!m_set)
        return;
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

void RowModel::setSource(RowSource *source)
{
    beginResetModel();
    if (m_source)
        disconnect(m_source, nullptr, this, nullptr);
    m_source = source;
    mapFields();
    bindSource();
    endResetModel();
}

int RowModel::columnOf(const QString &field) const
{
    for (size_t c = 0; c < m_columns.size(); ++c)
        if (m_columns[c].field.compare(field, Qt::CaseInsensitive) == 0)
            return int(c);
    return -1;
}

Schema::Type RowModel::typeOf(int column) const
{
    const int field = m_fieldIndex[size_t(column)];
    return field >= 0 ? m_source->fieldType(field) : Schema::Type::Text;
}

EditorKind RowModel::editorKind(int column) const
{
    const GridColumn &c = m_columns[size_t(column)];
    if (c.editor != EditorKind::Auto)
        return c.editor;
    if (!c.pickList.isEmpty())
        return EditorKind::PickList;
    switch (typeOf(column)) {
    case Schema::Type::Decimal:
    case Schema::Type::Integer: return EditorKind::Number;
    case Schema::Type::DateTime: return EditorKind::Date;
    case Schema::Type::Bool: return EditorKind::Flag;
    case Schema::Type::Text: break;
    }
    return EditorKind::Text;
}

int RowModel::maxLength(int column) const
{
    const int field = m_fieldIndex[size_t(column)];
    if (field < 0 || m_source->fieldType(field) != Schema::Type::Text)
        return 0;
    return m_source->fieldSize(field);
}

int RowModel::decimals(int column) const
{
    return Export::shownDecimals(typeOf(column), m_columns[size_t(column)].format);
}

bool RowModel::isCell(const QModelIndex &index) const
{
    return index.isValid() && index.model() == this && index.row() < rowCount() && index.column() < columnCount();
}

int RowModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() || !m_source ? 0 : m_source->rowCount();
}

int RowModel::columnCount(const QModelIndex &parent) const { return parent.isValid() ? 0 : int(m_columns.size()); }

QString RowModel::displayText(int row, int column) const
{
    const int field = m_fieldIndex[size_t(column)];
    if (field < 0 || !m_viewable[size_t(column)])
        return {};
    const Schema::Type type = m_source->fieldType(field);
    if (type == Schema::Type::Bool)
        return {}; // a check box
    return Export::shownText(m_source->value(row, field), type, m_columns[size_t(column)].format);
}

void RowModel::setSearchColumns(std::vector<int> columns)
{
    m_searchColumns = std::move(columns);
    mapFields();
}

QString RowModel::searchKey(QStringView text)
{
    Text16 key;
    append(key, text);
    foldInPlace(key.data(), key.size());
    return toQString(key);
}

void RowModel::appendSearched(Text16 &out, int row, const SearchColumn &c) const
{
    switch (c.type) {
    case Schema::Type::Text:
        append(out, m_source->textView(row, c.field));
        return;
    case Schema::Type::DateTime:
        if (QStringView shown;
            Export::dateShownAsStored(m_source->textView(row, c.field), m_columns[size_t(c.column)].format, &shown)) {
            append(out, shown);
            return;
        }
        break;
    case Schema::Type::Decimal:
    case Schema::Type::Integer:
        if (const QVariant v = m_source->value(row, c.field); !v.isNull())
            Money::appendNumber(out, v.toDouble(), c.decimals);
        return;
    case Schema::Type::Bool:
        return; // shown as a check box: no text
    }
    append(out, displayText(row, c.column));
}

QString RowModel::searchTextOf(int row) const
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

bool RowModel::rowContains(int row, const QString &key) const
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

QVariant RowModel::data(const QModelIndex &index, int role) const
{
    if (!isCell(index))
        return {};
    const int field = m_fieldIndex[size_t(index.column())];
    if (field < 0 || !m_viewable[size_t(index.column())])
        return {};
    const Schema::Type type = m_source->fieldType(field);
    switch (role) {
    case Qt::DisplayRole:
        return displayText(index.row(), index.column());
    case Qt::EditRole:
        if (type == Schema::Type::Bool)
            return m_source->value(index.row(), field).toBool();
        return displayText(index.row(), index.column());
    case RawValueRole:
        return m_source->value(index.row(), field);
    case Qt::CheckStateRole:
        if (type == Schema::Type::Bool)
            return m_source->value(index.row(), field).toBool() ? Qt::Checked : Qt::Unchecked;
        return {};
    case Qt::TextAlignmentRole:
        if (type == Schema::Type::Decimal || type == Schema::Type::Integer)
            return QVariant::fromValue(Qt::Alignment(Qt::AlignRight | Qt::AlignVCenter));
        return {};
    default:
        return {};
    }
}

bool RowModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (!isCell(index) || !m_set)
        return false;
    if (!(flags(index) & (Qt::ItemIsEditable | Qt::ItemIsUserCheckable)))
        return false;
    const int field = m_fieldIndex[size_t(index.column())];
    const bool flag = m_set->fieldType(field) == Schema::Type::Bool;
    if (role == Qt::CheckStateRole) {
        if (!flag)
            return false;
        return m_set->editValue(index.row(), field, value.toInt() == Qt::Checked);
    }
    if (role != Qt::EditRole)
        return false;
    if (flag)
        return m_set->editValue(index.row(), field, value.toBool());
    // An editor closed on the text it was given changes nothing: a date shown
    // without its time must not lose the time, and the row stays unchanged.
    if (value.typeId() == QMetaType::QString && value.toString() == displayText(index.row(), index.column()))
        return true;
    // The record set reports the change back through valueChanged → dataChanged.
    return m_set->editValue(index.row(), field, value);
}

Qt::ItemFlags RowModel::flags(const QModelIndex &index) const
{
    if (!isCell(index))
        return Qt::NoItemFlags;
    Qt::ItemFlags f = Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemNeverHasChildren;
    const size_t c = size_t(index.column());
    const int field = m_fieldIndex[c];
    if (!m_set || field < 0 || m_columns[c].readOnly || !m_viewable[c] || !m_editAllowed[c])
        return f;
    if (m_set->fieldType(field) == Schema::Type::Bool)
        return f | Qt::ItemIsUserCheckable;
    return f | Qt::ItemIsEditable;
}

QVariant RowModel::headerData(int section, Qt::Orientation orientation, int role) const
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
