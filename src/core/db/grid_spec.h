#pragma once
#include <QString>
#include <QStringList>
#include <QVariant>
#include <functional>
#include <vector>

class RecordSet;

// One column of a grid window, in the order the grid shows them.
struct GridColumn
{
    QString field;      // column of the table, spelled as in the schema (case does not matter)
    QString title;      // header text
    QString groupTitle; // upper header over adjacent columns sharing it ("生日（只能输入任意一个）")
    QString format;     // "0.00" / "#0.00" for money, "yyyy-MM-dd" for dates; empty: by column type
    bool hidden = false;
    bool readOnly = false;
    QStringList pickList; // choices offered by the cell's drop-down; empty: a plain editor
    int width = 0;        // pixels; 0: a width chosen by the column type

    // The usual column: a field, its header text and a width.
    static GridColumn of(const char *field, const char *title, int width = 0)
    {
        GridColumn c;
        c.field = QString::fromLatin1(field);
        c.title = QString::fromUtf8(title);
        c.width = width;
        return c;
    }
};

// A grid window described as data: which rows of which table it edits, how it
// shows them and the few rules of its own. Every area writes the description of
// its windows in its logic files (the window itself holds no SQL); the grid window
// base and RecordSet do the rest.
//
// The record set loads every column of the table (not only the shown ones), so
// hooks may read and set hidden columns. Only columns that changed are written
// back, which keeps columns the window never touches (a password changed
// meanwhile by its owner, balances booked by documents) as they are.
struct GridSpec
{
    QString table;
    // Condition without "WHERE"; every value as a "?" placeholder bound from whereBinds.
    QString where;
    QVariantList whereBinds;
    // Sort without "ORDER BY", e.g. "BM ASC".
    QString orderBy;
    // The unique code column (BM) that identifies a row when saving. Empty for
    // tables without one: rows are then identified by SQLite's rowid.
    QString keyColumn;
    std::vector<GridColumn> columns;
    // Fields the filter box searches; empty: every column that is not hidden.
    QStringList filterFields;

    // ---- Hooks (all optional) ----

    // Fills a row just appended by the user (always at the end), before any code
    // proposal: fixed values such as empty rights texts or a default price tier.
    std::function<void(RecordSet &set, int row)> newRowDefaults;

    // Proposes the code of a new row from the code of the row that was last
    // before the append (a null QVariant when the set was empty). The proposal
    // goes through RecordSet::setValue, so codeChanged fires for it as well.
    std::function<QVariant(const QVariant &previousLastCode)> proposeCode;

    // Runs after the key column of a row changed, typed or proposed, on a new or
    // an existing row (e.g. members reset their price tier and discount).
    std::function<void(RecordSet &set, int row)> codeChanged;

    // Asked before a value typed by the user goes into a row. Return false to
    // refuse it (the cell keeps its old value); the hook shows its own message
    // through prompt(). Not asked for changes made by code or by other hooks.
    std::function<bool(const RecordSet &set, int row, const QString &field, const QVariant &value)> acceptEdit;

    // The column description of a field, or nullptr when the grid does not show it.
    const GridColumn *column(const QString &field) const
    {
        for (const GridColumn &c : columns)
            if (c.field.compare(field, Qt::CaseInsensitive) == 0)
                return &c;
        return nullptr;
    }
};
