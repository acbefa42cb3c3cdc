#include "app/main_window.h"
#include "app/manual_window.h"
#include "app/window_catalog.h"

#include "core/clock.h"
#include "core/db/database.h"
#include "core/home.h"
#include "core/prompt.h"
#include "core/session.h"
#include "core/settings.h"
#include "core/text/pinyin.h"
#include "maintenance/backup.h"
#include "system/company_info.h"
#include "system/menu_catalog.h"
#include "ui/app_events.h"

#include <QAction>
#include <optional>
#include <QApplication>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPainter>
#include <QProcess>
#include <QStyle>
#include <QPushButton>
#include <QStatusBar>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>

namespace {
// A label that acts on a click (the pictures of the title panel).
class ClickLabel : public QLabel
{
public:
    std::function<void()> onClick;
    using QLabel::QLabel;

protected:
    void mousePressEvent(QMouseEvent *e) override
    {
        if (e->button() == Qt::LeftButton && onClick)
            onClick();
    }
};

// Left-panel buttons and the menu entries they stand for.
struct LeftButton
{
    const char *caption;
    const char *objectName;
    const char *entryCode; // empty: acts on its own
};
const LeftButton leftButtons[] = {
    {"添加新客户", "btnAddMember", ""}, {"婚礼订单", "btnOrder", "310"},     {"订单查询", "btnOrderQuery", "417"},
    {"订单明细查询", "btnOrderLines", "429"}, {"收款单", "btnReceipt", "318"}, {"收款单查询", "btnReceiptQuery", "422"},
    {"账套备份", "btnBackup", "114"},   {"退出", "btnExit", ""},
};

// The company name in the title panel: a long name is cut with "…" instead of
// widening the main window past the screen.
class ElidedLabel : public QLabel
{
public:
    using QLabel::QLabel;
    QSize minimumSizeHint() const override { return QSize(0, QLabel::minimumSizeHint().height()); }
    QSize sizeHint() const override { return QSize(qMin(QLabel::sizeHint().width(), 400), QLabel::sizeHint().height()); }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        const QRect area = contentsRect();
        const QString shown = fontMetrics().elidedText(text(), Qt::ElideRight, area.width());
        style()->drawItemText(&painter, area, int(alignment()), palette(), isEnabled(), shown, foregroundRole());
    }
};

class WaitCursor
{
public:
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
};
}

Tform1::Tform1(QWidget *parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("Tform1"));
    m_branding = Branding::fromSettings(App::settings());
    qApp->setProperty("applicationTitle", m_branding.productTitle);
    setWindowTitle(m_branding.mainCaption());

    m_area = new QMdiArea(this);
    m_area->setObjectName(QStringLiteral("workArea"));

    auto *central = new QWidget(this);
    auto *outer = new QVBoxLayout(central);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);
    setCentralWidget(central);
    buildMenus();
    buildTitlePanel();
    auto *row = new QHBoxLayout;
    row->setSpacing(0);
    outer->addLayout(row, 1);
    buildLeftPanel();
    row->addWidget(findChild<QWidget *>(QStringLiteral("leftPanel")));
    row->addWidget(m_area, 1);
    buildStatusBar();

    m_area->viewport()->installEventFilter(this);
    reloadCompany(false);
    connect(&AppEvents::instance(), &AppEvents::companyChanged, this, [this] { reloadCompany(true); });
    connect(&AppEvents::instance(), &AppEvents::rightsChanged, this, &Tform1::applyMenuRights);
    connect(&AppEvents::instance(), &AppEvents::openDocument, this, &Tform1::openDocument);

    m_contactButton->setVisible(App::settings().value(QStringLiteral("ZJM"), QStringLiteral("TQQ"),
                                                      QStringLiteral("F")) == QLatin1String("F"));
    resize(1024, 720);
    setWindowState(Qt::WindowMaximized);
}

