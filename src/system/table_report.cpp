#include "system/table_report.h"
#include "core/db/grid_spec.h"
#include "core/db/row_source.h"
#include "core/export/shown_text.h"

#include <QSqlQuery>
#include <QSqlRecord>

namespace {

QString htmlAlign(Qt::Alignment a)
{
    if (a & Qt::AlignHCenter)
        return QStringLiteral("center");
    if (a & Qt::AlignRight)
        return QStringLiteral("right");
    return QStringLiteral("left");
}

QFont printFont(double points, bool bold = false)
{
    QFont f(QString::fromLatin1(ReportEngine::fontFamily));
    f.setPointSizeF(points);
    f.setBold(bold);
    f.setStyleStrategy(QFont::PreferNoShaping); // see ReportEngine::defaultFont
    return f;
}

// Keeps line breaks of a cell visible; everything else is shown as text.
QString cellHtml(const QString &text)
{
    QString s = text.toHtmlEscaped();
    s.replace(QLatin1Char('\n'), QLatin1String("<br>"));
    return s.isEmpty() ? QStringLiteral("&nbsp;") : s;
}

} // namespace

TableData TableData::fromQuery(QSqlQuery &query)
{
    TableData table;
    const QSqlRecord record = query.record();
    QList<QString> fields;
    for (int i = 0; i < record.count(); ++i) {
        fields << record.fieldName(i);
        table.columns.append(TableColumn{record.fieldName(i), record.fieldName(i)});
    }
    while (query.next()) {
        QStringList row;
        for (int i = 0; i < fields.size(); ++i) {
            const QVariant v = query.value(i);
            const QString text = ReportData::formatValue(fields.at(i), v);
            const int id = v.metaType().id();
            if (!v.isNull() && (id == QMetaType::Double || id == QMetaType::Float || id == QMetaType::Int ||
                                id == QMetaType::LongLong || id == QMetaType::UInt || id == QMetaType::ULongLong))
                table.columns[i].numeric = true;
            row << text;
        }
        table.rows.append(row);
    }
    return table;
}

TableData TableData::fromRows(const RowSource &source, const std::vector<GridColumn> &columns,
                              const std::vector<int> &rows)
{
    TableData table;
    std::vector<int> fields;
    for (const GridColumn &c : columns) {
        const int field = source.fieldIndex(c.field);
        const Schema::Type type = field >= 0 ? source.fieldType(field) : Schema::Type::Text;
        table.columns.append(
            TableColumn{c.field, c.title, type == Schema::Type::Decimal || type == Schema::Type::Integer});
        fields.push_back(field);
    }
    table.rows.reserve(qsizetype(rows.size()));
    for (int r : rows) {
        QStringList row;
        row.reserve(qsizetype(columns.size()));
        for (size_t c = 0; c < columns.size(); ++c) {
            const int field = fields[c];
            row << (field < 0 ? QString()
                              : Export::shownText(source.value(r, field), source.fieldType(field), columns[c].format));
        }
        table.rows.append(row);
    }
    return table;
}

Qt::Alignment TableReport::alignment(int code)
{
    if (code == 0)
        return Qt::AlignLeft;
    if (code == 1)
        return Qt::AlignHCenter;
    return Qt::AlignRight;
}

QPageSize TableReport::paperSize(int code)
{
    switch (code) {
    case 8:
        return QPageSize(QPageSize::A3);
    case 11:
        return QPageSize(QPageSize::A5);
    default:
        return QPageSize(QPageSize::A4);
    }
}

QString TableReport::footerText(const QString &footer)
{
    const QString page = QStringLiteral("第[PAGE#]页");
    return footer.isEmpty() ? page : footer + QStringLiteral("    ") + page;
}

QString TableReport::html(const TableData &table, const TablePrintOptions &options)
{
    QString h;
    h += QStringLiteral("<html><head><meta charset=\"utf-8\"></head><body>");
    if (!options.title.isEmpty())
        h += QStringLiteral("<p align=\"%1\" style=\"font-size:20pt; font-weight:bold; margin-bottom:6px\">%2</p>")
                 .arg(htmlAlign(alignment(options.titleAlignment)), options.title.toHtmlEscaped());
    h += QStringLiteral("<table border=\"1\" cellspacing=\"0\" cellpadding=\"3\" "
                        "style=\"border-collapse:collapse; border-color:#000000; border-style:solid; font-size:14pt\">");
    QList<int> shown;
    for (int i = 0; i < table.columns.size(); ++i)
        if (table.columns.at(i).visible)
            shown << i;
    // The column header is the table's header row: the layout repeats it on every page.
    h += QStringLiteral("<thead><tr>");
    for (int i : shown)
        h += QStringLiteral("<th align=\"center\" style=\"font-weight:normal\">%1</th>").arg(cellHtml(table.columns.at(i).label));
    h += QStringLiteral("</tr></thead><tbody>");
    for (const QStringList &row : table.rows) {
        h += QStringLiteral("<tr>");
        for (int i : shown) {
            const QString align = table.columns.at(i).numeric ? QStringLiteral("right") : QStringLiteral("left");
            h += QStringLiteral("<td align=\"%1\">%2</td>").arg(align, cellHtml(i < row.size() ? row.at(i) : QString()));
        }
        h += QStringLiteral("</tr>");
    }
    h += QStringLiteral("</tbody></table></body></html>");
    return h;
}

PrintJob TableReport::job(const TableData &table, const TablePrintOptions &options)
{
    PrintJob job;
    job.title = options.title;
    job.html = html(table, options);
    job.layout = ReportEngine::pageLayout(paperSize(options.paper),
                                          options.landscape ? QPageLayout::Landscape : QPageLayout::Portrait);
    job.decoration.header = options.pageHeader;
    job.decoration.headerAlignment = alignment(options.headerAlignment);
    job.decoration.headerFont = printFont(14);
    job.decoration.footer = footerText(options.pageFooter);
    job.decoration.footerAlignment = Qt::AlignHCenter;
    job.decoration.footerFont = printFont(13);
    return job;
}
