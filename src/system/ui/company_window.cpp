#include "system/ui/company_window.h"
#include "ui/enter_moves_focus.h"
#include "ui/save_exit_row.h"

#include "core/db/database.h"
#include "core/home.h"
#include "core/prompt.h"
#include "core/session.h"
#include "system/company_info.h"
#include "system/sql_console.h"
#include "system/ui/sql_console.h"
#include "ui/app_events.h"
#include "ui/pickers.h"

#include <QCloseEvent>
#include <QFileInfo>
#include <QFocusEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShortcut>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

namespace {
const char *const columns[] = {"GSMC", "DH",  "DZ",  "MR_GHS", "MR_GHSMC", "MR_KH", "MR_KHMC",
                               "LOG",  "BF",  "XJF", "QXTS",   "QXSJ",     "TZK"};
}

TBM_GSXX::TBM_GSXX(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("TBM_GSXX"));
    setWindowTitle(QStringLiteral("公司信息"));
    setAttribute(Qt::WA_DeleteOnClose);

    for (const char *column : columns) {
        auto *e = new QLineEdit(this);
        e->setObjectName(QString::fromLatin1(column));
        e->installEventFilter(this);
        m_boxes.insert(e->objectName(), e);
    }
    auto label = [this](const QString &text) { return new QLabel(text, this); };
    auto pickButton = [this](const char *name, const QString &text, const QIcon &icon) {
        auto *b = new QToolButton(this);
        b->setObjectName(QString::fromLatin1(name));
        b->setText(text);
        if (!icon.isNull())
            b->setIcon(icon);
        b->setAutoRaise(!icon.isNull());
        b->setFocusPolicy(Qt::NoFocus);
        return b;
    };
    auto *pickSupplier = pickButton("pickSupplier", QStringLiteral("..."), QIcon());
    auto *pickCustomer = pickButton("pickCustomer", QStringLiteral("..."), QIcon());
    auto *pickBackground = pickButton("pickBackground", QStringLiteral("背景图文件"),
                                      style()->standardIcon(QStyle::SP_FileDialogContentsView));
    auto *pickBackup = pickButton("pickBackupFolder", QStringLiteral("请指定存放位置"),
                                  style()->standardIcon(QStyle::SP_DirOpenIcon));
    pickBackground->setToolButtonStyle(Qt::ToolButtonIconOnly);
    pickBackup->setToolButtonStyle(Qt::ToolButtonIconOnly);

    auto *own = new QGroupBox(QStringLiteral("本单位"), this);
    auto *ownLayout = new QGridLayout(own);
    ownLayout->addWidget(label(QStringLiteral("公司名称：")), 0, 0);
    ownLayout->addWidget(box("GSMC"), 0, 1);
    ownLayout->addWidget(label(QStringLiteral("电话：")), 1, 0);
    ownLayout->addWidget(box("DH"), 1, 1);
    ownLayout->addWidget(label(QStringLiteral("公司地址：")), 2, 0);
    ownLayout->addWidget(box("DZ"), 2, 1);

    auto *defaults = new QGroupBox(QStringLiteral("默认值"), this);
    auto *grid = new QGridLayout(defaults);
    auto row = [&](int r, const QString &caption, QList<QWidget *> widgets) {
        grid->addWidget(label(caption), r, 0);
        auto *line = new QHBoxLayout;
        for (QWidget *w : widgets)
            line->addWidget(w);
        line->addStretch();
        grid->addLayout(line, r, 1);
    };
    box("MR_GHS")->setMaximumWidth(100);
    box("MR_KH")->setMaximumWidth(100);
    box("MR_GHSMC")->setReadOnly(true);
    box("MR_KHMC")->setReadOnly(true);
    box("MR_GHSMC")->setFocusPolicy(Qt::NoFocus);
    box("MR_KHMC")->setFocusPolicy(Qt::NoFocus);
    for (const char *narrow : {"XJF", "QXTS", "TZK"})
        box(narrow)->setMaximumWidth(70);
    box("QXSJ")->setMaximumWidth(100);
    row(0, QStringLiteral("默认供货商："), {box("MR_GHS"), pickSupplier, box("MR_GHSMC")});
    row(1, QStringLiteral("默认客户："), {box("MR_KH"), pickCustomer, box("MR_KHMC")});
    row(2, QStringLiteral("背景图文件："), {box("LOG"), pickBackground});
    row(3, QStringLiteral("备份位置："), {box("BF"), pickBackup, label(QStringLiteral("（请从软件安装目录内选择！）"))});
    row(4, QStringLiteral("消费："),
        {box("XJF"), label(QStringLiteral("元，积一分")), label(QStringLiteral("      全场打折：")), box("TZK"),
         label(QStringLiteral("折扣率（%）"))});
    row(5, QStringLiteral("取相天数："), {box("QXTS"), label(QStringLiteral("（输入几天后取照）"))});
    row(6, QStringLiteral("取相时间："),
        {box("QXSJ"), label(QStringLiteral("（输入取相时间，或直接输入上午、下午等）"))});
    for (QGridLayout *g : {ownLayout, grid}) {
        g->setVerticalSpacing(2);
        g->setContentsMargins(8, 4, 8, 4);
    }

    const SaveExitRow buttons = makeSaveExitRow(this, QStringLiteral(" 保 存"), QStringLiteral(" 退 出"));

    auto *layout = new QVBoxLayout(this);
    layout->setSpacing(4);
    layout->setContentsMargins(8, 6, 8, 6);
    layout->addWidget(own);
    layout->addWidget(defaults);
    layout->addStretch();
    layout->addLayout(buttons.layout);
    resize(540, 390);

    connect(buttons.save, &QPushButton::clicked, this, &TBM_GSXX::save);
    // pickSupplier and pickCustomer open the supplier and customer pickers, which
    // fill the code and name boxes.
    connect(pickSupplier, &QToolButton::clicked, this, [this] {
        // The supplier picker (Txzghs) lives with the master data; it is found by name.
        const Pickers::Picker picker = Pickers::find(QStringLiteral("supplier"));
        if (!picker)
            return;
        if (const std::optional<QVariantMap> row = picker(this, QString())) {
            box("MR_GHS")->setText(row->value(QStringLiteral("BM")).toString());
            box("MR_GHSMC")->setText(row->value(QStringLiteral("MC")).toString());
        }
    });
    connect(pickCustomer, &QToolButton::clicked, this, [this] {
        // The customer picker (Txzkh) lives with the master data as well.
        const Pickers::Picker picker = Pickers::find(QStringLiteral("customer"));
        if (!picker)
            return;
        if (const std::optional<QVariantMap> row = picker(this, QString())) {
            box("MR_KH")->setText(row->value(QStringLiteral("BM")).toString());
            box("MR_KHMC")->setText(row->value(QStringLiteral("MC")).toString());
        }
    });
    connect(pickBackground, &QToolButton::clicked, this, &TBM_GSXX::chooseBackground);
    connect(pickBackup, &QToolButton::clicked, this, &TBM_GSXX::chooseBackupFolder);

    // The data analysis tool has no other way in.
    auto *console = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_F12), this);
    console->setObjectName(QStringLiteral("sqlConsoleShortcut"));
    console->setContext(Qt::WidgetWithChildrenShortcut);
    connect(console, &QShortcut::activated, this, &TBM_GSXX::openSqlConsole);
    EnterMovesFocus::install(this);

    fill();
}

