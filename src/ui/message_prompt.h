#pragma once
#include "core/prompt.h"

class QWidget;

// The program's prompt: message boxes and file dialogs, owned by the active window.
class MessagePrompt : public Prompt
{
public:
    void message(const QString &text, const QString &caption, Icon icon) override;
    Answer question(const QString &text, const QString &caption, Buttons buttons, Icon icon,
                    Answer defaultAnswer) override;
    QString openFile(const QString &title, const QString &folder, const QString &filter) override;
    QString saveFile(const QString &title, const QString &folder, const QString &proposedName,
                     const QString &filter) override;
    QString chooseFolder(const QString &title, const QString &folder) override;
    std::optional<QString> textInput(const QString &title, const QString &label, const QString &initial) override;
};
