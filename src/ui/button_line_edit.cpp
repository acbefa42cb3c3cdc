#include "ui/button_line_edit.h"

#include <QHBoxLayout>
#include <QLineEdit>
#include <QToolButton>

ButtonLineEdit::ButtonLineEdit(const QString &editName, const QString &buttonName, QWidget *parent) : QWidget(parent)
{
    setAutoFillBackground(true);
    edit = new QLineEdit(this);
    edit->setObjectName(editName);
    edit->setFrame(false);
    button = new QToolButton(this);
    button->setObjectName(buttonName);
    button->setText(QStringLiteral("..."));
    button->setFocusPolicy(Qt::NoFocus);
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(edit, 1);
    layout->addWidget(button);
    setFocusProxy(edit);
}
