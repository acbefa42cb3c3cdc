#pragma once
#include <QDialog>
#include <QVariantMap>
#include <optional>

class QCheckBox;
class QComboBox;
class QDateEdit;
class QLineEdit;
class QPushButton;
class QRadioButton;

// TTJKH (添加会员): adds one member. On showing it is emptied ("清 空"), a
// code is proposed, the join date set to today and the introducer points
// taken from the settings. Leaving the code box with a code already in use
// says so and empties the box. "确 定" writes the member and credits its
// introducer (MemberAdd::addMember); a refusal keeps everything typed. The
// added member is handed back to whoever opened the dialog (addedMember()).
class TTJKH : public QDialog
{
    Q_OBJECT
public:
    explicit TTJKH(QWidget *parent = nullptr);

    // The member written by "确 定" (every stored column), or nothing.
    const std::optional<QVariantMap> &addedMember() const { return m_added; }

    // Runs the dialog modally over `parent`: the added member, or nothing.
    static std::optional<QVariantMap> addMember(QWidget *parent);

public Q_SLOTS:
    // "清 空": every text box emptied, the discount back to 1.
    void clearBoxes();
    // "确 定".
    bool confirm();
    // The introducer's "...": the customer picker fills code and name.
    void pickIntroducer();

protected:
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void checkCodeOnLeave();
    void lookupIntroducer();
    QLineEdit *box(const char *name) const;

    QComboBox *m_priceTier = nullptr;
    QComboBox *m_sex = nullptr;
    QDateEdit *m_birthday = nullptr;
    QRadioButton *m_solar = nullptr;
    QRadioButton *m_lunar = nullptr;
    QDateEdit *m_wedding = nullptr;
    QDateEdit *m_joinDate = nullptr;
    QCheckBox *m_autoUpgrade = nullptr;
    QPushButton *m_ok = nullptr;
    bool m_checkingCode = false;
    std::optional<QVariantMap> m_added;
};
