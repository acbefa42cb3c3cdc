#include "system/report_engine.h"

#include "core/db/database.h"
#include "core/home.h"
#include "core/session.h"
#include "core/clock.h"
#include "system/print_format_list.h"

#include <QAbstractTextDocumentLayout>
#include <QFile>
#include <QFontMetricsF>
#include <QImage>
#include <QPainter>
#include <QPdfWriter>
#include <QRegularExpression>
#include <QSet>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextLayout>
#include <algorithm>
#include <kainjow/mustache.hpp>

namespace mu = kainjow::mustache;

namespace {

std::string utf8(const QString &s)
{
    const QByteArray b = s.toUtf8();
    return std::string(b.constData(), size_t(b.size()));
}

QString fromUtf8(const std::string &s) { return QString::fromUtf8(s.data(), qsizetype(s.size())); }

// Both spellings of every value: {{NAME}} formatted, {{NAME_raw}} as stored.
void putValues(mu::data &target, const QVariantMap &values)
{
    for (auto it = values.constBegin(); it != values.constEnd(); ++it) {
        target.set(utf8(it.key()), utf8(ReportData::formatValue(it.key(), it.value())));
        target.set(utf8(it.key() + QStringLiteral("_raw")), utf8(ReportData::rawValue(it.value())));
    }
}

mu::data objectOf(const QVariantMap &values)
{
    mu::data obj(mu::data::type::object);
    putValues(obj, values);
    return obj;
}

QString unescapeHtml(QString s)
{
    s.replace(QLatin1String("&lt;"), QLatin1String("<"));
    s.replace(QLatin1String("&gt;"), QLatin1String(">"));
    s.replace(QLatin1String("&quot;"), QLatin1String("\""));
    s.replace(QLatin1String("&apos;"), QLatin1String("'"));
    s.replace(QLatin1String("&#39;"), QLatin1String("'"));
    s.replace(QLatin1String("&amp;"), QLatin1String("&"));
    return s;
}

mu::data contextOf(const ReportData &data)
{
    mu::data root(mu::data::type::object);
    root.set("_today", utf8(Clock::today().toString(QStringLiteral("yyyy-MM-dd"))));
    root.set("_user", utf8(App::session().currentUserName));
    putValues(root, data.variables);
    root.set("header", objectOf(data.header));
    root.set("company", objectOf(data.company));
    mu::data lines(mu::data::type::list);
    int number = 0;
    for (const QVariantMap &line : data.lines) {
        mu::data row = objectOf(line);
        row.set("_no", std::to_string(++number));
        lines.push_back(row);
    }
    root.set("lines", lines);
    root.set("_count", std::to_string(data.lines.size()));
    // Column totals of the lines: {{sum.JE}}. Only columns whose every value is
    // a number take part, so a code column never gets a "total".
    QVariantMap sums;
    QSet<QString> notNumeric;
    for (const QVariantMap &line : data.lines) {
        for (auto it = line.constBegin(); it != line.constEnd(); ++it) {
            if (notNumeric.contains(it.key()) || it.value().isNull())
                continue;
            bool ok = false;
            const double v = it.value().toDouble(&ok);
            const int id = it.value().metaType().id();
            const bool numberType = id == QMetaType::Double || id == QMetaType::Float || id == QMetaType::Int ||
                                    id == QMetaType::LongLong || id == QMetaType::UInt || id == QMetaType::ULongLong;
            if (!ok || (!numberType && !ReportData::isDecimalField(it.key()))) {
                notNumeric.insert(it.key());
                sums.remove(it.key());
                continue;
            }
            sums[it.key()] = sums.value(it.key()).toDouble() + v;
        }
    }
    mu::data sumObject(mu::data::type::object);
    for (auto it = sums.constBegin(); it != sums.constEnd(); ++it)
        sumObject.set(utf8(it.key()), utf8(ReportData::formatValue(QString(), it.value())));
    root.set("sum", sumObject);
    root.set("barcode", mu::lambda2{[](const std::string &text, const mu::renderer &render) {
                 return utf8(ReportData::barcodeHtml(unescapeHtml(fromUtf8(render(text)))));
             }});
    return root;
}

// The document is laid out at 96 dots per inch whatever the screen, so that a
// template breaks into the same pages on every machine; painting scales it to
// the device.
constexpr double layoutDpi = 96.0;

QPaintDevice *layoutDevice()
{
    static QImage image = [] {
        QImage img(1, 1, QImage::Format_RGB32);
        const int dpm = qRound(layoutDpi / 0.0254);
        img.setDotsPerMeterX(dpm);
        img.setDotsPerMeterY(dpm);
        return img;
    }();
    return &image;
}

// A point-sized font as the same font in layout pixels, so that the painter's
// scale applies to it like to the document.
QFont layoutFont(QFont f)
{
    if (f.pointSizeF() > 0)
        f.setPixelSize(qMax(1, qRound(f.pointSizeF() * layoutDpi / 72.0)));
    return f;
}

struct Geometry
{
    QSizeF page;     // printable area in layout pixels
    double headerHeight = 0;
    double footerHeight = 0;
    QSizeF body() const { return {page.width(), page.height() - headerHeight - footerHeight}; }
};

Geometry geometryOf(const PrintJob &job, const QPageLayout &layout)
{
    Geometry g;
    const QRectF points = layout.paintRect(QPageLayout::Point);
    g.page = QSizeF(points.width() * layoutDpi / 72.0, points.height() * layoutDpi / 72.0);
    if (!job.decoration.header.isEmpty())
        g.headerHeight = QFontMetricsF(layoutFont(job.decoration.headerFont)).height() * 1.6;
    if (!job.decoration.footer.isEmpty())
        g.footerHeight = QFontMetricsF(layoutFont(job.decoration.footerFont)).height() * 1.6;
    // A header or footer larger than the page leaves at least a third for the body.
    const double limit = g.page.height() / 3.0;
    g.headerHeight = qMin(g.headerHeight, limit);
    g.footerHeight = qMin(g.footerHeight, limit);
    return g;
}

std::unique_ptr<QTextDocument> laidOut(const PrintJob &job, const Geometry &g)
{
    auto doc = ReportEngine::createDocument(job.html);
    doc->documentLayout()->setPaintDevice(layoutDevice());
    doc->setPageSize(g.body());
    return doc;
}

QPageSize::PageSizeId namedPaper(const QString &name)
{
    static const struct { const char *name; QPageSize::PageSizeId id; } papers[] = {
        {"A3", QPageSize::A3}, {"A4", QPageSize::A4}, {"A5", QPageSize::A5},
        {"B5", QPageSize::B5}, {"LETTER", QPageSize::Letter},
    };
    for (const auto &p : papers)
        if (name.compare(QLatin1String(p.name), Qt::CaseInsensitive) == 0)
            return p.id;
    return QPageSize::Custom;
}

QString metaContent(const QString &html, const QString &name)
{
    const QRegularExpression re(
        QStringLiteral("<meta\\s+name\\s*=\\s*[\"']%1[\"']\\s+content\\s*=\\s*[\"']([^\"']*)[\"']").arg(name),
        QRegularExpression::CaseInsensitiveOption);
    const auto m = re.match(html);
    return m.hasMatch() ? m.captured(1).trimmed() : QString();
}

} // namespace

