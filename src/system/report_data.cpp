#include "system/report_data.h"

#include "core/db/database.h"
#include "core/db/schema.h"
#include "core/text/money.h"

#include <QBuffer>
#include <QHash>
#include <QImage>
#include <QSet>
#include <QSqlField>
#include <QSqlQuery>
#include <QSqlRecord>
#include <cmath>
#include <zint.h>

namespace {

struct ColumnInfo
{
    QString spelling;
    bool decimal = false;
    bool date = false;
};

// Column names across all tables, keyed by upper case. A name that is a
// decimal in one table and text in another is not treated as a number, so a
// text column is never reformatted by accident; a whole-number column of the
// same name elsewhere does not spoil it.
const QHash<QString, ColumnInfo> &columnInfo()
{
    static const QHash<QString, ColumnInfo> info = [] {
        QHash<QString, ColumnInfo> map;
        QSet<QString> decimal, text, date;
        for (const Schema::Table &t : Schema::tables()) {
            for (const Schema::Column &c : t.columns) {
                const QString name = QString::fromLatin1(c.name);
                const QString key = name.toUpper();
                if (!map.contains(key))
                    map.insert(key, ColumnInfo{name});
                if (c.type == Schema::Type::Decimal)
                    decimal.insert(key);
                else if (c.type == Schema::Type::Text)
                    text.insert(key);
                else if (c.type == Schema::Type::DateTime)
                    date.insert(key);
            }
        }
        for (auto it = map.begin(); it != map.end(); ++it) {
            it->decimal = decimal.contains(it.key()) && !text.contains(it.key());
            // Only ISO text is cut to its date, so a text column of the same name is safe.
            it->date = date.contains(it.key());
        }
        return map;
    }();
    return info;
}

QString schemaSpelling(const QString &name)
{
    const auto it = columnInfo().constFind(name.toUpper());
    return it == columnInfo().constEnd() ? name : it->spelling;
}

// Paper shows amounts exactly as the grids do.
QString money(double v) { return Money::formatMoney(v); }

bool isFloating(const QVariant &v)
{
    const int id = v.metaType().id();
    return id == QMetaType::Double || id == QMetaType::Float;
}

bool isInteger(const QVariant &v)
{
    switch (v.metaType().id()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Long:
    case QMetaType::ULong:
    case QMetaType::Short:
    case QMetaType::UShort:
        return true;
    default:
        return false;
    }
}

} // namespace

void ReportData::loadCompany()
{
    QSqlQuery q = Db::execSql(QStringLiteral("SELECT * FROM bm_gsxx LIMIT 1"));
    company = q.next() ? rowFrom(q.record()) : QVariantMap();
}

QVariantMap ReportData::rowFrom(const QSqlRecord &record)
{
    QVariantMap row;
    for (int i = 0; i < record.count(); ++i)
        row.insert(schemaSpelling(record.fieldName(i)), record.value(i));
    return row;
}

QList<QVariantMap> ReportData::rowsFrom(QSqlQuery &query)
{
    QList<QVariantMap> rows;
    while (query.next())
        rows.append(rowFrom(query.record()));
    return rows;
}

ReportData ReportData::fromQuery(QSqlQuery &query)
{
    ReportData data;
    data.lines = rowsFrom(query);
    return data;
}

QString ReportData::formatValue(const QString &field, const QVariant &value)
{
    if (!value.isValid() || value.isNull())
        return QString();
    const auto info = columnInfo().constFind(field.toUpper());
    const bool decimalColumn = info != columnInfo().constEnd() && info->decimal;
    const bool dateColumn = info != columnInfo().constEnd() && info->date;

    if (isFloating(value))
        return money(value.toDouble());
    if (isInteger(value))
        return decimalColumn ? money(value.toDouble()) : value.toString();
    switch (value.metaType().id()) {
    case QMetaType::QDate:
        return value.toDate().toString(QStringLiteral("yyyy-MM-dd"));
    case QMetaType::QDateTime:
        return value.toDateTime().toString(QStringLiteral("yyyy-MM-dd"));
    case QMetaType::Bool:
        return value.toBool() ? QStringLiteral("1") : QStringLiteral("0");
    default:
        break;
    }
    const QString text = value.toString();
    if (decimalColumn) {
        bool ok = false;
        const double d = text.toDouble(&ok);
        return ok ? money(d) : text;
    }
    // Date columns keep ISO text; the date part is what a printed form shows.
    if (dateColumn && text.size() > 10 && text.at(4) == QLatin1Char('-') &&
        (text.at(10) == QLatin1Char(' ') || text.at(10) == QLatin1Char('T')))
        return text.left(10);
    return text;
}

bool ReportData::isDecimalField(const QString &field)
{
    const auto it = columnInfo().constFind(field.toUpper());
    return it != columnInfo().constEnd() && it->decimal;
}

QString ReportData::rawValue(const QVariant &value)
{
    if (!value.isValid() || value.isNull())
        return QString();
    if (isFloating(value))
        return QString::number(value.toDouble(), 'g', 15);
    switch (value.metaType().id()) {
    case QMetaType::QDate:
        return value.toDate().toString(Qt::ISODate);
    case QMetaType::QDateTime:
        return value.toDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    default:
        return value.toString();
    }
}

QByteArray ReportData::barcodePng(const QString &text, int heightModules)
{
    if (text.isEmpty())
        return {};
    struct zint_symbol *symbol = ZBarcode_Create();
    if (!symbol)
        return {};
    symbol->symbology = BARCODE_CODE128;
    symbol->input_mode = UNICODE_MODE;
    symbol->height = float(heightModules);
    symbol->scale = 1.0f;
    // The digits under the bars would be drawn at bitmap resolution and blur when
    // scaled; a template prints the value as text where it wants it.
    symbol->show_hrt = 0;
    const QByteArray utf8 = text.toUtf8();
    const int rc = ZBarcode_Encode_and_Buffer(symbol, reinterpret_cast<const unsigned char *>(utf8.constData()),
                                              int(utf8.size()), 0);
    QByteArray png;
    if (rc < ZINT_ERROR && symbol->bitmap && symbol->bitmap_width > 0 && symbol->bitmap_height > 0) {
        QImage image(symbol->bitmap_width, symbol->bitmap_height, QImage::Format_RGB888);
        for (int y = 0; y < symbol->bitmap_height; ++y)
            memcpy(image.scanLine(y), symbol->bitmap + size_t(y) * symbol->bitmap_width * 3,
                   size_t(symbol->bitmap_width) * 3);
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        if (!image.save(&buffer, "PNG"))
            png.clear();
    }
    ZBarcode_Delete(symbol);
    return png;
}

QString ReportData::barcodeHtml(const QString &text)
{
    const QString value = text.trimmed();
    const QByteArray png = barcodePng(value);
    QImage image;
    if (png.isEmpty() || !image.loadFromData(png))
        return value.toHtmlEscaped();
    // zint draws two pixels a module; shown at half size a module is one
    // layout pixel (about 0.26 mm), narrow enough for a receipt, wide enough for scanners.
    return QStringLiteral("<img src=\"data:image/png;base64,%1\" width=\"%2\" height=\"%3\" alt=\"%4\">")
        .arg(QString::fromLatin1(png.toBase64()))
        .arg((image.width() + 1) / 2)
        .arg((image.height() + 1) / 2)
        .arg(value.toHtmlEscaped());
}
