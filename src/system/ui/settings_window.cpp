#include "system/ui/settings_window.h"
#include "ui/enter_moves_focus.h"
#include "ui/save_exit_row.h"

#include "core/devices/cash_drawer.h"
#include "core/prompt.h"
#include "system/system_settings.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFocusEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

TBMSZ::TBMSZ(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("TBMSZ"));
    setWindowTitle(QStringLiteral("系统设置"));
    setAttribute(Qt::WA_DeleteOnClose);

    auto *tabs = new QTabWidget(this);
    tabs->setObjectName(QStringLiteral("tabs"));

    // 常用设置
    auto *common = new QWidget;
    auto *documents = new QGroupBox(QStringLiteral("销售单设置"), common);
    auto *documentGrid = new QGridLayout(documents);
    const char *documentKeys[] = {"zdkd", "qk", "gdxp", "tcqx", "NOFKC", "KH_SK"};
    for (int i = 0; i < 6; ++i)
        documentGrid->addWidget(flagBox(QString::fromLatin1(documentKeys[i])), i / 2, i % 2);

    auto *drawer = new QGroupBox(QStringLiteral("钱箱设置"), common);
    auto *drawerGrid = new QGridLayout(drawer);
    auto *mode = new QLineEdit(this);
    mode->setObjectName(QStringLiteral("tcqxFS"));
    mode->setMaximumWidth(40);
    auto *test = new QPushButton(QStringLiteral("测试钱箱"), this);
    test->setObjectName(QStringLiteral("testDrawer"));
    drawerGrid->addWidget(new QLabel(QStringLiteral("端口："), drawer), 0, 0);
    drawerGrid->addWidget(choiceBox("tcqx1", SystemSettings::drawerPorts(), false), 0, 1);
    drawerGrid->addWidget(new QLabel(QStringLiteral("波特率："), drawer), 0, 2);
    drawerGrid->addWidget(choiceBox("tcqx2", SystemSettings::drawerBaudRates(), false), 0, 3);
    drawerGrid->addWidget(mode, 0, 4);
    drawerGrid->addWidget(new QLabel(QStringLiteral("指令："), drawer), 1, 0);
    // The command box also takes a typed command line, which the port "指令" runs.
    drawerGrid->addWidget(choiceBox("tcqx3", SystemSettings::drawerCommands(), true), 1, 1, 1, 3);
    drawerGrid->addWidget(test, 1, 4);

    auto *printing = new QGroupBox(QStringLiteral("打印设置"), common);
    auto *printingLayout = new QHBoxLayout(printing);
    for (const char *key : {"yl", "skdy", "dyqx"})
        printingLayout->addWidget(flagBox(QString::fromLatin1(key)));

    auto *commonLayout = new QVBoxLayout(common);
    commonLayout->addWidget(documents);
    commonLayout->addWidget(drawer);
    commonLayout->addWidget(printing);
    commonLayout->addStretch();
    commonLayout->setSpacing(2);
    commonLayout->setContentsMargins(6, 4, 6, 4);
    for (QLayout *l : std::initializer_list<QLayout *>{documentGrid, drawerGrid, printingLayout}) {
        l->setSpacing(2);
        l->setContentsMargins(8, 2, 8, 2);
    }
    tabs->addTab(common, QStringLiteral("常用设置"));

    // 其他设置
    auto *other = new QWidget;
    auto *points = new QLineEdit(this);
    points->setObjectName(QStringLiteral("jsjf"));
    points->setMaximumWidth(70);
    auto *pointsLine = new QHBoxLayout;
    pointsLine->addWidget(new QLabel(QStringLiteral("介绍新客户获得"), other));
    pointsLine->addWidget(points);
    pointsLine->addWidget(new QLabel(QStringLiteral("积分"), other));
    pointsLine->addStretch();
    auto *otherLayout = new QVBoxLayout(other);
    otherLayout->addLayout(pointsLine);
    for (const char *key : {"TQQ", "DDH", "SKTS"})
        otherLayout->addWidget(flagBox(QString::fromLatin1(key)));
    otherLayout->addStretch();
    tabs->addTab(other, QStringLiteral("其他设置"));

    const SaveExitRow buttons = makeSaveExitRow(this, QStringLiteral("保 存[&S]"), QStringLiteral("退 出[&E]"));

    auto *layout = new QVBoxLayout(this);
    layout->setSpacing(4);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->addWidget(tabs);
    layout->addLayout(buttons.layout);
    resize(491, 326);

    connect(buttons.save, &QPushButton::clicked, this, &TBMSZ::save);
    connect(test, &QPushButton::clicked, this, &TBMSZ::testDrawer);

    for (QWidget *w : findChildren<QWidget *>())
        if (qobject_cast<QLineEdit *>(w) || qobject_cast<QComboBox *>(w) || qobject_cast<QCheckBox *>(w))
            w->installEventFilter(this);
    EnterMovesFocus::install(this);

    fill();
}

