#pragma once
#include "core/db/schema.h"

#include <QString>
#include <QStringView>
#include <QVariant>
#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// Rows held compactly in memory, shared by RecordSet and QueryResult. Lists run
// to hundreds of thousands of rows, so a row is one block: a small cell per
// value and, after the cells, the row's texts one after another.
//
// Each field is typed by the schema, or, for a query column the schema does
// not know, by the values read (settleTypes()). Values follow the rules of
// normalized(): Text as QString, Decimal as double, DateTime as ISO text, Bool
// as bool, Integer as qlonglong, NULL as a null QVariant distinct from an
// empty text.
class RowStore
{
public:
    // One value. A null QString kept by a Text field (NullString) is not a
    // NULL in memory, though it is written as one.
    struct Cell
    {
        enum Kind : quint8 { Null, Text, NullString, Double, Integer, Bool };
        union {
            double d;
            qint64 i;
            struct
            {
                quint32 at, size; // characters, within the row's texts
            } text;
        };
        Kind kind = Null;
    };

    // The fields of the rows; nullopt: typed by the values once read.
    void setFields(std::vector<std::optional<Schema::Type>> types);
    int fieldCount() const { return int(m_types.size()); }
    Schema::Type fieldType(int field) const { return m_types[size_t(field)]; }
    // Whether a field takes its type from the values read.
    bool typedByValues(int field) const { return m_byValues[size_t(field)]; }

    int rowCount() const { return int(m_rows.size()); }
    void clear() { m_rows.clear(); } // keeps the capacity: a reload does not grow it again
    void reserve(size_t rows) { m_rows.reserve(rows); }

    // Appends a row built by a reader: fieldCount() cells, texts they point into.
    void appendRow(const Cell *cells, const std::u16string &texts);
    // Appends a row of NULLs and returns its index.
    int appendEmptyRow();
    void removeRow(int row);

    QVariant value(int row, int field) const;
    QStringView textView(int row, int field) const;
    // Replaces one value, already normalized for the field's type.
    void setValue(int row, int field, const QVariant &normalizedValue);

    // Gives every field typed by values its type: Text when any value is a
    // text, else Decimal when any is a fraction, else Integer (Bool when all
    // are flags); a field with only NULLs is Text. Values are converted to it.
    void settleTypes();

    // Puts a value as normalized() returns it into a cell, its text (if any) at the end of texts.
    static void storeValue(const QVariant &normalizedValue, std::u16string &texts, Cell &cell);
    // A value converted to a field type as the rows keep it.
    static QVariant normalized(Schema::Type type, const QVariant &value);

private:
    using Block = std::unique_ptr<std::byte[]>;
    Block makeBlock(const Cell *cells, const char16_t *texts, size_t textSize) const;
    const Cell *cellsOf(const Block &b) const { return reinterpret_cast<const Cell *>(b.get()); }
    const QChar *textsOf(const Block &b) const
    {
        return reinterpret_cast<const QChar *>(b.get() + m_types.size() * sizeof(Cell));
    }
    QVariant cellValue(const Block &b, int field) const;

    std::vector<Schema::Type> m_types;
    std::vector<bool> m_byValues;
    std::vector<Block> m_rows;
};
