#include "masterdata/ui/add_member_dialog.h"

#include "core/clock.h"
#include "core/db/database.h"
#include "core/prompt.h"
#include "masterdata/member_add.h"
#include "masterdata/ui/customer_picker.h"
#include "ui/enter_moves_focus.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QEvent>
#include <QFocusEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

// A date box that may hold no date: its lowest date reads as empty.
const QDate noDate(1900, 1, 1);

QDateEdit *optionalDateBox(const char *name, QWidget *parent)
{
    auto *box = new QDateEdit(parent);
    box->setObjectName(QString::fromLatin1(name));
    box->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
    box->setCalendarPopup(true);
    box->setMinimumDate(noDate);
    box->setSpecialValueText(QStringLiteral(" "));
    box->setDate(noDate);
    return box;
}

QDate dateOf(const QDateEdit *box)
{
    return box->date() == noDate ? QDate() : box->date();
}

const char *const textBoxes[] = {"BM", "MC", "KH", "ZK", "LJ", "DH", "QTDH", "ZJLX",
                                 "ZJ", "QQ", "DZ", "BZ", "JSRBM", "JSR", "introducerPoints"};

// Discount and age take digits and "." only, as the counter staff type them.
const QRegularExpression decimalKeys(QStringLiteral("[0-9.]*"));

} // namespace

