#pragma once
#include "system/report_engine.h"

#include <QDialog>
#include <QPointer>
#include <memory>

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPrintPreviewDialog;
class QPrintPreviewWidget;
class QPrinter;
class QTextBrowser;
class QTextDocument;
class QTimer;

// The print preview: zoom, page setup, print, "保存PDF" and a search box.
class ReportPreview
{
public:
    // A preview dialog for the job, set up but not shown (tests look inside).
    static QPrintPreviewDialog *create(const PrintJob &job, QWidget *parent = nullptr);
    // Shows the preview modally.
    static void show(const PrintJob &job, QWidget *parent = nullptr);
    // Prints at once on the default printer. False with the reason when there
    // is no printer or nothing could be printed.
    static bool printDirect(const PrintJob &job, QString *error);
    // Writes the job as a PDF file.
    static bool savePdf(const PrintJob &job, const QString &file);
};

// The template designer: the template source beside a live preview of the
// current data, re-rendered shortly after each edit. A template fault is
// shown in the status line and the last good preview stays.
class ReportDesigner : public QDialog
{
    Q_OBJECT
public:
    ReportDesigner(const QString &templateFile, const ReportData &data, QWidget *parent = nullptr);
    ~ReportDesigner() override;

    // The designer on the template of a print code (gg_dj.DM).
    static ReportDesigner *forCode(const QString &code, const ReportData &data, QWidget *parent = nullptr);

    QString templateFile() const { return m_file; }
    QString templateText() const;
    void setTemplateText(const QString &text);
    // Renders now instead of after the pause.
    void refresh();
    // Writes the template file; shows "保存成功！" or "保存失败！".
    bool save();
    bool isModified() const;
    QString status() const;
    QTextBrowser *previewBrowser() const { return m_browser; }

protected:
    void reject() override;

private:
    bool confirmClose();

    QString m_file;
    QString m_savedText;
    ReportData m_data;
    QPlainTextEdit *m_edit = nullptr;
    QTextBrowser *m_browser = nullptr;
    QLabel *m_status = nullptr;
    QTimer *m_timer = nullptr;
    std::unique_ptr<QTextDocument> m_previewDoc;
};
