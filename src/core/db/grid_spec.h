#pragma once
#include "core/outcome.h"

#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantMap>
#include <functional>
#include <utility>
#include <vector>

class RecordSet;
struct Outcome;

// The codes a save changed, for tables that follow them (package lines follow
// their package's code).
struct SavedCodes
{
    std::vector<std::pair<QVariant, QVariant>> renamed; // code as loaded → new code
    std::vector<QVariant> deleted;                      // codes as loaded of deleted rows
};

// How a cell is edited. Auto chooses by the column's type: Text (maximum
// length the column's width), Number (Decimal with its scale, Integer),
// Date (DateTime), Flag (Bool); a column with a pick list gets PickList.
enum class EditorKind { Auto, Text, Number, Date, Flag, PickList, Lookup };

// What the footer under a column shows for the rows in sight.
enum class FooterKind { None, Count, Sum };

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

    EditorKind editor = EditorKind::Auto;
    // A row whose value here is empty is refused at save ("<title>不能为空！").
    bool required = false;
    // Checks a value typed by the user: the message that refuses it, or an
    // empty text to accept it. The cell keeps its old value when refused.
    std::function<QString(const QVariant &value)> validator;
    // Rights (qxqt codes) needed to see the column and to edit it; empty: everyone.
    QString viewRight;
    QString editRight;
    FooterKind footer = FooterKind::None;
    QString footerLabel; // shown before the count or sum ("合计：")
    // EditorKind::Lookup: the picker the cell's "..." button opens (a name the
    // window machinery knows, such as "customer" or "product").
    QString lookup;

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

// One condition on the rows a grid loads, written as data: the field is
// checked against the schema and the value always bound as a parameter, so a
// description holds no SQL text.
struct GridCondition
{
    enum class Op { Equal, NotEqual, Less, LessOrEqual, Greater, GreaterOrEqual, In, NotIn, IsNull, IsNotNull };
    QString field;
    Op op = Op::Equal;
    QVariant value; // In / NotIn: a QVariantList; IsNull / IsNotNull: unused
};

struct GridOrder
{
    QString field;
    bool descending = false;
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
    // The rows loaded: every condition holds (AND).
    std::vector<GridCondition> conditions;
    std::vector<GridOrder> order;
    // The unique code column (BM) that identifies a row when saving. A row
    // whose code is empty is refused at save ("编码不能为空！"). Empty for tables
    // without a code: rows are then identified by the table's own key.
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
    // goes through RecordSet::setValue, so fieldChanged fires for it as well.
    std::function<QVariant(const QVariant &previousLastCode)> proposeCode;

    // Runs after a value of a row changed, typed, proposed or set by code, on a
    // new or an existing row: a name sets its pinyin initials, a code change
    // resets the price tier. Changes the hook makes itself do not run it again.
    std::function<void(RecordSet &set, int row, const QString &field)> fieldChanged;

    // Asked before a value typed by the user goes into a row, after the
    // column's own validator. Return false to refuse it (the cell keeps its
    // old value); the hook shows its own message through prompt(). Not asked
    // for changes made by code or by other hooks.
    std::function<bool(const RecordSet &set, int row, const QString &field, const QVariant &value)> acceptEdit;

    // Asked before the user removes a row (the navigator's delete). Return
    // false to keep it; the hook shows its own message through prompt().
    std::function<bool(const RecordSet &set, int row)> acceptRemove;

    // Runs inside the save's transaction, before any row is written, so that
    // a refusal sees what the database holds at that moment (another window
    // may have used a code since the grid asked) and a change it writes
    // itself (a renamed level carried into the members) stands or falls with
    // the save. A failure ends the save with that outcome, writing nothing;
    // *failedRow (-1 when none) names the row to select.
    std::function<Outcome(const RecordSet &set, int *failedRow)> beforeWrite;

    // EditorKind::Lookup: the row a picker returned goes into the edited row
    // (the hook fills the fields it needs). Without it the picked row's "BM"
    // goes into the cell.
    std::function<void(RecordSet &set, int row, const QString &field, const QVariantMap &picked)> lookupPicked;

    // Runs inside the save's transaction after the rows are written, before the
    // commit: keeps other tables in step with the codes (and checks rules over
    // the whole table, such as unique names). A failure undoes the whole save
    // and is the save's outcome.
    std::function<Outcome(const RecordSet &set, const SavedCodes &codes)> afterWrite;

    // The column description of a field, or nullptr when the grid does not show it.
    const GridColumn *column(const QString &field) const
    {
        for (const GridColumn &c : columns)
            if (c.field.compare(field, Qt::CaseInsensitive) == 0)
                return &c;
        return nullptr;
    }
};
