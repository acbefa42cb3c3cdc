#pragma once
#include "system/report_data.h"

#include <QFont>
#include <QPageLayout>
#include <QString>
#include <memory>

class QPagedPaintDevice;
class QTextDocument;

struct RenderResult
{
    QString html;
    QString error; // the template's fault, for the designer's status line; empty when rendered
    bool ok() const { return error.isEmpty(); }
};

// Text drawn on every page outside the document's own flow.
struct PageDecoration
{
    QString header;
    Qt::Alignment headerAlignment = Qt::AlignLeft;
    // "[PAGE#]" stands for the page number.
    QString footer;
    Qt::Alignment footerAlignment = Qt::AlignHCenter;
    QFont headerFont;
    QFont footerFont;
};

// One thing to print: the rendered HTML, its paper and the per-page texts.
struct PrintJob
{
    QString title;
    QString html;
    QPageLayout layout;
    PageDecoration decoration;
};

// Print templates: HTML with Mustache tags in PrintFormat/, named by gg_dj.
class ReportEngine
{
public:
    static constexpr const char *fontFamily = "Noto Sans CJK SC";

    // Fills the template. A template fault comes back as error text, never as
    // an exception.
    static RenderResult render(const QString &templateText, const ReportData &data);

    // The template file of a print code (gg_dj.DM, any case): PrintFormat/ + DZ.
    // Empty when the code has no row or the row no file name. Only the file
    // name of DZ counts: a template is always looked for in PrintFormat/.
    static QString templatePath(const QString &code);
    // The file the designer writes for a code whose row names none yet: the
    // row gets "<code>.html" (lower case). Empty when the code has no row.
    static QString assignTemplateFile(const QString &code);
    // The template text; a missing row, file name or file gives an empty
    // template (an empty page), which is not an error.
    static QString loadTemplate(const QString &code);
    // The name of a print code (gg_dj.MC), or the code itself when it has none.
    static QString formatName(const QString &code);

    static QFont defaultFont();
    // A document for the HTML with the program's CJK font as its default.
    static std::unique_ptr<QTextDocument> createDocument(const QString &html);

    // The paper a template asks for through <meta name="paper" content="A5">
    // (A3, A4, A5, B5, Letter or "241x140" in millimetres) and
    // <meta name="orientation" content="landscape">; A4 portrait otherwise.
    static QPageLayout pageLayoutFor(const QString &html);
    static QPageLayout pageLayout(const QPageSize &size, QPageLayout::Orientation orientation);

    // A job for a rendered template.
    static PrintJob documentJob(const QString &title, const QString &html);

    // Lays the job out on the device's current page layout and paints every
    // page with its header and footer. Returns the number of pages, 0 when
    // the device cannot be painted on.
    static int paint(const PrintJob &job, QPagedPaintDevice *device);
    // Number of pages the job takes on the given layout (for previews and tests).
    static int pageCount(const PrintJob &job);

    // The pages (0-based, ascending) on which the text occurs, for the preview's search.
    static QList<int> pagesContaining(const PrintJob &job, const QString &text);

    static bool printToPdf(const PrintJob &job, const QString &pdfPath);
    static bool printToPdf(const QString &html, const QString &pdfPath,
                           const QPageSize &pageSize = QPageSize(QPageSize::A4),
                           QPageLayout::Orientation orientation = QPageLayout::Portrait);
};
