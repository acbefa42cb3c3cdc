#pragma once
#include <QObject>

// Notifications between windows that do not know each other: a window emits,
// the main window (or any other) listens.
class AppEvents : public QObject
{
    Q_OBJECT
public:
    static AppEvents &instance();

Q_SIGNALS:
    // The company row may have changed: refresh background picture and company name.
    void companyChanged();
    // The current user's rights may have changed: re-apply the menu rights.
    void rightsChanged();
    // A query window asks for a document to be shown: the window of that
    // class (its objectName, "Txsd") opened on the given number. Whoever opens
    // windows listens; the document window keeps unsaved edits of its own
    // until the user answers for them.
    void openDocument(const QString &windowName, const QString &number);
};