void Tform1::buildMenus()
{
    const auto &menus = MenuCatalog::restrictedMenus();
    for (int n = 1; n <= static_cast<int>(menus.size()); ++n) {
        const TopMenu &top = menus[n - 1];
        QMenu *menu = menuBar()->addMenu(QString::fromUtf8(top.caption));
        menu->setObjectName(QStringLiteral("menu%1").arg(n));
        for (int i = 0; i < static_cast<int>(top.entries.size()); ++i) {
            const MenuEntry &e = top.entries[i];
            QAction *a = e.isSeparator() ? menu->addSeparator() : menu->addAction(QString::fromUtf8(e.caption));
            const QString code = MenuCatalog::entryCode(n, i).chopped(1);
            a->setObjectName(QStringLiteral("menu_") + code);
            a->setVisible(!e.hidden);
            m_entries.insert(code, a);
            if (!e.isSeparator()) {
                const QString cls = QString::fromUtf8(e.windowClass);
                const QString caption = QString::fromUtf8(e.windowCaption);
                connect(a, &QAction::triggered, this, [this, cls, caption] { runEntry(cls, caption); });
            }
        }
    }
    QMenu *help = menuBar()->addMenu(QStringLiteral("帮助"));
    help->setObjectName(QStringLiteral("menuHelp"));
    QAction *manual = help->addAction(QStringLiteral("操作手册"));
    manual->setObjectName(QStringLiteral("menu_manual"));
    connect(manual, &QAction::triggered, this, [this] {
        // One manual window at a time; a second click brings it forward.
        if (auto *open = findChild<ManualWindow *>()) {
            open->raise();
            open->activateWindow();
            return;
        }
        (new ManualWindow(this))->show();
    });
    m_aboutAction = help->addAction(QStringLiteral("关于"));
    m_aboutAction->setObjectName(QStringLiteral("menu_about"));
    m_aboutAction->setVisible(!m_branding.alternative);
    connect(m_aboutAction, &QAction::triggered, this, &Tform1::showAbout);
    QAction *quit = help->addAction(QStringLiteral("退出"));
    quit->setObjectName(QStringLiteral("menu_exit"));
    connect(quit, &QAction::triggered, this, &QWidget::close);
}

void Tform1::buildTitlePanel()
{
    auto *panel = new QFrame(centralWidget());
    panel->setObjectName(QStringLiteral("titlePanel"));
    panel->setFixedHeight(60);
    panel->setAutoFillBackground(true);
    panel->setStyleSheet(QStringLiteral("#titlePanel { background: qlineargradient(x1:0, y1:0, x2:1, y2:0, "
                                        "stop:0 #8e3e5c, stop:1 #c76b8a); }"
                                        "#companyLabel { color: white; font-size: 22px; font-weight: bold; }"));
    auto *lay = new QHBoxLayout(panel);
    lay->setContentsMargins(16, 0, 4, 0);
    m_companyLabel = new ElidedLabel(QStringLiteral("超市管理系统"), panel);
    m_companyLabel->setObjectName(QStringLiteral("companyLabel"));
    lay->addWidget(m_companyLabel, 1);
    auto *picture = new ClickLabel(panel);
    picture->setObjectName(QStringLiteral("titlePicture"));
    picture->setFixedSize(216, 58);
    QPixmap logo(App::home().path(QStringLiteral("log.jpg")));
    if (!logo.isNull())
        picture->setPixmap(logo.scaled(216, 58, Qt::KeepAspectRatio, Qt::SmoothTransformation));
    picture->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    picture->setCursor(Qt::PointingHandCursor);
    picture->onClick = [] { QDesktopServices::openUrl(QUrl::fromLocalFile(App::home().root())); };
    picture->setVisible(!m_branding.alternative);
    lay->addWidget(picture);
    static_cast<QVBoxLayout *>(centralWidget()->layout())->addWidget(panel);
}