RenderResult ReportEngine::render(const QString &templateText, const ReportData &data)
{
    RenderResult result;
    try {
        mu::mustache tmpl(utf8(templateText));
        if (!tmpl.is_valid()) {
            result.error = fromUtf8(tmpl.error_message());
            return result;
        }
        const std::string out = tmpl.render(contextOf(data));
        if (!tmpl.is_valid()) {
            result.error = fromUtf8(tmpl.error_message());
            return result;
        }
        result.html = fromUtf8(out);
    } catch (const std::exception &e) {
        result.html.clear();
        result.error = QString::fromLocal8Bit(e.what());
    } catch (...) {
        result.html.clear();
        result.error = QStringLiteral("打印格式无法解析");
    }
    return result;
}

QString ReportEngine::templatePath(const QString &code)
{
    // DM is declared without regard to ASCII case, so "skd" finds "SKD".
    QSqlQuery q = Db::execSql(QStringLiteral("SELECT DZ FROM gg_dj WHERE DM = ?"), {code});
    if (!q.next())
        return QString();
    return PrintFormatList::templateFile(q.value(0).toString());
}

QString ReportEngine::assignTemplateFile(const QString &code)
{
    const QString existing = templatePath(code);
    if (!existing.isEmpty())
        return existing;
    if (!Db::scalarSql(QStringLiteral("SELECT 1 FROM gg_dj WHERE DM = ?"), {code}).isValid())
        return QString();
    const QString name = PrintFormatList::proposedFileName(code);
    if (name.isEmpty())
        return QString();
    Db::execSql(QStringLiteral("UPDATE gg_dj SET DZ = ? WHERE DM = ?"), {name, code});
    return PrintFormatList::templateFile(name);
}

