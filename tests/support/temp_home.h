#pragma once
#include "scripted_prompt.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

// A fresh home folder with the delivered database, opened, for each test.
// The delivered database is built once per test process and copied, so that
// a case costs a file copy rather than a schema build.
class TempHome : public ::testing::Test
{
protected:
    void SetUp() override;
    void TearDown() override;

    // Logs in as the given employee code without the login window
    // (fills the login values and the held user row).
    void loginAs(const QString &code);
    // Adds an employee row; returns its code.
    void addEmployee(const QString &code, const QString &name, const QString &login = QString(),
                     const QString &password = QString());
    QString homePath(const QString &relative = QString()) const;

    QTemporaryDir dir;
    std::unique_ptr<ScriptedPrompt> prompt;
};