void Tform1::buildLeftPanel()
{
    auto *panel = new QFrame(centralWidget());
    panel->setObjectName(QStringLiteral("leftPanel"));
    panel->setFixedWidth(159);
    auto *lay = new QVBoxLayout(panel);
    lay->setContentsMargins(6, 8, 6, 8);
    for (const LeftButton &b : leftButtons) {
        auto *button = new QPushButton(QString::fromUtf8(b.caption), panel);
        button->setObjectName(QString::fromLatin1(b.objectName));
        button->setMinimumHeight(38);
        const QString code = QString::fromLatin1(b.entryCode);
        if (!code.isEmpty()) {
            // A button acts through its menu entry, so a disabled entry disables the button's action.
            connect(button, &QPushButton::clicked, this, [this, code] {
                if (QAction *a = entryAction(code); a && a->isEnabled())
                    a->trigger();
            });
        } else if (qstrcmp(b.objectName, "btnExit") == 0) {
            connect(button, &QPushButton::clicked, this, &QWidget::close);
        } else {
            connect(button, &QPushButton::clicked, this,
                    [this] { openWindow(QStringLiteral("TTJKH"), QStringLiteral("添加会员")); });
        }
        lay->addWidget(button);
    }
    lay->addStretch(1);
    m_contactButton = new QPushButton(m_branding.contactNumber, panel);
    m_contactButton->setObjectName(QStringLiteral("contactButton"));
    connect(m_contactButton, &QPushButton::clicked, this,
            [this] { QDesktopServices::openUrl(QUrl(m_branding.contactLink())); });
    lay->addWidget(m_contactButton);
}

void Tform1::buildStatusBar()
{
    const int widths[4] = {350, 70, 150, 50};
    for (int i = 0; i < 4; ++i) {
        m_status[i] = new QLabel(this);
        m_status[i]->setObjectName(QStringLiteral("statusPanel%1").arg(i));
        m_status[i]->setMinimumWidth(widths[i]);
        statusBar()->addWidget(m_status[i], i == 3 ? 1 : 0);
    }
    m_status[0]->setText(QStringLiteral("研发单位：") + m_branding.developer + QStringLiteral("   联系QQ：") +
                         m_branding.contactNumber);
    m_status[2]->setText(QStringLiteral("操作员：") + App::session().currentUserName);
    m_clock = new QTimer(this);
    connect(m_clock, &QTimer::timeout, this, &Tform1::tick);
    m_clock->start(1000);
    tick();
}

void Tform1::tick()
{
    const QDateTime now = Clock::now();
    m_status[3]->setText(now.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) + QLatin1Char(' ') +
                         Clock::weekdayName(now.date()));
}

void Tform1::reloadCompany(bool afterCompanyWindow)
{
    std::optional<CompanyInfo> info;
    try {
        info = Company::load();
    } catch (const DbError &) {
        // A missing company row or table leaves the picture empty, without a message.
    }
    if (info && !info->GSMC.isNull()) {
        m_companyLabel->setText(info->GSMC);
        m_companyLabel->setToolTip(info->GSMC);
    }
    if (!afterCompanyWindow) {
        setBackground(info ? App::home().path(info->LOG) : QString());
        return;
    }
    // After the company window the fallback picture stands in, and the user is told.
    const BackgroundChoice choice = Company::chooseBackground(info ? info->LOG : QString());
    setBackground(choice.path);
    if (choice.fallback())
        prompt().info(choice.message);
}

void Tform1::setBackground(const QString &file)
{
    m_background = file.isEmpty() ? QPixmap() : QPixmap(file);
    m_area->setProperty("backgroundFile", m_background.isNull() ? QString() : file);
    scaleBackground();
}

void Tform1::scaleBackground()
{
    if (m_background.isNull()) {
        m_area->setBackground(palette().brush(QPalette::Window));
        return;
    }
    // Stretched to fill the work area, as the picture is meant to be seen.
    const QSize size = m_area->viewport()->size().isEmpty() ? QSize(1000, 640) : m_area->viewport()->size();
    m_area->setBackground(QBrush(m_background.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)));
}

