#include "scripted_prompt.h"

#include <gtest/gtest.h>

ScriptedPrompt::ScriptedPrompt() { installPrompt(this); }
ScriptedPrompt::~ScriptedPrompt()
{
    installPrompt(nullptr);
    EXPECT_TRUE(answers.empty()) << "unused queued answers: " << answers.size();
}

void ScriptedPrompt::message(const QString &text, const QString &caption, Icon icon)
{
    shown.push_back({text, caption, icon, false});
}

Prompt::Answer ScriptedPrompt::question(const QString &text, const QString &caption, Buttons buttons, Icon icon,
                                        Answer)
{
    shown.push_back({text, caption, icon, true});
    if (answers.empty()) {
        ADD_FAILURE() << "unexpected question: " << text.toStdString();
        return buttons == YesNoCancel ? Answer::Cancel : Answer::No;
    }
    const Answer a = answers.front();
    answers.pop_front();
    return a;
}

QString ScriptedPrompt::openFile(const QString &title, const QString &, const QString &)
{
    fileDialogs << title;
    if (files.empty())
        return {};
    const QString f = files.front();
    files.pop_front();
    return f;
}

QString ScriptedPrompt::saveFile(const QString &title, const QString &folder, const QString &, const QString &filter)
{
    return openFile(title, folder, filter);
}

QString ScriptedPrompt::chooseFolder(const QString &title, const QString &folder)
{
    return openFile(title, folder, QString());
}

std::optional<QString> ScriptedPrompt::textInput(const QString &title, const QString &, const QString &)
{
    fileDialogs << title;
    if (texts.empty())
        return std::nullopt;
    const QString t = texts.front();
    texts.pop_front();
    return t;
}

QStringList ScriptedPrompt::texts_shown() const
{
    QStringList l;
    for (const Shown &s : shown)
        l << s.text;
    return l;
}

bool ScriptedPrompt::saw(const QString &text) const
{
    for (const Shown &s : shown)
        if (s.text == text)
            return true;
    return false;
}
