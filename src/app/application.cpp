#include "app/application.h"
#include "app/login_window.h"
#include "app/main_window.h"
#include "app/program_identity.h"

#include "core/db/database.h"
#include "core/home.h"
#include "core/prompt.h"
#include "core/session.h"
#include "core/settings.h"
#include "system/branding.h"
#include "ui/message_prompt.h"

#include <QFont>
#include <QLockFile>
#include <QTimer>

HelanApplication::HelanApplication(int &argc, char **argv) : QApplication(argc, argv) {}

bool HelanApplication::notify(QObject *receiver, QEvent *event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const DbError &e) {
        prompt().message(e.text(), QString(), Prompt::Icon::Critical);
    } catch (const std::exception &e) {
        prompt().message(QString::fromUtf8(e.what()), QString(), Prompt::Icon::Critical);
    }
    return false;
}

int runApplication(int argc, char **argv)
{
    HelanApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("helan"));
    // The window system adds the display name to every caption, so the title is kept apart.
    app.setProperty("applicationTitle", startupTitle());
    QApplication::setFont(QFont(QStringLiteral("Noto Sans CJK SC"), 10));
    applyProgramIdentity(app);
    QApplication::setQuitOnLastWindowClosed(false);
    MessagePrompt messages;
    installPrompt(&messages);

    App::setHome(Home::locate());
    Home &home = App::home();
    // One running program per home folder.
    QLockFile lock(home.lockFile());
    if (const Outcome locked = home.takeLock(lock); !locked) {
        const bool running = lock.error() == QLockFile::LockFailedError;
        prompt().message(locked.text(), running ? QStringLiteral("提示") : QString(),
                         running ? Prompt::Icon::Information : Prompt::Icon::Critical);
        return running ? 0 : 1;
    }
    // Only once the lock is ours: the leftovers may be a running program's work otherwise.
    home.removeLeftovers(home.databaseFile(App::settings()));
    QString error;
    if (!home.prepare(&error)) {
        prompt().message(error, QString(), Prompt::Icon::Critical);
        return 1;
    }

    const Branding branding = Branding::fromSettings(App::settings());
    app.setProperty("applicationTitle", branding.productTitle);
    {
        Tdl login(branding);
        if (login.exec() != QDialog::Accepted)
            return 0;
    }
    Tform1 main;
    main.show();
    QObject::connect(&app, &QApplication::lastWindowClosed, &app, [&main] {
        if (!main.isVisible())
            QApplication::quit();
    });
    QObject::connect(&main, &QObject::destroyed, &app, &QApplication::quit);
    main.setAttribute(Qt::WA_DeleteOnClose, false);
    QApplication::setQuitOnLastWindowClosed(true);
    const int rc = app.exec();
    Database::close();
    return rc;
}
