#pragma once
#include <QWidget>

class QPlainTextEdit;

// 数据分析工具: runs the statement box against the database and appends the
// results below. One window for the whole run; it stays on top and hiding it
// keeps both boxes for the next showing.
class TSQL_YJ : public QWidget
{
    Q_OBJECT
public:
    static TSQL_YJ *instance();
    explicit TSQL_YJ(QWidget *parent = nullptr);

    // 执 行
    void run();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    bool handleKey(QKeyEvent *event);
    void openStatements();
    void saveStatements();
    void clearBox();

    QPlainTextEdit *m_statement = nullptr;
    QPlainTextEdit *m_result = nullptr;
    QString m_fileName; // the last file opened, proposed by 保 存
};
