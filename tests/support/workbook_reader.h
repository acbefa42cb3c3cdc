#pragma once
#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

// What a spreadsheet program reads back from the workbook: each cell's value
// as written and the style it shows with.
struct Workbook
{
    struct Cell
    {
        QString value;      // the number as text, or the string itself
        bool isText = false;
        QString numFormat;  // "" for the general format
        bool bordered = false;
        QString fontName;
        double fontSize = 0;
        QString hAlign, vAlign;
    };
    QMap<QString, Cell> cells; // "A1" → cell
    QStringList merged;        // "A1:C1"
    QList<int> rowNumbers;
    QMap<int, double> widths;  // column number (1…) → width

    bool has(const QString &ref) const { return cells.contains(ref); }
    const Cell &at(const QString &ref) const { return *cells.find(ref); }
};


// Reads an .xlsx file back as a spreadsheet program shows it (through
// Debian's Python zipfile; the test fails when the file cannot be read).
Workbook readWorkbook(const QString &path);
