#include "system/ui/print_sequences.h"

#include "core/db/database.h"
#include "core/prompt.h"
#include "core/session.h"
#include "core/settings.h"
#include "system/ui/report_preview.h"

#include <QDir>

namespace {

PrintOutput *installed = nullptr;

ReportData withCompany(const ReportData &data)
{
    ReportData d = data;
    if (d.company.isEmpty())
        d.loadCompany();
    return d;
}

QString codeTitle(const QString &code, const QString &title)
{
    if (!title.isEmpty())
        return title;
    return ReportEngine::formatName(code);
}

} // namespace

void DialogPrintOutput::preview(const PrintJob &job) { ReportPreview::show(job); }

bool DialogPrintOutput::print(const PrintJob &job, QString *error) { return ReportPreview::printDirect(job, error); }

bool RecordingPrintOutput::print(const PrintJob &job, QString *error)
{
    if (!printFailure.isEmpty()) {
        if (error)
            *error = printFailure;
        return false;
    }
    record(false, job);
    return true;
}

void RecordingPrintOutput::record(bool previewed, const PrintJob &job)
{
    Entry e{previewed, job, QString()};
    if (!m_pdfFolder.isEmpty()) {
        e.pdf = QDir(m_pdfFolder).filePath(QStringLiteral("print%1.pdf").arg(entries.size() + 1));
        if (!ReportEngine::printToPdf(job, e.pdf))
            e.pdf.clear();
    }
    entries.push_back(std::move(e));
}

PrintOutput &printOutput()
{
    static DialogPrintOutput dialogs;
    return installed ? *installed : dialogs;
}

void installPrintOutput(PrintOutput *output) { installed = output; }

bool printDocument(const QString &code, const ReportData &data, const QString &title)
{
    const bool direct =
        App::settings().value(QStringLiteral("xsd"), QStringLiteral("yl"), QStringLiteral("F")) == QLatin1String("T");
    RenderResult rendered;
    QString name;
    try {
        name = codeTitle(code, title);
        rendered = ReportEngine::render(ReportEngine::loadTemplate(code), withCompany(data));
    } catch (const DbError &e) {
        rendered.error = e.text();
    }
    // A faulty template must not end in "打印成功" with nothing printed.
    if (!rendered.ok()) {
        prompt().warn(QStringLiteral("打印格式有误，无法打印：%1").arg(rendered.error));
        return false;
    }
    const PrintJob job = ReportEngine::documentJob(name, rendered.html);
    if (!direct) {
        printOutput().preview(job);
    } else {
        QString error;
        if (!printOutput().print(job, &error)) {
            prompt().warn(QStringLiteral("打印失败：%1").arg(error));
            return false;
        }
    }
    prompt().plain(QStringLiteral("打印成功"));
    return true;
}

void printQuery(const QString &code, const ReportData &data, const QString &caption, const TableData &fallback)
{
    RenderResult rendered;
    try {
        rendered = ReportEngine::render(ReportEngine::loadTemplate(code), withCompany(data));
    } catch (const std::exception &e) {
        rendered.error = QString::fromLocal8Bit(e.what());
    }
    if (rendered.ok()) {
        printOutput().preview(ReportEngine::documentJob(caption, rendered.html));
        prompt().plain(QStringLiteral("打印成功"));
        return;
    }
    TablePrintOptions options;
    options.title = caption;
    options.titleAlignment = 0;
    options.landscape = true;
    options.paper = 9;
    printTable(fallback, options);
}

void printTable(const TableData &table, const TablePrintOptions &options)
{
    printOutput().preview(TableReport::job(table, options));
}
