#pragma once
#include <QHash>
#include <QObject>
#include <QPointer>

class QWidget;

// Enter moves on to the next box, as counter staff expect of every form: on a
// button it presses the button, on a box with a named successor it goes there
// (or presses it, when the successor is a button), elsewhere it acts as Tab.
// Installed once per window, it watches the boxes the window has when
// installed; watch() adds one made later.
class EnterMovesFocus : public QObject
{
    Q_OBJECT
public:
    // Installs the behaviour on every box and button of the window.
    static EnterMovesFocus *install(QWidget *window);

    void watch(QWidget *widget);
    // Enter in `from` goes to `to` (a button is pressed).
    void setNext(QWidget *from, QWidget *to);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    explicit EnterMovesFocus(QWidget *window);
    QHash<QObject *, QPointer<QWidget>> m_next;
};
