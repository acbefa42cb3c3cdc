#include "system/ui/report_preview.h"

#include "core/prompt.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QPushButton>
#include <QScrollBar>
#include <QSplitter>
#include <QTextBrowser>
#include <QTextDocument>
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>

namespace {

// The job as the preview's printer now has it (the user may have changed the page setup).
PrintJob onPrinter(const PrintJob &job, QPrinter *printer)
{
    PrintJob j = job;
    if (printer)
        j.layout = printer->pageLayout();
    return j;
}

QString safeFileName(QString name)
{
    static const QString forbidden = QStringLiteral("\\/:*?\"<>|");
    for (QChar &c : name)
        if (forbidden.contains(c))
            c = QLatin1Char('_');
    return name.trimmed().isEmpty() ? QStringLiteral("报表") : name.trimmed();
}

} // namespace

QPrintPreviewDialog *ReportPreview::create(const PrintJob &job, QWidget *parent)
{
    auto *dialog = new QPrintPreviewDialog(parent);
    dialog->setObjectName(QStringLiteral("ReportPreview"));
    dialog->setWindowTitle(job.title.isEmpty() ? QStringLiteral("打印预览") : job.title);
    dialog->setAttribute(Qt::WA_DeleteOnClose, false);
    QPrinter *printer = dialog->printer();
    printer->setPageLayout(job.layout);
    printer->setDocName(job.title);
    QObject::connect(dialog, &QPrintPreviewDialog::paintRequested, dialog,
                     [job](QPrinter *p) { ReportEngine::paint(onPrinter(job, p), p); });

    QToolBar *bar = dialog->findChild<QToolBar *>();
    auto *previewWidget = dialog->findChild<QPrintPreviewWidget *>();
    if (!bar)
        return dialog;
    bar->addSeparator();
    QAction *savePdf = bar->addAction(QStringLiteral("保存PDF"));
    savePdf->setObjectName(QStringLiteral("savePdfAction"));
    QObject::connect(savePdf, &QAction::triggered, dialog, [dialog, job] {
        const QString file = prompt().saveFile(QStringLiteral("保存PDF"), QDir::homePath(),
                                               safeFileName(job.title) + QStringLiteral(".pdf"),
                                               QStringLiteral("PDF 文件 (*.pdf)"));
        if (file.isEmpty())
            return;
        if (ReportPreview::savePdf(onPrinter(job, dialog->printer()), file))
            prompt().info(QStringLiteral("保存成功！"));
        else
            prompt().warn(QStringLiteral("保存失败！"));
    });

    bar->addSeparator();
    auto *findEdit = new QLineEdit(bar);
    findEdit->setObjectName(QStringLiteral("findEdit"));
    findEdit->setPlaceholderText(QStringLiteral("查找内容"));
    findEdit->setMaximumWidth(160);
    bar->addWidget(findEdit);
    QAction *find = bar->addAction(QStringLiteral("查找"));
    find->setObjectName(QStringLiteral("findAction"));
    // Goes to the next page after the current one that holds the text, wrapping round.
    auto findNext = [dialog, job, findEdit, previewWidget] {
        const QString text = findEdit->text();
        if (text.isEmpty() || !previewWidget)
            return;
        const QList<int> pages = ReportEngine::pagesContaining(onPrinter(job, dialog->printer()), text);
        if (pages.isEmpty()) {
            prompt().info(QStringLiteral("没有找到“%1”").arg(text));
            return;
        }
        const int current = previewWidget->currentPage() - 1;
        int target = pages.first();
        for (int p : pages)
            if (p > current) {
                target = p;
                break;
            }
        previewWidget->setCurrentPage(target + 1);
    };
    QObject::connect(find, &QAction::triggered, dialog, findNext);
    QObject::connect(findEdit, &QLineEdit::returnPressed, dialog, findNext);
    return dialog;
}

void ReportPreview::show(const PrintJob &job, QWidget *parent)
{
    std::unique_ptr<QPrintPreviewDialog> dialog(create(job, parent ? parent : QApplication::activeWindow()));
    dialog->exec();
}

bool ReportPreview::printDirect(const PrintJob &job, QString *error)
{
    QPrinter printer(QPrinter::HighResolution);
    if (printer.outputFormat() != QPrinter::NativeFormat || printer.printerName().isEmpty()) {
        if (error)
            *error = QStringLiteral("没有可用的打印机");
        return false;
    }
    printer.setPageLayout(job.layout);
    printer.setDocName(job.title);
    printer.setCopyCount(1);
    printer.setPrintRange(QPrinter::AllPages);
    if (ReportEngine::paint(onPrinter(job, &printer), &printer) == 0) {
        if (error)
            *error = QStringLiteral("打印机“%1”无法打印").arg(printer.printerName());
        return false;
    }
    return true;
}

bool ReportPreview::savePdf(const PrintJob &job, const QString &file)
{
    return ReportEngine::printToPdf(job, file);
}

// ---------------------------------------------------------------------------

