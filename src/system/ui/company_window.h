#pragma once
#include <QHash>
#include <QWidget>

class QLineEdit;

// 公司信息: the company row (name, defaults, background picture, backup folder,
// points rule, pick-up days and time, store-wide discount).
class TBM_GSXX : public QWidget
{
    Q_OBJECT
public:
    explicit TBM_GSXX(QWidget *parent = nullptr);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void fill();
    void save();
    // Leaving a default code box: the name of the code, or refusal.
    void checkCode(QLineEdit *code, QLineEdit *name, bool supplier);
    bool checkPointsRule();
    bool checkPickUpDays();
    // Ctrl+F12: the data analysis tool, for the administrator only.
    void openSqlConsole();
    void chooseBackground();
    void chooseBackupFolder();
    QLineEdit *box(const char *column) const;

    QHash<QString, QLineEdit *> m_boxes; // by column name
    QString m_pickUpDays;                // the last accepted 取相天数, put back over a refused text
};
