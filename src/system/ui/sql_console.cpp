#include "system/ui/sql_console.h"

#include "core/home.h"
#include "core/prompt.h"
#include "core/session.h"
#include "core/text/text_utils.h"
#include "system/sql_console.h"

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QSaveFile>
#include <QScrollBar>
#include <QStringDecoder>
#include <QVBoxLayout>

namespace {
QString fileFilter() { return QStringLiteral("文本文件 (*.txt)"); }

// Statement files from older installations are GBK; ours are UTF-8.
QString decodeText(const QByteArray &bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString text = utf8.decode(bytes);
    return utf8.hasError() ? Text::fromGbk(bytes) : text;
}
}

TSQL_YJ *TSQL_YJ::instance()
{
    static QPointer<TSQL_YJ> window;
    if (!window) {
        window = new TSQL_YJ;
        QObject::connect(qApp, &QCoreApplication::aboutToQuit, window, &QObject::deleteLater);
    }
    return window;
}

TSQL_YJ::TSQL_YJ(QWidget *parent) : QWidget(parent, Qt::Window | Qt::WindowStaysOnTopHint)
{
    setObjectName(QStringLiteral("TSQL_YJ"));
    setWindowTitle(QStringLiteral("数据分析工具"));

    auto *buttons = new QHBoxLayout;
    auto button = [&](const char *name, const QString &text, void (TSQL_YJ::*slot)()) {
        auto *b = new QPushButton(text, this);
        b->setObjectName(QString::fromLatin1(name));
        // The buttons take no focus, so that 删 除 knows which box the user was in.
        b->setFocusPolicy(Qt::NoFocus);
        connect(b, &QPushButton::clicked, this, slot);
        buttons->addWidget(b);
    };
    button("openButton", QStringLiteral("打 开"), &TSQL_YJ::openStatements);
    button("saveButton", QStringLiteral("保 存"), &TSQL_YJ::saveStatements);
    button("clearButton", QStringLiteral("删 除"), &TSQL_YJ::clearBox);
    button("exitButton", QStringLiteral("退 出"), &QWidget::hide);
    button("runButton", QStringLiteral("执 行"), &TSQL_YJ::run);
    buttons->addStretch();

    m_statement = new QPlainTextEdit(this);
    m_statement->setObjectName(QStringLiteral("statementBox"));
    m_statement->setFixedHeight(129);
    m_statement->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);

    m_result = new QPlainTextEdit(this);
    m_result->setObjectName(QStringLiteral("resultBox"));
    m_result->setLineWrapMode(QPlainTextEdit::NoWrap);
    // Columns line up only where a Chinese character is as wide as two Latin ones.
    QFont mono(QStringLiteral("Noto Sans Mono CJK SC"));
    mono.setStyleHint(QFont::Monospace);
    mono.setFixedPitch(true);
    m_result->setFont(mono);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(buttons);
    layout->addWidget(m_statement);
    layout->addWidget(m_result, 1);
    resize(640, 480);

    m_statement->installEventFilter(this);
    m_result->installEventFilter(this);
}

void TSQL_YJ::run()
{
    const SqlConsole::Outcome outcome = SqlConsole::run(m_statement->toPlainText());
    if (!outcome.output.isNull()) {
        m_result->setPlainText(SqlConsole::append(m_result->toPlainText(), outcome.output));
        m_result->verticalScrollBar()->setValue(m_result->verticalScrollBar()->maximum());
    }
    if (!outcome.message.isEmpty())
        prompt().info(outcome.message, SqlConsole::captionText());
}

void TSQL_YJ::openStatements()
{
    const QString file = prompt().openFile(QStringLiteral("打开"), App::home().root(), fileFilter());
    if (file.isEmpty())
        return;
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly)) {
        prompt().info(QStringLiteral("文件无法打开！"), SqlConsole::captionText());
        return;
    }
    m_statement->setPlainText(decodeText(f.readAll()));
    m_fileName = file;
}

void TSQL_YJ::saveStatements()
{
    QString file = prompt().saveFile(QStringLiteral("保存为"), App::home().root(), m_fileName, fileFilter());
    if (file.isEmpty())
        return;
    if (QFileInfo(file).suffix().isEmpty())
        file += QStringLiteral(".txt");
    QSaveFile f(file);
    if (!f.open(QIODevice::WriteOnly) || f.write(m_statement->toPlainText().toUtf8()) < 0 || !f.commit())
        prompt().info(QStringLiteral("保存失败！"), SqlConsole::captionText());
}

void TSQL_YJ::clearBox()
{
    (m_statement->hasFocus() ? m_statement : m_result)->clear();
}

bool TSQL_YJ::handleKey(QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        // The statement box gets no line breaks from the keyboard: Enter runs.
        run();
        return true;
    case Qt::Key_Escape:
        hide();
        return true;
    default:
        return false;
    }
}

bool TSQL_YJ::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress && handleKey(static_cast<QKeyEvent *>(event)))
        return true;
    return QWidget::eventFilter(watched, event);
}

void TSQL_YJ::keyPressEvent(QKeyEvent *event)
{
    if (!handleKey(event))
        QWidget::keyPressEvent(event);
}
