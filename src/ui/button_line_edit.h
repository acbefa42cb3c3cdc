#pragma once
#include <QWidget>

class QLineEdit;
class QToolButton;

// A cell editor of a text with a "..." button beside it (a picker, a file
// choice). Focus goes to the text; the button is reached by the mouse.
class ButtonLineEdit : public QWidget
{
    Q_OBJECT
public:
    ButtonLineEdit(const QString &editName, const QString &buttonName, QWidget *parent);

    QLineEdit *edit = nullptr;
    QToolButton *button = nullptr;
};
