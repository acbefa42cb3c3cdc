#include "core/export/excel_export.h"

#include "core/db/grid_spec.h"
#include "core/db/row_source.h"
#include "core/export/shown_text.h"
#include "core/prompt.h"
#include "core/text/money.h"
#include "core/session.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QCursor>
#include <QGuiApplication>
#include <QRegularExpression>
#include <QStandardPaths>

#include <xlsxwriter.h>

#include <algorithm>
#include <cmath>

namespace {

using Kind = ExportTable::Kind;

// Excel keeps at most this many characters in a cell; longer texts make the
// whole write fail, so they are cut.
constexpr int maxCellText = 32767;
constexpr double minColumnWidth = 6;
constexpr double maxColumnWidth = 80;

// The cell format of a column's kind; nullopt for a kind of no format of its own.
std::optional<std::string> numberFormat(const ExportTable::Column &column)
{
    switch (column.kind) {
    case Kind::Date: return "yyyy.mm.dd";
    case Kind::DateTime: return "yyyy.mm.dd hh:mm:ss";
    case Kind::Time: return "hh:mm:ss";
    case Kind::Number:
        if (column.decimals < 0)
            return std::string(); // the general format
        return column.decimals == 0 ? std::string("0") : "0." + std::string(size_t(qMin(column.decimals, 15)), '0');
    case Kind::Integer: return "0_ ";
    case Kind::Text: return "@";
    case Kind::Other: break;
    }
    return std::nullopt;
}

// Display width of a text in the GBK sense: a character beyond ASCII takes two.
int textWidth(const QString &text)
{
    int width = 0;
    for (const QChar c : text) {
        if (c.isLowSurrogate())
            continue; // the pair was counted at its high half
        width += c.unicode() < 0x80 ? 1 : 2;
    }
    return width;
}

// Days since Excel's epoch (1899-12-30, which absorbs its 1900 leap-year slip
// for every date after February 1900), with the time of day as the fraction.
double excelSerial(const QDate &date, const QTime &time = QTime(0, 0))
{
    return double(QDate(1899, 12, 30).daysTo(date)) + time.msecsSinceStartOfDay() / 86400000.0;
}

std::optional<QDateTime> parseDateTime(const QString &text)
{
    const QString t = text.trimmed();
    static const char *const formats[] = {"yyyy-MM-dd HH:mm:ss", "yyyy-MM-ddTHH:mm:ss", "yyyy-MM-dd HH:mm:ss.zzz",
                                          "yyyy-MM-dd HH:mm", "yyyy-MM-dd"};
    for (const char *f : formats) {
        const QDateTime dt = QDateTime::fromString(t, QLatin1String(f));
        if (dt.isValid())
            return dt;
    }
    return std::nullopt;
}

// The Excel date value of a value that stands for a date, a moment or a time.
std::optional<double> dateValue(const QVariant &v)
{
    switch (v.typeId()) {
    case QMetaType::QDate: return v.toDate().isValid() ? std::optional(excelSerial(v.toDate())) : std::nullopt;
    case QMetaType::QDateTime: {
        const QDateTime dt = v.toDateTime();
        return dt.isValid() ? std::optional(excelSerial(dt.date(), dt.time())) : std::nullopt;
    }
    case QMetaType::QTime:
        return v.toTime().isValid() ? std::optional(v.toTime().msecsSinceStartOfDay() / 86400000.0) : std::nullopt;
    case QMetaType::QString: {
        const QString s = v.toString();
        if (const auto dt = parseDateTime(s))
            return excelSerial(dt->date(), dt->time());
        for (const char *f : {"HH:mm:ss", "HH:mm"}) {
            const QTime t = QTime::fromString(s.trimmed(), QLatin1String(f));
            if (t.isValid())
                return t.msecsSinceStartOfDay() / 86400000.0;
        }
        return std::nullopt;
    }
    default: return std::nullopt;
    }
}

bool isNumeric(const QVariant &v)
{
    const ExportTable::Kind kind = ExportTable::kindOf(v.metaType());
    return kind == ExportTable::Kind::Number || kind == ExportTable::Kind::Integer || v.typeId() == QMetaType::Bool;
}

std::optional<double> numberValue(const QVariant &v)
{
    if (isNumeric(v))
        return v.toDouble();
    if (v.typeId() == QMetaType::QString) {
        bool ok = false;
        const double d = v.toString().trimmed().toDouble(&ok);
        if (ok)
            return d;
    }
    return std::nullopt;
}

// The text the cell shows, for sizing its column.
int shownWidth(const ExportTable::Column &column, const QVariant &v, bool asNumber, double number, bool asDate)
{
    if (asDate)
        return column.kind == Kind::Time ? 8 : column.kind == Kind::DateTime ? 19 : 10;
    if (asNumber) {
        if (column.kind == Kind::Number)
            return int(Money::formatNumber(number, column.decimals).size());
        if (column.kind == Kind::Integer)
            return int(QString::number(std::llround(number)).size()) + 1;
        return int(QString::number(number, 'g', 15).size());
    }
    return textWidth(v.toString());
}

// A text as a cell can hold it: Excel keeps at most maxCellText characters,
// and a cut never splits a character written as a surrogate pair.
QByteArray cellText(const QString &s)
{
    if (s.size() <= maxCellText)
        return s.toUtf8();
    qsizetype n = maxCellText;
    if (s.at(n - 1).isHighSurrogate())
        --n;
    return s.left(n).toUtf8();
}

struct Writer
{
    lxw_worksheet *sheet;
    lxw_error status = LXW_NO_ERROR;