QCheckBox *TBMSZ::flagBox(const QString &key)
{
    const SettingKey *k = SystemSettings::find(key);
    auto *box = new QCheckBox(k ? k->label : key, this);
    box->setObjectName(key);
    return box;
}

QComboBox *TBMSZ::choiceBox(const char *key, const QStringList &choices, bool editable)
{
    auto *box = new QComboBox(this);
    box->setObjectName(QString::fromLatin1(key));
    box->setEditable(editable);
    box->setInsertPolicy(QComboBox::NoInsert);
    box->addItems(choices);
    return box;
}

void TBMSZ::showChoice(QComboBox *box, const QString &value)
{
    if (box->isEditable()) {
        box->setCurrentText(value);
        return;
    }
    // A value the list does not offer (written by hand or by an older version)
    // is shown as it is, so that saving the other boxes keeps it.
    int index = box->findText(value);
    if (index < 0 && !value.isEmpty()) {
        box->addItem(value);
        index = box->count() - 1;
    }
    box->setCurrentIndex(index);
}

void TBMSZ::fill()
{
    const QMap<QString, QString> values = SystemSettings::read();
    for (const SettingKey &k : SystemSettings::keys()) {
        const QString v = values.value(k.key);
        if (auto *check = findChild<QCheckBox *>(k.key))
            check->setChecked(v == QLatin1String("T"));
        else if (auto *choice = findChild<QComboBox *>(k.key))
            showChoice(choice, v);
        else if (auto *edit = findChild<QLineEdit *>(k.key))
            edit->setText(v);
    }
}

void TBMSZ::save()
{
    // A save by keyboard does not leave the box being edited; check it as if it had been left.
    if (findChild<QLineEdit *>(QStringLiteral("jsjf"))->hasFocus() && !checkIntroducerPoints())
        return;
    QMap<QString, QString> values;
    for (const SettingKey &k : SystemSettings::keys()) {
        if (auto *check = findChild<QCheckBox *>(k.key))
            values.insert(k.key, check->isChecked() ? QStringLiteral("T") : QStringLiteral("F"));
        else if (auto *choice = findChild<QComboBox *>(k.key))
            values.insert(k.key, choice->currentText());
        else if (auto *edit = findChild<QLineEdit *>(k.key))
            values.insert(k.key, edit->text());
    }
    const Outcome outcome = SystemSettings::save(values);
    if (outcome)
        prompt().info(outcome.message);
    else
        prompt().message(outcome.text(), QString(), Prompt::Icon::Critical);
}

void TBMSZ::testDrawer()
{
    // The boxes as they stand, not the file: the user tries a setting before saving it.
    DrawerSettings settings;
    settings.port = findChild<QComboBox *>(QStringLiteral("tcqx1"))->currentText();
    settings.baud = findChild<QComboBox *>(QStringLiteral("tcqx2"))->currentText();
    settings.command = findChild<QComboBox *>(QStringLiteral("tcqx3"))->currentText();
    settings.mode = findChild<QLineEdit *>(QStringLiteral("tcqxFS"))->text();
    const DrawerResult result = Devices::OpenCashDrawer(settings);
    if (!result.ok())
        prompt().message(result.error, QString(), Prompt::Icon::Critical);
}

bool TBMSZ::checkIntroducerPoints()
{
    auto *e = findChild<QLineEdit *>(QStringLiteral("jsjf"));
    const auto message = SystemSettings::checkIntroducerPoints(e->text());
    if (!message)
        return true;
    prompt().info(*message);
    e->setText(SystemSettings::jsjfReplacement());
    e->setFocus();
    return false;
}

bool TBMSZ::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::FocusOut && watched->objectName() == QLatin1String("jsjf")) {
        // Only leaving the box counts, not a message box coming forward.
        const Qt::FocusReason reason = static_cast<QFocusEvent *>(event)->reason();
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason)
            checkIntroducerPoints();
    }
    return QWidget::eventFilter(watched, event);
}