TTJKH::TTJKH(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("TTJKH"));
    setWindowTitle(QStringLiteral("添加会员"));

    for (const char *name : textBoxes) {
        auto *e = new QLineEdit(this);
        e->setObjectName(QString::fromLatin1(name));
    }
    box("BM")->setMaxLength(50);
    box("MC")->setMaxLength(50);
    box("QTDH")->setMaxLength(100);
    box("DZ")->setMaxLength(100);
    box("ZK")->setValidator(new QRegularExpressionValidator(decimalKeys, box("ZK")));
    box("LJ")->setValidator(new QRegularExpressionValidator(decimalKeys, box("LJ")));
    box("introducerPoints")->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), box("introducerPoints")));
    box("introducerPoints")->setMaximumWidth(60);
    box("JSR")->setReadOnly(true);
    box("JSR")->setFocusPolicy(Qt::NoFocus);

    m_priceTier = new QComboBox(this);
    m_priceTier->setObjectName(QStringLiteral("JG"));
    m_priceTier->addItems({QStringLiteral("原价"), QStringLiteral("售价一"), QStringLiteral("售价二"),
                           QStringLiteral("售价三"), QStringLiteral("售价四"), QStringLiteral("售价五")});
    m_sex = new QComboBox(this);
    m_sex->setObjectName(QStringLiteral("XB"));
    m_sex->addItems({QStringLiteral("男"), QStringLiteral("女")});

    m_birthday = optionalDateBox("birthday", this);
    m_solar = new QRadioButton(QStringLiteral("公历"), this);
    m_solar->setObjectName(QStringLiteral("solarBirthday"));
    m_lunar = new QRadioButton(QStringLiteral("农历"), this);
    m_lunar->setObjectName(QStringLiteral("lunarBirthday"));
    m_solar->setChecked(true);
    auto *calendar = new QButtonGroup(this);
    calendar->addButton(m_solar);
    calendar->addButton(m_lunar);
    m_wedding = optionalDateBox("HQ", this);
    m_joinDate = new QDateEdit(Clock::today(), this);
    m_joinDate->setObjectName(QStringLiteral("RQ"));
    m_joinDate->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
    m_joinDate->setCalendarPopup(true);
    m_autoUpgrade = new QCheckBox(QStringLiteral("自动升级"), this);
    m_autoUpgrade->setObjectName(QStringLiteral("TSJ"));

    auto *pick = new QToolButton(this);
    pick->setObjectName(QStringLiteral("pickIntroducer"));
    pick->setText(QStringLiteral("..."));
    pick->setFocusPolicy(Qt::NoFocus);

    auto label = [this](const QString &text) { return new QLabel(text, this); };

    // The member itself.
    auto *main = new QGridLayout;
    main->addWidget(label(QStringLiteral("会员编码：")), 0, 0);
    main->addWidget(box("BM"), 0, 1);
    main->addWidget(label(QStringLiteral("会员姓名：")), 0, 2);
    main->addWidget(box("MC"), 0, 3);
    main->addWidget(label(QStringLiteral("卡号：")), 1, 0);
    main->addWidget(box("KH"), 1, 1);
    main->addWidget(label(QStringLiteral("适用价格：")), 1, 2);
    main->addWidget(m_priceTier, 1, 3);
    main->addWidget(label(QStringLiteral("折扣率：")), 2, 0);
    main->addWidget(box("ZK"), 2, 1);
    auto *hint = label(QStringLiteral("% （1表示不打折；输入0.1至1的数字）"));
    hint->setStyleSheet(QStringLiteral("color: red;"));
    main->addWidget(hint, 2, 2, 1, 2);

    // The optional details.
    auto *details = new QGroupBox(QStringLiteral("详细信息（选填）："), this);
    auto *d = new QGridLayout(details);
    d->addWidget(label(QStringLiteral("姓别：")), 0, 0);
    d->addWidget(m_sex, 0, 1);
    d->addWidget(label(QStringLiteral("年龄：")), 0, 2);
    d->addWidget(box("LJ"), 0, 3);
    auto *birthday = new QHBoxLayout;
    birthday->addWidget(m_birthday, 1);
    birthday->addWidget(m_solar);
    birthday->addWidget(m_lunar);
    d->addWidget(label(QStringLiteral("生日：")), 1, 0);
    d->addLayout(birthday, 1, 1);
    d->addWidget(label(QStringLiteral("结婚日期：")), 1, 2);
    d->addWidget(m_wedding, 1, 3);
    d->addWidget(label(QStringLiteral("手机：")), 2, 0);
    d->addWidget(box("DH"), 2, 1);
    d->addWidget(label(QStringLiteral("其他电话：")), 2, 2);
    d->addWidget(box("QTDH"), 2, 3);
    d->addWidget(label(QStringLiteral("证件类型：")), 3, 0);
    d->addWidget(box("ZJLX"), 3, 1);
    d->addWidget(label(QStringLiteral("证件号码：")), 3, 2);
    d->addWidget(box("ZJ"), 3, 3);
    d->addWidget(label(QStringLiteral("QQ：")), 4, 0);
    d->addWidget(box("QQ"), 4, 1);
    d->addWidget(label(QStringLiteral("酒店地址：")), 4, 2);
    d->addWidget(box("DZ"), 4, 3);
    d->addWidget(label(QStringLiteral("其它信息：")), 5, 0);
    d->addWidget(box("BZ"), 5, 1, 1, 3);
    d->addWidget(label(QStringLiteral("加入日期：")), 6, 0);
    d->addWidget(m_joinDate, 6, 1);
    auto *introducer = new QHBoxLayout;
    introducer->addWidget(box("JSRBM"));
    introducer->addWidget(pick);
    introducer->addWidget(box("JSR"));
    d->addWidget(label(QStringLiteral("介绍人：")), 7, 0);
    d->addLayout(introducer, 7, 1, 1, 3);
    auto *points = new QHBoxLayout;
    points->addWidget(label(QStringLiteral("为该客户添加")));
    points->addWidget(box("introducerPoints"));
    points->addWidget(label(QStringLiteral("积分")));
    points->addStretch(1);
    points->addWidget(m_autoUpgrade);
    d->addLayout(points, 8, 1, 1, 3);

    auto button = [this](const QString &text, const char *name) {
        auto *b = new QPushButton(text, this);
        b->setObjectName(QString::fromLatin1(name));
        b->setAutoDefault(false);
        return b;
    };
    QPushButton *clear = button(QStringLiteral("清 空"), "clearButton");
    m_ok = button(QStringLiteral("确 定"), "okButton");
    QPushButton *exit = button(QStringLiteral("退 出"), "exitButton");
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(clear);
    buttons->addWidget(m_ok);
    buttons->addWidget(exit);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(main);
    layout->addWidget(details);
    layout->addLayout(buttons);

    // The order the counter staff fill the form in.
    QWidget *order[] = {box("BM"),  box("MC"),   box("KH"),   m_priceTier, box("ZK"),   m_sex,
                        box("LJ"),  m_birthday,  m_solar,     m_lunar,     m_wedding,   box("DH"),
                        box("QTDH"), box("ZJLX"), box("ZJ"),  box("QQ"),   box("DZ"),   box("BZ"),
                        m_joinDate, box("JSRBM"), box("introducerPoints"), m_autoUpgrade, m_ok, exit};
    for (size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);

    connect(clear, &QPushButton::clicked, this, &TTJKH::clearBoxes);
    connect(m_ok, &QPushButton::clicked, this, &TTJKH::confirm);
    connect(exit, &QPushButton::clicked, this, &QDialog::reject);
    connect(pick, &QToolButton::clicked, this, &TTJKH::pickIntroducer);
    box("BM")->installEventFilter(this);
    box("JSRBM")->installEventFilter(this);
    EnterMovesFocus::install(this);
    resize(560, 470);
}

QLineEdit *TTJKH::box(const char *name) const { return findChild<QLineEdit *>(QString::fromLatin1(name)); }

std::optional<QVariantMap> TTJKH::addMember(QWidget *parent)
{
    TTJKH dialog(parent);
    dialog.exec();
    return dialog.addedMember();
}

