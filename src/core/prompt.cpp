#include "core/prompt.h"
#include <QDebug>

namespace {
// Until a window layer installs a prompt, messages go to the log and every
// question is answered with its default, so that nothing blocks headless.
class LogPrompt : public Prompt
{
public:
    void message(const QString &text, const QString &caption, Icon) override
    {
        qWarning().noquote() << caption << text;
    }
    Answer question(const QString &text, const QString &caption, Buttons, Icon, Answer def) override
    {
        qWarning().noquote() << caption << text;
        return def;
    }
    QString openFile(const QString &, const QString &, const QString &) override { return {}; }
    QString saveFile(const QString &, const QString &, const QString &, const QString &) override { return {}; }
    QString chooseFolder(const QString &, const QString &) override { return {}; }
    std::optional<QString> textInput(const QString &, const QString &, const QString &) override { return {}; }
};

LogPrompt logPrompt;
Prompt *installed = &logPrompt;
}

Prompt &prompt() { return *installed; }
void installPrompt(Prompt *p) { installed = p ? p : &logPrompt; }
