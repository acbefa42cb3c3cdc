#include "ui/message_prompt.h"

#include <QApplication>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>

namespace {
// Plain boxes carry the application title, as the task bar does.
QString applicationTitle() { return qApp->property("applicationTitle").toString(); }

QWidget *owner() { return QApplication::activeWindow(); }

QMessageBox::Icon boxIcon(Prompt::Icon icon)
{
    switch (icon) {
    case Prompt::Icon::Information: return QMessageBox::Information;
    case Prompt::Icon::Warning: return QMessageBox::Warning;
    case Prompt::Icon::Question: return QMessageBox::Question;
    case Prompt::Icon::Critical: return QMessageBox::Critical;
    }
    return QMessageBox::NoIcon;
}

QMessageBox::StandardButton button(Prompt::Answer a)
{
    switch (a) {
    case Prompt::Answer::Ok: return QMessageBox::Ok;
    case Prompt::Answer::Yes: return QMessageBox::Yes;
    case Prompt::Answer::No: return QMessageBox::No;
    case Prompt::Answer::Cancel: return QMessageBox::Cancel;
    }
    return QMessageBox::NoButton;
}
}

void MessagePrompt::message(const QString &text, const QString &caption, Icon icon)
{
    QMessageBox box(boxIcon(icon), caption.isEmpty() ? applicationTitle() : caption, text,
                    QMessageBox::Ok, owner());
    box.setButtonText(QMessageBox::Ok, QStringLiteral("确定"));
    box.exec();
}

Prompt::Answer MessagePrompt::question(const QString &text, const QString &caption, Buttons buttons, Icon icon,
                                       Answer defaultAnswer)
{
    QMessageBox::StandardButtons set = QMessageBox::Yes | QMessageBox::No;
    if (buttons == YesNoCancel)
        set |= QMessageBox::Cancel;
    if (buttons == OkButton)
        set = QMessageBox::Ok;
    QMessageBox box(boxIcon(icon), caption.isEmpty() ? applicationTitle() : caption, text, set,
                    owner());
    box.setButtonText(QMessageBox::Yes, QStringLiteral("是(&Y)"));
    box.setButtonText(QMessageBox::No, QStringLiteral("否(&N)"));
    box.setButtonText(QMessageBox::Cancel, QStringLiteral("取消"));
    box.setButtonText(QMessageBox::Ok, QStringLiteral("确定"));
    box.setDefaultButton(button(defaultAnswer));
    switch (box.exec()) {
    case QMessageBox::Yes: return Answer::Yes;
    case QMessageBox::No: return Answer::No;
    case QMessageBox::Ok: return Answer::Ok;
    default: return Answer::Cancel;
    }
}

QString MessagePrompt::openFile(const QString &title, const QString &folder, const QString &filter)
{
    return QFileDialog::getOpenFileName(owner(), title, folder, filter);
}

QString MessagePrompt::saveFile(const QString &title, const QString &folder, const QString &proposedName,
                                const QString &filter)
{
    const QString start = proposedName.isEmpty() ? folder : folder + QLatin1Char('/') + proposedName;
    return QFileDialog::getSaveFileName(owner(), title, start, filter);
}

QString MessagePrompt::chooseFolder(const QString &title, const QString &folder)
{
    return QFileDialog::getExistingDirectory(owner(), title, folder);
}

std::optional<QString> MessagePrompt::textInput(const QString &title, const QString &label, const QString &initial)
{
    bool ok = false;
    const QString text = QInputDialog::getText(owner(), title, label, QLineEdit::Normal, initial, &ok);
    if (!ok)
        return std::nullopt;
    return text;
}