QString ReportEngine::loadTemplate(const QString &code)
{
    const QString path = templatePath(code);
    if (path.isEmpty())
        return QString();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    return QString::fromUtf8(file.readAll());
}

QFont ReportEngine::defaultFont()
{
    QFont f(QString::fromLatin1(fontFamily));
    f.setPointSizeF(10.5);
    // Shaped with its OpenType features, this font draws digits that follow a
    // letter ("SKD001") with glyphs outside its character map, and a PDF then
    // loses them from its text: searching and copying the number fail.
    f.setStyleStrategy(QFont::PreferNoShaping);
    return f;
}

std::unique_ptr<QTextDocument> ReportEngine::createDocument(const QString &html)
{
    auto doc = std::make_unique<QTextDocument>();
    doc->setDefaultFont(defaultFont());
    doc->setHtml(html);
    return doc;
}

QPageLayout ReportEngine::pageLayout(const QPageSize &size, QPageLayout::Orientation orientation)
{
    return QPageLayout(size, orientation, QMarginsF(10, 10, 10, 10), QPageLayout::Millimeter);
}

QPageLayout ReportEngine::pageLayoutFor(const QString &html)
{
    QPageSize size(QPageSize::A4);
    const QString paper = metaContent(html, QStringLiteral("paper"));
    if (!paper.isEmpty()) {
        const QPageSize::PageSizeId id = namedPaper(paper);
        if (id != QPageSize::Custom) {
            size = QPageSize(id);
        } else {
            static const QRegularExpression mm(QStringLiteral("^(\\d+(?:\\.\\d+)?)\\s*[xX*×]\\s*(\\d+(?:\\.\\d+)?)\\s*(?:mm)?$"));
            const auto m = mm.match(paper);
            if (m.hasMatch()) {
                const QSizeF s(m.captured(1).toDouble(), m.captured(2).toDouble());
                if (s.width() >= 30 && s.height() >= 30 && s.width() <= 2000 && s.height() <= 2000)
                    size = QPageSize(s, QPageSize::Millimeter, QString(), QPageSize::ExactMatch);
            }
        }
    }
    const bool landscape =
        metaContent(html, QStringLiteral("orientation")).compare(QLatin1String("landscape"), Qt::CaseInsensitive) == 0;
    return pageLayout(size, landscape ? QPageLayout::Landscape : QPageLayout::Portrait);
}

PrintJob ReportEngine::documentJob(const QString &title, const QString &html)
{
    PrintJob job;
    job.title = title;
    job.html = html;
    job.layout = pageLayoutFor(html);
    return job;
}

int ReportEngine::pageCount(const PrintJob &job)
{
    const Geometry g = geometryOf(job, job.layout);
    return laidOut(job, g)->pageCount();
}

