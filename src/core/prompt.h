#pragma once
#include <QString>
#include <QStringList>
#include <optional>

// Every message box and question of the program goes through this interface.
// The program installs a widget implementation; tests install a scripted one.
class Prompt
{
public:
    enum class Icon { Information, Warning, Question, Critical };
    enum class Answer { Ok, Yes, No, Cancel };
    enum Buttons { OkButton = 1, YesNo = 2, YesNoCancel = 3 };

    virtual ~Prompt() = default;

    virtual void message(const QString &text, const QString &caption, Icon icon) = 0;
    // A question with Yes/No (default button given) or Yes/No/Cancel.
    virtual Answer question(const QString &text, const QString &caption, Buttons buttons,
                            Icon icon = Icon::Question, Answer defaultAnswer = Answer::Yes) = 0;
    // Empty result means cancelled.
    virtual QString openFile(const QString &title, const QString &folder, const QString &filter) = 0;
    virtual QString saveFile(const QString &title, const QString &folder, const QString &proposedName,
                             const QString &filter) = 0;
    virtual QString chooseFolder(const QString &title, const QString &folder) = 0;
    virtual std::optional<QString> textInput(const QString &title, const QString &label,
                                             const QString &initial) = 0;

    // Shorthands for the common boxes.
    void info(const QString &text, const QString &caption = QStringLiteral("提示"))
    {
        message(text, caption, Icon::Information);
    }
    void warn(const QString &text, const QString &caption = QStringLiteral("提示"))
    {
        message(text, caption, Icon::Warning);
    }
    // A plain message box: no caption of its own (the application title stands there).
    void plain(const QString &text) { message(text, QString(), Icon::Information); }
};

// The installed prompt. Never null once the program or a test has installed one.
Prompt &prompt();
void installPrompt(Prompt *p);
