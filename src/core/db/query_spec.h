#pragma once
#include "core/db/grid_spec.h"
#include "core/db/query_result.h"

#include <QDate>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <functional>
#include <vector>

// What the inputs of a query window hold when 查询 is pressed.
struct QueryParams
{
    QDate from; // 从
    QDate to;   // 到 (the whole day counts)
    QStringList flags; // names of the state flags ticked
    QString text;      // the text box, trimmed

    bool flag(const QString &name) const { return flags.contains(name); }
};

// A SELECT and the values bound to its '?' in order.
struct QueryText
{
    QString sql;
    QVariantList binds;
};

// A state filter of a query window: a check box ("已审核", "未结清").
struct QueryFlag
{
    QString name;    // what the SQL builder asks QueryParams::flag() for; the check box's objectName
    QString caption; // the check box's text
    bool checked = false;
};

// A query or report window described as data: its inputs, the SELECT they
// make, the columns shown, and where printing and a double click lead. Each
// area writes the specs of its query windows in its logic files; the one
// QueryWindow does the rest (dates, state filters, quick filter on the loaded
// rows, count and sum footers, export, print with the plain table as
// fallback, design of the print format, opening the document of a row).
struct QuerySpec
{
    QString objectName; // the window's name in the data model ("Tskd_cx")
    QString caption;    // its title, the export's and the print's title

    bool dateRange = true; // the 从 / 到 boxes
    int defaultDays = 0;   // 从 starts this many days before today; 到 is today
    std::vector<QueryFlag> flags;
    QString textLabel;     // the label of a text box (a name, a number); empty: no box

    // The SELECT for the inputs. Values always go in as binds, never as text.
    std::function<QueryText(const QueryParams &params)> sql;
    // Types of result columns the schema cannot tell (computed ones).
    std::vector<QueryField> fields;

    std::vector<GridColumn> columns; // title, format, width, footer of each shown column
    QStringList filterFields;        // searched by the quick filter; empty: every shown column
    bool runOnOpen = true;           // query once when the window opens

    QString printCode; // the gg_dj code of the print template; empty: the plain table only

    // A double click opens this window (its class name, "Txsd") on the row's
    // value of numberField; empty: a double click does nothing.
    QString targetWindow;
    QString numberField;
};
