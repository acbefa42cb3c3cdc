#include "app/manual_window.h"

#include <QDialogButtonBox>
#include <QPushButton>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

ManualWindow::ManualWindow(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("manualWindow"));
    setWindowTitle(QStringLiteral("操作手册"));
    setAttribute(Qt::WA_DeleteOnClose);
    auto *text = new QTextBrowser(this);
    text->setObjectName(QStringLiteral("manualText"));
    text->setOpenExternalLinks(false);
    text->setSource(QUrl(QStringLiteral("qrc:/program/manual.html")));
    auto *buttons = new QDialogButtonBox(this);
    QPushButton *close = buttons->addButton(QStringLiteral("关闭"), QDialogButtonBox::RejectRole);
    close->setObjectName(QStringLiteral("closeButton"));
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::close);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(text, 1);
    layout->addWidget(buttons);
    resize(760, 620);
}