void TBM_GSXX::openSqlConsole()
{
    // The console runs any statement, passwords and rights included: whoever
    // may edit the company row is not thereby allowed that.
    if (!App::session().isAdministrator()) {
        prompt().info(SqlConsole::administratorOnlyMessage());
        return;
    }
    TSQL_YJ *w = TSQL_YJ::instance();
    w->show();
    w->raise();
    w->activateWindow();
}

QLineEdit *TBM_GSXX::box(const char *column) const
{
    return m_boxes.value(QString::fromLatin1(column));
}

void TBM_GSXX::fill()
{
    std::optional<CompanyInfo> c;
    try {
        c = Company::load();
    } catch (const DbError &e) {
        prompt().message(e.text(), QString(), Prompt::Icon::Critical);
    }
    box("TZK")->setText(c ? c->TZK : CompanyInfo().TZK);
    if (!c)
        return;
    const std::pair<const char *, QString> values[] = {
        {"GSMC", c->GSMC}, {"DH", c->DH},     {"DZ", c->DZ},         {"MR_GHS", c->MR_GHS}, {"MR_GHSMC", c->MR_GHSMC},
        {"MR_KH", c->MR_KH}, {"MR_KHMC", c->MR_KHMC}, {"LOG", c->LOG}, {"BF", c->BF},       {"XJF", c->XJF},
        {"QXTS", c->QXTS}, {"QXSJ", c->QXSJ},
    };
    for (const auto &[column, value] : values)
        if (!value.isNull())
            box(column)->setText(value);
    m_pickUpDays = box("QXTS")->text();
}

