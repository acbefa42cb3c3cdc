#pragma once
#include <QApplication>

// The application: catches what a window did not handle and shows it in the
// standard error box, so that the program stays usable.
class HelanApplication : public QApplication
{
public:
    HelanApplication(int &argc, char **argv);
    bool notify(QObject *receiver, QEvent *event) override;
};

// Start-up: single instance per home, home folder, prompts, login, main window.
int runApplication(int argc, char **argv);