    void keep(lxw_error e)
    {
        if (status == LXW_NO_ERROR && e != LXW_NO_ERROR)
            status = e;
    }
    void text(lxw_row_t row, lxw_col_t col, const QString &s, lxw_format *format)
    {
        keep(worksheet_write_string(sheet, row, col, cellText(s).constData(), format));
    }
};

} // namespace

ExportTable::Kind ExportTable::kindOf(const QMetaType &type)
{
    switch (type.id()) {
    case QMetaType::QDate: return Kind::Date;
    case QMetaType::QDateTime: return Kind::DateTime;
    case QMetaType::QTime: return Kind::Time;
    case QMetaType::Double:
    case QMetaType::Float: return Kind::Number;
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Long:
    case QMetaType::ULong: return Kind::Integer;
    case QMetaType::QString:
    case QMetaType::QChar:
    case QMetaType::QByteArray: return Kind::Text;
    default: return Kind::Other;
    }
}

ExportTable ExportTable::fromRows(const RowSource &source, const std::vector<GridColumn> &columns,
                                  const std::vector<int> &rows, const QString &title)
{
    ExportTable t;
    t.title = title;
    std::vector<int> fields;
    std::vector<Schema::Type> types;
    for (const GridColumn &c : columns) {
        Column col;
        col.label = c.title;
        const int field = source.fieldIndex(c.field);
        const Schema::Type type = field >= 0 ? source.fieldType(field) : Schema::Type::Text;
        switch (type) {
        case Schema::Type::Decimal: {
            col.kind = Kind::Number;
            const int size = source.fieldSize(field);
            col.decimals = c.format.isEmpty() ? (size > 0 ? size : -1) : Money::decimalsOf(c.format);
            break;
        }
        case Schema::Type::Integer:
            col.kind = Kind::Integer;
            break;
        case Schema::Type::DateTime: {
            bool withTime = c.format.contains(QLatin1Char('H'));
            if (c.format.isEmpty())
                for (int r : rows)
                    if (source.textView(r, field).size() > 10) {
                        withTime = true;
                        break;
                    }
            col.kind = withTime ? Kind::DateTime : Kind::Date;
            break;
        }
        case Schema::Type::Text:
        case Schema::Type::Bool:
            col.kind = Kind::Text;
            break;
        }
        fields.push_back(field);
        types.push_back(type);
        t.columns << col;
    }

    t.rows.reserve(qsizetype(rows.size()));
    for (int r : rows) {
        QVariantList row;
        row.reserve(qsizetype(fields.size()));
        for (size_t c = 0; c < fields.size(); ++c) {
            if (fields[c] < 0) {
                row << QVariant();
                continue;
            }
            const QVariant v = source.value(r, fields[c]);
            row << (types[c] == Schema::Type::Bool ? QVariant(Export::shownText(v, types[c], QString())) : v);
        }
        t.rows << row;
    }
    return t;
}