void TBM_GSXX::save()
{
    // A save by keyboard does not leave the box being edited; check it as if it had been left.
    if (box("XJF")->hasFocus() && !checkPointsRule())
        return;
    if (box("QXTS")->hasFocus() && !checkPickUpDays())
        return;
    CompanyInfo c;
    c.GSMC = box("GSMC")->text();
    c.DH = box("DH")->text();
    c.DZ = box("DZ")->text();
    c.MR_GHS = box("MR_GHS")->text();
    c.MR_GHSMC = box("MR_GHSMC")->text();
    c.MR_KH = box("MR_KH")->text();
    c.MR_KHMC = box("MR_KHMC")->text();
    c.LOG = box("LOG")->text();
    c.BF = box("BF")->text();
    c.XJF = box("XJF")->text();
    c.QXTS = box("QXTS")->text();
    c.QXSJ = box("QXSJ")->text();
    c.TZK = box("TZK")->text();
    QString badField;
    const Outcome outcome = Company::save(c, &badField);
    if (outcome) {
        m_pickUpDays = c.QXTS;
        prompt().info(outcome.message);
        return;
    }
    if (QLineEdit *e = badField.isEmpty() ? nullptr : box(badField.toLatin1().constData())) {
        prompt().info(outcome.message);
        if (badField == QLatin1String("XJF"))
            e->setText(QStringLiteral("1"));
        else if (badField == QLatin1String("QXTS"))
            e->setText(m_pickUpDays);
        e->setFocus();
        e->selectAll();
        return;
    }
    prompt().message(outcome.text(), QString(), Prompt::Icon::Critical);
}

void TBM_GSXX::checkCode(QLineEdit *code, QLineEdit *name, bool supplier)
{
    const QString text = code->text();
    if (text.isEmpty())
        return;
    std::optional<QString> found;
    try {
        found = supplier ? Company::supplierName(text) : Company::customerName(text);
    } catch (const DbError &e) {
        prompt().message(e.text(), QString(), Prompt::Icon::Critical);
        return;
    }
    if (found) {
        name->setText(*found);
        return;
    }
    prompt().info(Company::unknownCodeMessage());
    code->clear();
    name->clear();
    code->setFocus();
}

bool TBM_GSXX::checkPointsRule()
{
    QLineEdit *e = box("XJF");
    const auto message = Company::checkPointsRule(e->text());
    if (!message)
        return true;
    prompt().info(*message);
    e->setText(QStringLiteral("1"));
    e->setFocus();
    return false;
}

bool TBM_GSXX::checkPickUpDays()
{
    QLineEdit *e = box("QXTS");
    const auto message = Company::checkPickUpDays(e->text());
    if (!message) {
        m_pickUpDays = e->text();
        return true;
    }
    prompt().info(*message);
    // The number the box held before the wrong text was typed.
    e->setText(m_pickUpDays);
    e->setFocus();
    return false;
}

void TBM_GSXX::chooseBackground()
{
    const QString file = prompt().openFile(QStringLiteral("背景图文件"), App::home().root(),
                                           QStringLiteral("图片文件 (*.jpg *.jpeg *.bmp *.png *.gif)"));
    if (!file.isEmpty())
        // The main window looks for the picture in the home folder by this name.
        box("LOG")->setText(QFileInfo(file).fileName());
}

void TBM_GSXX::chooseBackupFolder()
{
    const QString current = box("BF")->text();
    const QString folder = prompt().chooseFolder(QStringLiteral("请指定存放位置"),
                                                 current.isEmpty() ? App::home().root() : current);
    if (!folder.isEmpty())
        box("BF")->setText(Company::backupFolder(folder));
}

bool TBM_GSXX::eventFilter(QObject *watched, QEvent *event)
{
    auto *edit = qobject_cast<QLineEdit *>(watched);
    if (edit && event->type() == QEvent::FocusOut) {
        // Only leaving the box counts, not another window (a message box) coming forward.
        const Qt::FocusReason reason = static_cast<QFocusEvent *>(event)->reason();
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason) {
            if (edit == box("MR_GHS"))
                checkCode(edit, box("MR_GHSMC"), true);
            else if (edit == box("MR_KH"))
                checkCode(edit, box("MR_KHMC"), false);
            else if (edit == box("XJF"))
                checkPointsRule();
            else if (edit == box("QXTS"))
                checkPickUpDays();
        }
    }
    return QWidget::eventFilter(watched, event);
}

void TBM_GSXX::closeEvent(QCloseEvent *event)
{
    // Saved or not, the main window shows the company as the database now holds it.
    emit AppEvents::instance().companyChanged();
    QWidget::closeEvent(event);
}