bool Tform1::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_area->viewport() && event->type() == QEvent::Resize)
        scaleBackground();
    return QMainWindow::eventFilter(watched, event);
}

void Tform1::applyMenuRights()
{
    Session &s = App::session();
    s.refreshUserRow();
    const auto &menus = MenuCatalog::restrictedMenus();
    for (int n = 1; n <= static_cast<int>(menus.size()); ++n)
        for (int i = 0; i < static_cast<int>(menus[n - 1].entries.size()); ++i)
            if (QAction *a = m_entries.value(MenuCatalog::entryCode(n, i).chopped(1)))
                a->setEnabled(MenuCatalog::isEnabled(n, i, s.qx[n - 1], s.currentUserCode));
}

QAction *Tform1::entryAction(const QString &code) const { return m_entries.value(code); }

void Tform1::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    if (m_shownOnce)
        return;
    m_shownOnce = true;
    applyMenuRights();
    reloadCompany(false);
    if (App::settings().value(QStringLiteral("dl"), QStringLiteral("srtx"), QStringLiteral("T")) == QLatin1String("T"))
        if (QAction *a = entryAction(QStringLiteral("216")); a && a->isEnabled())
            a->trigger();
}

void Tform1::runEntry(const QString &windowClass, const QString &caption)
{
    if (windowClass == QLatin1String("backup")) {
        Backup::runMenuBackup();
    } else if (windowClass == QLatin1String("restore")) {
        // Open windows hold rows of the file about to be replaced: they close
        // first (their own questions; one that stays open cancels the restore).
        if (!closeChildWindows())
            return;
        WaitCursor wait;
        Backup::runRestore();
        // Rights and the pinyin initials come from the file now open.
        Text::reloadPinyinTable();
        applyMenuRights();
        reloadCompany(false);
    } else if (windowClass == QLatin1String("compact")) {
        Backup::runCompaction();
    } else if (windowClass == QLatin1String("update")) {
        programUpdate();
    } else if (windowClass == QLatin1String("screensaver")) {
        QProcess::startDetached(QStringLiteral("xdg-screensaver"), {QStringLiteral("activate")});
    } else {
        openWindow(windowClass, caption);
    }
}

QWidget *Tform1::openWindow(const QString &className, const QString &caption)
{
    if (QMdiSubWindow *open = m_children.value(className)) {
        open->showNormal();
        m_area->setActiveSubWindow(open);
        return open->widget();
    }
    const WindowKind *kind = findWindowKind(className);
    if (!kind)
        return nullptr;
    QWidget *w = kind->create();
    if (!w)
        return nullptr;
    if (w->windowTitle().isEmpty())
        w->setWindowTitle(caption);
    if (kind->dialog) {
        w->setParent(this, Qt::Dialog);
        w->setAttribute(Qt::WA_DeleteOnClose);
        if (auto *d = qobject_cast<QDialog *>(w))
            d->exec();
        else
            w->show();
        return w;
    }
    QMdiSubWindow *sub = m_area->addSubWindow(w);
    sub->setAttribute(Qt::WA_DeleteOnClose);
    w->setAttribute(Qt::WA_DeleteOnClose);
    // Child windows sit at the top left of the work area.
    sub->move(0, 0);
    if (kind->fillWorkArea)
        sub->resize(m_area->viewport()->size() - QSize(6, 4));
    m_children.insert(className, sub);
    // A window that closes itself (its own 退出 button) takes its frame along,
    // so that the menu entry makes it afresh instead of showing an empty frame.
    // The frame goes after the event that deleted the window has finished.
    QPointer<QMdiSubWindow> frame(sub);
    connect(w, &QObject::destroyed, this, [frame] {
        QTimer::singleShot(0, frame, [frame] {
            if (frame && !frame->widget())
                frame->close();
        });
    });
    if (className == QLatin1String("TGGQX"))
        connect(w, &QObject::destroyed, this, &Tform1::applyMenuRights);
    sub->show();
    return w;
}