bool Export::writeWorkbook(const QString &path, const ExportTable &table, const QString &fontName, double fontSize,
                   QString *error)
{
    auto fail = [&](const QString &why) {
        if (error)
            *error = why;
        return false;
    };
    const qsizetype n = table.columns.size();
    if (n > LXW_COL_MAX)
        return fail(QStringLiteral("导出失败：列数超过Excel工作表的上限（%1列）。").arg(LXW_COL_MAX));
    if (table.rows.size() + 2 > LXW_ROW_MAX)
        return fail(QStringLiteral("导出失败：记录数超过Excel工作表的上限（%1行）。").arg(LXW_ROW_MAX - 2));

    const QByteArray file = QFile::encodeName(path);
    lxw_workbook *book = workbook_new(file.constData());
    if (!book)
        return fail(QStringLiteral("保存文件失败：%1").arg(QDir::toNativeSeparators(path)));
    lxw_worksheet *sheet = workbook_add_worksheet(book, nullptr);
    Writer w{sheet};

    // Row 1: the title over all columns.
    const QByteArray font = fontName.toUtf8();
    lxw_format *titleFormat = workbook_add_format(book);
    format_set_align(titleFormat, LXW_ALIGN_CENTER);
    format_set_align(titleFormat, LXW_ALIGN_VERTICAL_CENTER);
    if (!font.isEmpty())
        format_set_font_name(titleFormat, font.constData());
    if (fontSize > 0)
        format_set_font_size(titleFormat, fontSize);
    // Excel does not grow a row for a larger font by itself.
    if (fontSize > 0)
        w.keep(worksheet_set_row(sheet, 0, fontSize * 1.3 + 2, nullptr));
    const QByteArray title = cellText(table.title);
    if (n > 1)
        w.keep(worksheet_merge_range(sheet, 0, 0, 0, lxw_col_t(n - 1), title.constData(), titleFormat));
    else
        w.keep(worksheet_write_string(sheet, 0, 0, title.constData(), titleFormat));

    // Row 2: the labels.
    lxw_format *labelFormat = workbook_add_format(book);
    format_set_border(labelFormat, LXW_BORDER_THIN);
    std::vector<int> widths(size_t(n), 0);
    for (qsizetype c = 0; c < n; ++c) {
        w.text(1, lxw_col_t(c), table.columns[c].label, labelFormat);
        widths[size_t(c)] = textWidth(table.columns[c].label);
    }

    // Each column's cell format: its kind's number format, or for a kind of
    // no format of its own the previous column's.
    std::vector<lxw_format *> formats(size_t(n), nullptr);
    std::string previous;
    for (qsizetype c = 0; c < n; ++c) {
        const std::string nf = numberFormat(table.columns[c]).value_or(previous);
        lxw_format *f = workbook_add_format(book);
        format_set_border(f, LXW_BORDER_THIN);
        if (!nf.empty())
            format_set_num_format(f, nf.c_str());
        formats[size_t(c)] = f;
        previous = nf;
    }

    // Rows 3…: the values, numbers and dates as such so that the formats apply.
    for (qsizetype r = 0; r < table.rows.size() && w.status == LXW_NO_ERROR; ++r) {
        const QVariantList &values = table.rows[r];
        const lxw_row_t row = lxw_row_t(r + 2);
        for (qsizetype c = 0; c < n; ++c) {
            const lxw_col_t col = lxw_col_t(c);
            lxw_format *f = formats[size_t(c)];
            const QVariant v = c < values.size() ? values[c] : QVariant();
            if (v.isNull() || !v.isValid()) {
                w.keep(worksheet_write_blank(sheet, row, col, f));
                continue;
            }
            const Kind kind = table.columns[c].kind;
            std::optional<double> number;
            bool asDate = false;
            switch (kind) {
            case Kind::Date:
            case Kind::DateTime:
            case Kind::Time:
                number = dateValue(v);
                asDate = number.has_value();
                break;
            case Kind::Number:
            case Kind::Integer: number = numberValue(v); break;
            case Kind::Text: break;
            case Kind::Other:
                if (isNumeric(v))
                    number = v.toDouble();
                else if (v.typeId() == QMetaType::QDate || v.typeId() == QMetaType::QDateTime
                         || v.typeId() == QMetaType::QTime) {
                    number = dateValue(v);
                    asDate = number.has_value();
                }
                break;
            }
            if (number && !std::isfinite(*number)) {
                w.keep(worksheet_write_blank(sheet, row, col, f));
                continue;
            }
            if (number)
                w.keep(worksheet_write_number(sheet, row, col, *number, f));
            else
                w.text(row, col, v.toString(), f);
            int &width = widths[size_t(c)];
            width = std::max(width, shownWidth(table.columns[c], v, number.has_value(), number.value_or(0), asDate));
        }
    }

    for (qsizetype c = 0; c < n; ++c) {
        const double width = std::clamp(widths[size_t(c)] + 2.0, minColumnWidth, maxColumnWidth);
        w.keep(worksheet_set_column(sheet, lxw_col_t(c), lxw_col_t(c), width, nullptr));
    }
    worksheet_set_selection(sheet, 0, 0, 0, 0);

    const lxw_error closed = workbook_close(book); // frees the workbook in every case
    const lxw_error status = w.status != LXW_NO_ERROR ? w.status : closed;
    if (status != LXW_NO_ERROR) {
        if (closed == LXW_NO_ERROR)
            QFile::remove(path); // an incomplete workbook is not left behind as if it were the export
        return fail(QStringLiteral("保存文件失败：%1\n%2")
                        .arg(QDir::toNativeSeparators(path), QString::fromUtf8(lxw_strerror(status))));
    }
    return true;
}

