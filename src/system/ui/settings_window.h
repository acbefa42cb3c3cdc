#pragma once
#include <QWidget>

class QCheckBox;
class QComboBox;
class QLineEdit;

// 系统设置: the per-installation settings of Default.ini (documents, printing,
// cash drawer, numbering). Every box carries its key name as objectName.
class TBMSZ : public QWidget
{
    Q_OBJECT
public:
    explicit TBMSZ(QWidget *parent = nullptr);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void fill();
    void save();
    void testDrawer();
    bool checkIntroducerPoints();
    QCheckBox *flagBox(const QString &key);
    QComboBox *choiceBox(const char *key, const QStringList &choices, bool editable);
    static void showChoice(QComboBox *box, const QString &value);
};
