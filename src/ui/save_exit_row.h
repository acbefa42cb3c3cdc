#pragma once
#include <QString>

class QHBoxLayout;
class QPushButton;
class QWidget;

// The right-aligned save and exit buttons of a settings-style window
// ("saveButton", "exitButton"); exit closes the window.
struct SaveExitRow
{
    QHBoxLayout *layout;
    QPushButton *save;
    QPushButton *exit;
};

SaveExitRow makeSaveExitRow(QWidget *window, const QString &saveCaption, const QString &exitCaption);