namespace {

// The hourglass while the workbook is written, when there is a screen to show it on.
class BusyCursor
{
public:
    BusyCursor()
    {
        if (qobject_cast<QGuiApplication *>(QCoreApplication::instance())) {
            QGuiApplication::setOverrideCursor(Qt::WaitCursor);
            m_set = true;
        }
    }
    ~BusyCursor()
    {
        if (m_set)
            QGuiApplication::restoreOverrideCursor();
    }
    BusyCursor(const BusyCursor &) = delete;
    BusyCursor &operator=(const BusyCursor &) = delete;

private:
    bool m_set = false;
};

// The folder of the last export in this run; the documents folder before that.
QString &exportFolder()
{
    static QString folder = [] {
        const QString docs = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
        return docs.isEmpty() ? QDir::homePath() : docs;
    }();
    return folder;
}

// A window caption as a file name: no folder separators or characters that
// other systems refuse in names.
QString fileNameOf(const QString &title)
{
    QString name = title;
    static const QRegularExpression bad(QStringLiteral("[\\\\/:*?\"<>|\\x00-\\x1f]"));
    name.replace(bad, QStringLiteral("_"));
    return name.trimmed();
}

} // namespace

void Export::ExportToExcel(const ExportTable &table, const QString &title, const QString &fontName, double fontSize)
{
    if (!App::session().hasRight(QStringLiteral("18"))) {
        prompt().info(QStringLiteral("您没有导出权！"), QStringLiteral("提示"));
        return;
    }
    QString path = prompt().saveFile(QStringLiteral("另存为"), exportFolder(), fileNameOf(title),
                                     QStringLiteral("Excel files (*.xlsx)"));
    if (path.isEmpty())
        return;
    // The file is an .xlsx workbook whatever was typed; another extension
    // would make Excel refuse or warn when opening it.
    if (QFileInfo(path).suffix().compare(QLatin1String("xlsx"), Qt::CaseInsensitive) != 0)
        path += QStringLiteral(".xlsx");
    exportFolder() = QFileInfo(path).absolutePath();

    ExportTable titled = table; // shares the rows
    titled.title = title;
    QString error;
    bool written = false;
    {
        BusyCursor busy;
        written = Export::writeWorkbook(path, titled, fontName, fontSize, &error);
    }
    if (!written)
        prompt().warn(error, QStringLiteral("提示"));
}