ReportDesigner::ReportDesigner(const QString &templateFile, const ReportData &data, QWidget *parent)
    : QDialog(parent), m_file(templateFile), m_data(data)
{
    setObjectName(QStringLiteral("ReportDesigner"));
    setWindowTitle(QStringLiteral("报表设计 - %1").arg(QFileInfo(templateFile).fileName()));
    setWindowFlags(windowFlags() | Qt::WindowMaximizeButtonHint | Qt::WindowMinimizeButtonHint);
    resize(1100, 720);
    if (m_data.company.isEmpty()) {
        try {
            m_data.loadCompany();
        } catch (const std::exception &) {
            // A designer without the company row still edits; the preview shows it empty.
        }
    }

    m_edit = new QPlainTextEdit(this);
    m_edit->setObjectName(QStringLiteral("templateEdit"));
    m_edit->setLineWrapMode(QPlainTextEdit::NoWrap);
    QFont mono(QStringLiteral("Noto Sans Mono CJK SC"));
    mono.setStyleHint(QFont::Monospace);
    mono.setPointSize(10);
    m_edit->setFont(mono);

    m_browser = new QTextBrowser(this);
    m_browser->setObjectName(QStringLiteral("previewBrowser"));
    m_browser->setOpenLinks(false);

    auto *splitter = new QSplitter(Qt::Horizontal, this);
    splitter->setObjectName(QStringLiteral("designerSplitter"));
    splitter->addWidget(m_edit);
    splitter->addWidget(m_browser);
    splitter->setStretchFactor(0, 1);
    splitter->setStretchFactor(1, 1);

    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("statusLabel"));
    m_status->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_status->setWordWrap(true);

    auto *saveButton = new QPushButton(QStringLiteral("保存"), this);
    saveButton->setObjectName(QStringLiteral("saveButton"));
    auto *closeButton = new QPushButton(QStringLiteral("退出"), this);
    closeButton->setObjectName(QStringLiteral("closeButton"));
    connect(saveButton, &QPushButton::clicked, this, [this] { save(); });
    connect(closeButton, &QPushButton::clicked, this, &QDialog::close);

    auto *bottom = new QHBoxLayout;
    bottom->addWidget(m_status, 1);
    bottom->addWidget(saveButton);
    bottom->addWidget(closeButton);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(splitter, 1);
    layout->addLayout(bottom);

    m_timer = new QTimer(this);
    m_timer->setObjectName(QStringLiteral("renderTimer"));
    m_timer->setSingleShot(true);
    m_timer->setInterval(400);
    connect(m_timer, &QTimer::timeout, this, &ReportDesigner::refresh);
    connect(m_edit, &QPlainTextEdit::textChanged, m_timer, qOverload<>(&QTimer::start));

    QString text;
    QFile f(m_file);
    if (!m_file.isEmpty() && f.open(QIODevice::ReadOnly))
        text = QString::fromUtf8(f.readAll());
    m_edit->setPlainText(text);
    m_savedText = text;
    refresh();
}

ReportDesigner::~ReportDesigner()
{
    // The browser shows a document this window owns; detach it before both go.
    if (m_browser)
        m_browser->setDocument(new QTextDocument(m_browser));
}

ReportDesigner *ReportDesigner::forCode(const QString &code, const ReportData &data, QWidget *parent)
{
    QString file = ReportEngine::templatePath(code);
    if (file.isEmpty())
        file = ReportEngine::assignTemplateFile(code);
    return new ReportDesigner(file, data, parent);
}

QString ReportDesigner::templateText() const { return m_edit->toPlainText(); }

void ReportDesigner::setTemplateText(const QString &text) { m_edit->setPlainText(text); }

bool ReportDesigner::isModified() const { return templateText() != m_savedText; }

QString ReportDesigner::status() const { return m_status->text(); }

void ReportDesigner::refresh()
{
    m_timer->stop();
    RenderResult r;
    try {
        r = ReportEngine::render(templateText(), m_data);
    } catch (const std::exception &e) {
        r.error = QString::fromLocal8Bit(e.what());
    }
    if (!r.ok()) {
        m_status->setText(QStringLiteral("格式错误：%1").arg(r.error));
        m_status->setStyleSheet(QStringLiteral("color: #b00000"));
        return;
    }
    const int scroll = m_browser->verticalScrollBar()->value();
    // The document is ours, not the browser's child, so pictures inside the
    // template (bar codes as data: addresses) load as they do when printed.
    auto doc = ReportEngine::createDocument(r.html);
    m_browser->setDocument(doc.get());
    m_previewDoc = std::move(doc);
    m_browser->verticalScrollBar()->setValue(scroll);
    m_status->setStyleSheet(QString());
    const PrintJob job = ReportEngine::documentJob(windowTitle(), r.html);
    m_status->setText(QStringLiteral("共 %1 页").arg(ReportEngine::pageCount(job)));
}

bool ReportDesigner::save()
{
    bool ok = false;
    if (!m_file.isEmpty()) {
        QDir().mkpath(QFileInfo(m_file).absolutePath());
        QFile f(m_file);
        if (f.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
            const QByteArray bytes = templateText().toUtf8();
            ok = f.write(bytes) == bytes.size();
            ok = f.flush() && ok;
            f.close();
        }
    }
    if (ok) {
        m_savedText = templateText();
        prompt().info(QStringLiteral("保存成功！"));
    } else {
        prompt().info(QStringLiteral("保存失败！"));
    }
    return ok;
}

bool ReportDesigner::confirmClose()
{
    if (!isModified())
        return true;
    switch (prompt().question(QStringLiteral("当前还没有保存，是否现在保存？"), QStringLiteral("提示"),
                              Prompt::YesNoCancel)) {
    case Prompt::Answer::Yes:
        return save();
    case Prompt::Answer::No:
        return true;
    default:
        return false;
    }
}

void ReportDesigner::reject()
{
    // 退出, Escape and the window's close button all come here.
    if (confirmClose())
        QDialog::reject();
}
