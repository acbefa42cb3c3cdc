#pragma once
#include "core/prompt.h"

#include <QString>
#include <deque>
#include <vector>

// Records every message and answers the questions queued by the test. An
// unexpected question fails the test (and answers Cancel / No).
class ScriptedPrompt : public Prompt
{
public:
    struct Shown
    {
        QString text;
        QString caption;
        Icon icon;
        bool isQuestion;
    };

    ScriptedPrompt();
    ~ScriptedPrompt() override;

    void message(const QString &text, const QString &caption, Icon icon) override;
    Answer question(const QString &text, const QString &caption, Buttons buttons, Icon icon,
                    Answer defaultAnswer) override;
    QString openFile(const QString &title, const QString &folder, const QString &filter) override;
    QString saveFile(const QString &title, const QString &folder, const QString &proposedName,
                     const QString &filter) override;
    QString chooseFolder(const QString &title, const QString &folder) override;
    std::optional<QString> textInput(const QString &title, const QString &label, const QString &initial) override;

    // Queue answers, consumed in order.
    void answer(Answer a) { answers.push_back(a); }
    void chooseFile(const QString &path) { files.push_back(path); }
    void typeText(const QString &text) { texts.push_back(text); }

    // Texts of everything shown, in order (messages and questions).
    QStringList texts_shown() const;
    QString last() const { return shown.empty() ? QString() : shown.back().text; }
    bool saw(const QString &text) const;
    void clear() { shown.clear(); }

    std::vector<Shown> shown;
    std::deque<Answer> answers;
    std::deque<QString> files;
    std::deque<QString> texts;
    // Titles of the file dialogs that were asked for.
    QStringList fileDialogs;
};
