#pragma once
#include "system/branding.h"

#include <QMainWindow>
#include <QMap>
#include <QPixmap>
#include <QPointer>

class QAction;
class QLabel;
class QMdiArea;
class QMdiSubWindow;
class QPushButton;
class QTimer;

// The main window: menus, left buttons, title panel, background, status bar.
class Tform1 : public QMainWindow
{
    Q_OBJECT
public:
    explicit Tform1(QWidget *parent = nullptr);

    // Enables every restricted menu entry after the current user's rights
    // (re-reads the user's row first). Called when shown and when the rights window closes.
    void applyMenuRights();
    // The action of a restricted entry by its code ("215"), or of 帮助 by caption.
    QAction *entryAction(const QString &code) const;
    // Opens the window a menu entry names; returns it (nullptr when this build has none).
    QWidget *openWindow(const QString &className, const QString &caption);
    void reloadCompany(bool afterCompanyWindow);
    // "Open this number" from a query or reminder window: the document window
    // opens by its menu entry (a disabled entry opens nothing) and is asked to
    // load the number through its openNumber(QString) slot.
    QWidget *openDocument(const QString &windowName, const QString &number);
    const Branding &branding() const { return m_branding; }
    QMdiArea *workArea() const { return m_area; }

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildMenus();
    void buildTitlePanel();
    void buildLeftPanel();
    void buildStatusBar();
    void runEntry(const QString &windowClass, const QString &caption);
    // Closes every child window through its own close question; false when one stays open.
    bool closeChildWindows();
    void tick();
    void programUpdate();
    void showAbout();
    void setBackground(const QString &file);
    void scaleBackground();

    Branding m_branding;
    QPixmap m_background;
    QMdiArea *m_area = nullptr;
    QLabel *m_companyLabel = nullptr;
    QLabel *m_status[4] = {};
    QPushButton *m_contactButton = nullptr;
    QTimer *m_clock = nullptr;
    QMap<QString, QAction *> m_entries; // code → action
    QMap<QString, QPointer<QMdiSubWindow>> m_children; // class → open child
    QAction *m_aboutAction = nullptr;
    bool m_shownOnce = false;
};