void TTJKH::clearBoxes()
{
    for (const char *name : textBoxes)
        box(name)->clear();
    box("ZK")->setText(QStringLiteral("1"));
}

void TTJKH::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (event->spontaneous())
        return;
    m_added.reset();
    clearBoxes();
    try {
        box("BM")->setText(MemberAdd::proposeCode());
    } catch (const DbError &e) {
        prompt().message(e.text(), QString(), Prompt::Icon::Critical);
    }
    m_joinDate->setDate(Clock::today());
    box("introducerPoints")->setText(MemberAdd::introducerPointsSetting());
    box("MC")->setFocus();
}

bool TTJKH::eventFilter(QObject *watched, QEvent *event)
{
    // Only leaving the box counts, not a message box or a calendar popup coming forward.
    const auto reason = event->type() == QEvent::FocusOut ? static_cast<QFocusEvent *>(event)->reason()
                                                          : Qt::OtherFocusReason;
    if (event->type() == QEvent::FocusOut && reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason) {
        if (watched == box("BM"))
            checkCodeOnLeave();
        else if (watched == box("JSRBM"))
            lookupIntroducer();
    }
    return QDialog::eventFilter(watched, event);
}

void TTJKH::checkCodeOnLeave()
{
    // The message box takes the focus too: one check per leaving.
    if (m_checkingCode)
        return;
    m_checkingCode = true;
    m_joinDate->setDate(Clock::today());
    const QString code = box("BM")->text().trimmed();
    bool exists = false;
    try {
        exists = !code.isEmpty() && MemberAdd::codeExists(code);
    } catch (const DbError &e) {
        prompt().message(e.text(), QString(), Prompt::Icon::Critical);
    }
    if (exists) {
        prompt().info(QStringLiteral("当行会员卡号已存在，请换用别的卡号！"));
        box("BM")->clear();
        box("BM")->setFocus();
    }
    m_checkingCode = false;
}

void TTJKH::lookupIntroducer()
{
    // The name beside a typed introducer code is the stored one; a code of no
    // member leaves it empty, and "确 定" refuses it.
    const QString code = box("JSRBM")->text().trimmed();
    if (code.isEmpty()) {
        box("JSR")->clear();
        return;
    }
    try {
        box("JSR")->setText(MemberAdd::memberRow(code).value(QStringLiteral("MC")).toString());
    } catch (const DbError &) {
        box("JSR")->clear();
    }
}

void TTJKH::pickIntroducer()
{
    if (const std::optional<QVariantMap> row = Txzkh::pickCustomer(this)) {
        box("JSRBM")->setText(row->value(QStringLiteral("BM")).toString());
        box("JSR")->setText(row->value(QStringLiteral("MC")).toString());
    }
}

bool TTJKH::confirm()
{
    MemberAdd::NewMember m;
    m.code = box("BM")->text().trimmed();
    m.name = box("MC")->text();
    m.card = box("KH")->text();
    m.priceTier = m_priceTier->currentText();
    m.discount = box("ZK")->text();
    m.sex = m_sex->currentText();
    m.age = box("LJ")->text();
    m.birthday = dateOf(m_birthday);
    m.lunarBirthday = m_lunar->isChecked();
    m.weddingDate = dateOf(m_wedding);
    m.mobile = box("DH")->text();
    m.otherPhone = box("QTDH")->text();
    m.idType = box("ZJLX")->text();
    m.idNumber = box("ZJ")->text();
    m.qq = box("QQ")->text();
    m.hotel = box("DZ")->text();
    m.remarks = box("BZ")->text();
    m.joinDate = m_joinDate->date();
    m.introducerCode = box("JSRBM")->text().trimmed();
    m.introducerName = box("JSR")->text();
    m.introducerPoints = box("introducerPoints")->text();
    m.autoUpgrade = m_autoUpgrade->isChecked();

    const Outcome added = MemberAdd::addMember(m);
    if (!added) {
        // Everything typed stays for correction.
        prompt().warn(added.text());
        if (added.message == QLatin1String("当行会员卡号已存在，请换用别的卡号！")
            || added.message == QLatin1String("编码不能为空！"))
            box("BM")->setFocus();
        else if (added.message.startsWith(QStringLiteral("折扣率")))
            box("ZK")->setFocus();
        else if (added.message.startsWith(QStringLiteral("介绍人")))
            box("JSRBM")->setFocus();
        return false;
    }
    try {
        m_added = MemberAdd::memberRow(m.code);
    } catch (const DbError &) {
        m_added = QVariantMap{{QStringLiteral("BM"), m.code}, {QStringLiteral("MC"), m.name}};
    }
    accept();
    return true;
}
