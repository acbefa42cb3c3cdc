#pragma once
#include "core/db/schema.h"

#include <QObject>
#include <QString>
#include <QStringView>
#include <QVariant>

// Rows to show: the fields with their types, and for every row its raw values.
// An editable RecordSet over one table and a read-only QueryResult of any
// SELECT both are one; the item model, the filter, the two-level header, the
// footer sums, the Excel export and the table print take a RowSource, so no
// window family copies them.
//
// Values are typed as the schema types them: Text as QString, Decimal as
// double, DateTime as ISO text ("YYYY-MM-DD" or "YYYY-MM-DD HH:MM:SS"), Bool as
// bool, Integer as qlonglong; NULL is a null QVariant.
class RowSource : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;
    ~RowSource() override = default;

    virtual int rowCount() const = 0;
    virtual int fieldCount() const = 0;
    // Index of a field by name (case-insensitive), -1 when there is none.
    virtual int fieldIndex(const QString &name) const = 0;
    virtual QString fieldName(int field) const = 0;
    virtual Schema::Type fieldType(int field) const = 0;
    // Decimals of a Decimal field, the width of a Text field; 0 when unknown.
    virtual int fieldSize(int field) const = 0;
    virtual QVariant value(int row, int field) const = 0;
    QVariant value(int row, const QString &field) const { return value(row, fieldIndex(field)); }
    // A Text or DateTime value without a copy, for scanning many rows; empty
    // for NULL and other types. Valid until the row changes.
    virtual QStringView textView(int row, int field) const
    {
        Q_UNUSED(row);
        Q_UNUSED(field);
        return {};
    }
    // Whether rows can be edited (RecordSet) or only read (query results).
    virtual bool isEditable() const { return false; }

Q_SIGNALS:
    void aboutToReload();
    void reloaded();
};