QWidget *Tform1::openDocument(const QString &windowName, const QString &number)
{
    // Through the menu entry, so that a user without the entry opens nothing.
    QAction *entry = nullptr;
    const auto &menus = MenuCatalog::restrictedMenus();
    for (int n = 1; n <= static_cast<int>(menus.size()) && !entry; ++n)
        for (int i = 0; i < static_cast<int>(menus[n - 1].entries.size()); ++i)
            if (windowName == QLatin1String(menus[n - 1].entries[i].windowClass)) {
                entry = m_entries.value(MenuCatalog::entryCode(n, i).chopped(1));
                break;
            }
    if (!entry || !entry->isEnabled())
        return nullptr;
    entry->trigger();
    QMdiSubWindow *sub = m_children.value(windowName);
    QWidget *window = sub ? sub->widget() : nullptr;
    // A document window loads the number itself, asking first about unsaved edits.
    if (window)
        QMetaObject::invokeMethod(window, "openNumber", Qt::DirectConnection, Q_ARG(QString, number));
    return window;
}

void Tform1::programUpdate()
{
    if (prompt().question(QStringLiteral("升级前需要先退出软件，是否现在退出？"), QStringLiteral("提示"),
                          Prompt::YesNo, Prompt::Icon::Information) != Prompt::Answer::Yes)
        return;
    close();
    // The updater is started even when the close was cancelled.
    QProcess::startDetached(App::home().path(QStringLiteral("UPDate.exe")), {}, App::home().root());
}

void Tform1::closeEvent(QCloseEvent *event)
{
    // Child windows first, each with its own question, so that the backups
    // below hold what they save; a window that stays open cancels the close.
    if (!closeChildWindows()) {
        event->ignore();
        return;
    }
    const Prompt::Answer a =
        prompt().question(QStringLiteral("退出时备份数据吗（是-备份；否-不备份；取消-不退出）？"), QStringLiteral("提示"),
                          Prompt::YesNoCancel, Prompt::Icon::Information);
    // The weekday backup is made at every attempt to close, Cancel included.
    Backup::runClosingBackups(a == Prompt::Answer::Yes);
    if (a == Prompt::Answer::Cancel) {
        event->ignore();
        return;
    }
    event->accept();
}

bool Tform1::closeChildWindows()
{
    m_area->closeAllSubWindows();
    // A frame is deleted later than its close; only those still shown count.
    for (QMdiSubWindow *sub : m_area->subWindowList())
        if (sub->isVisible() && sub->widget())
            return false;
    return true;
}

void Tform1::showAbout()
{
    QDialog box(this);
    box.setObjectName(QStringLiteral("TGY"));
    box.setWindowTitle(QStringLiteral("关于本软件"));
    box.setFixedSize(550, 340);
    auto *lay = new QVBoxLayout(&box);
    auto add = [&](const QString &text, bool big = false) {
        auto *l = new QLabel(text, &box);
        if (big)
            l->setStyleSheet(QStringLiteral("font-size: 20px; font-weight: bold;"));
        lay->addWidget(l);
        return l;
    };
    add(m_branding.productTitle, true);
    add(m_branding.versionText());
    add(QStringLiteral("研发单位：") + m_branding.developer);
    add(QStringLiteral("联系方式：") + m_branding.telephone + QStringLiteral("（手机/微信）   ") +
        m_branding.contactNumber + QStringLiteral("（QQ） "));
    add(QStringLiteral("地址：") + m_branding.address);
    QLabel *web = add(QStringLiteral("<a href=\"%1\">%1</a>").arg(m_branding.webAddress));
    web->setOpenExternalLinks(true);
    lay->addStretch(1);
    auto *buttons = new QDialogButtonBox(&box);
    buttons->addButton(QStringLiteral("确定"), QDialogButtonBox::AcceptRole);
    connect(buttons, &QDialogButtonBox::accepted, &box, &QDialog::accept);
    lay->addWidget(buttons);
    box.exec();
}
