#pragma once
#include "core/prompt.h"

#include <benchmark/benchmark.h>

#include <QByteArray>

class QAbstractItemModel;

// What the window benchmarks share: the raw baseline, the reporter that sets
// each figure beside it, and a prompt that answers without a person.
namespace BenchSupport {

// The raw baseline: SQLite's own prepare and step over `sql` on the program's
// connection, every column of every row read as its stored type.
void rawScan(benchmark::State &state, const QByteArray &sql);

// What a first screen of a grid asks of its model.
void readFirstScreen(const QAbstractItemModel &model);

// The console output with each figure's ratio to the first benchmark named
// RawSqliteScan, which runs first ("x_raw").
class RatioReporter : public benchmark::ConsoleReporter
{
public:
    void ReportRuns(const std::vector<Run> &reports) override;

private:
    double m_raw = 0;
};

// Messages go nowhere; every question gets the same answer.
class AnsweringPrompt : public Prompt
{
public:
    explicit AnsweringPrompt(Answer answer) : m_answer(answer) {}
    void message(const QString &, const QString &, Icon) override {}
    Answer question(const QString &, const QString &, Buttons, Icon, Answer) override { return m_answer; }
    QString openFile(const QString &, const QString &, const QString &) override { return {}; }
    QString saveFile(const QString &, const QString &, const QString &, const QString &) override { return {}; }
    QString chooseFolder(const QString &, const QString &) override { return {}; }
    std::optional<QString> textInput(const QString &, const QString &, const QString &) override { return {}; }

private:
    Answer m_answer;
};

} // namespace BenchSupport
