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
};
