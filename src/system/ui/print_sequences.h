#pragma once
#include "system/report_engine.h"
#include "system/table_report.h"

#include <QString>
#include <vector>

// Where a print goes: the preview window or the default printer. The program
// uses the Qt dialogs; tests install a recorder and see which way was taken.
class PrintOutput
{
public:
    virtual ~PrintOutput() = default;
    virtual void preview(const PrintJob &job) = 0;
    // Prints at once on the default printer, all pages, one copy. False with
    // the reason when nothing could be printed.
    virtual bool print(const PrintJob &job, QString *error) = 0;
};

// QPrintPreviewDialog and the default QPrinter.
class DialogPrintOutput : public PrintOutput
{
public:
    void preview(const PrintJob &job) override;
    bool print(const PrintJob &job, QString *error) override;
};

// Records every job; writes each one as a PDF when a folder is given.
class RecordingPrintOutput : public PrintOutput
{
public:
    struct Entry
    {
        bool previewed; // false: printed directly
        PrintJob job;
        QString pdf;
    };

    explicit RecordingPrintOutput(const QString &pdfFolder = QString()) : m_pdfFolder(pdfFolder) {}
    void preview(const PrintJob &job) override { record(true, job); }
    bool print(const PrintJob &job, QString *error) override;

    std::vector<Entry> entries;
    // Makes direct printing fail with this reason (no printer, printer off).
    QString printFailure;

private:
    void record(bool previewed, const PrintJob &job);
    QString m_pdfFolder;
};

// The installed output; the dialogs unless a test installed its own.
PrintOutput &printOutput();
// Passing nullptr restores the dialogs. The caller keeps ownership.
void installPrintOutput(PrintOutput *output);

// Prints a document (receipt, top-up, redemption, trade documents) through
// the template of its print code: preview, or straight to the default
// printer when [xsd] yl is "T"; then "打印成功". The company row is added
// when the data has none. A template fault is shown and nothing is printed;
// returns whether the print went out.
bool printDocument(const QString &code, const ReportData &data, const QString &title = QString());

// Prints a query window's result: the template of its code in the preview,
// then "打印成功". When the template cannot be used, the window's grid is
// printed as a plain landscape A4 table titled with the caption, silently.
void printQuery(const QString &code, const ReportData &data, const QString &caption, const TableData &fallback);

// The plain grid print: a framed table in the preview.
void printTable(const TableData &table, const TablePrintOptions &options);