QList<int> ReportEngine::pagesContaining(const PrintJob &job, const QString &text)
{
    QList<int> pages;
    if (text.isEmpty())
        return pages;
    const Geometry g = geometryOf(job, job.layout);
    auto doc = laidOut(job, g);
    const double pageHeight = g.body().height();
    QTextCursor found = doc->find(text);
    while (!found.isNull()) {
        const QTextBlock block = found.block();
        QRectF rect = doc->documentLayout()->blockBoundingRect(block);
        if (QTextLayout *layout = block.layout()) {
            const QTextLine line = layout->lineForTextPosition(found.selectionStart() - block.position());
            if (line.isValid())
                rect.translate(0, line.y());
        }
        const int page = qMax(0, int(rect.top() / pageHeight));
        if (pages.isEmpty() || pages.last() != page)
            pages.append(page);
        found = doc->find(text, found);
    }
    std::sort(pages.begin(), pages.end());
    pages.erase(std::unique(pages.begin(), pages.end()), pages.end());
    return pages;
}

int ReportEngine::paint(const PrintJob &job, QPagedPaintDevice *device)
{
    if (!device)
        return 0;
    const Geometry g = geometryOf(job, device->pageLayout());
    if (g.page.isEmpty() || g.body().height() <= 0)
        return 0;
    auto doc = laidOut(job, g);
    QPainter painter;
    if (!painter.begin(device))
        return 0;
    const double sx = device->width() / g.page.width();
    const double sy = device->height() / g.page.height();
    const QSizeF body = g.body();
    const int pages = doc->pageCount();
    const PageDecoration &deco = job.decoration;
    for (int page = 0; page < pages; ++page) {
        if (page > 0 && !device->newPage())
            break;
        painter.save();
        painter.scale(sx, sy);
        painter.setPen(Qt::black);
        if (!deco.header.isEmpty()) {
            painter.setFont(layoutFont(deco.headerFont));
            painter.drawText(QRectF(0, 0, g.page.width(), g.headerHeight),
                             int(deco.headerAlignment | Qt::AlignVCenter) | Qt::TextSingleLine, deco.header);
        }
        if (!deco.footer.isEmpty()) {
            QString footer = deco.footer;
            footer.replace(QLatin1String("[PAGE#]"), QString::number(page + 1));
            painter.setFont(layoutFont(deco.footerFont));
            painter.drawText(QRectF(0, g.page.height() - g.footerHeight, g.page.width(), g.footerHeight),
                             int(deco.footerAlignment | Qt::AlignVCenter) | Qt::TextSingleLine, footer);
        }
        // The body: the slice of the long laid-out document that falls on this page.
        const QRectF view(0, page * body.height(), body.width(), body.height());
        painter.translate(0, g.headerHeight - view.top());
        painter.setClipRect(view);
        QAbstractTextDocumentLayout::PaintContext ctx;
        ctx.clip = view;
        ctx.palette.setColor(QPalette::Text, Qt::black);
        doc->documentLayout()->draw(&painter, ctx);
        painter.restore();
    }
    painter.end();
    return pages;
}

bool ReportEngine::printToPdf(const PrintJob &job, const QString &pdfPath)
{
    QPdfWriter writer(pdfPath);
    writer.setResolution(300);
    writer.setTitle(job.title);
    writer.setCreator(QStringLiteral("helan"));
    if (!writer.setPageLayout(job.layout))
        return false;
    return paint(job, &writer) > 0;
}

bool ReportEngine::printToPdf(const QString &html, const QString &pdfPath, const QPageSize &pageSize,
                              QPageLayout::Orientation orientation)
{
    PrintJob job;
    job.html = html;
    job.layout = pageLayout(pageSize, orientation);
    return printToPdf(job, pdfPath);
}

QString ReportEngine::formatName(const QString &code)
{
    const QVariant name = Db::scalarSql(QStringLiteral("SELECT MC FROM gg_dj WHERE DM = ?"), {code});
    return name.isValid() && !name.toString().isEmpty() ? name.toString() : code;
}
