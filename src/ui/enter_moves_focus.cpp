#include "ui/enter_moves_focus.h"

#include <QAbstractButton>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>

namespace {
bool isPlainEnter(const QKeyEvent *e)
{
    return (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) &&
           (e->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
}

bool isFormWidget(const QWidget *w)
{
    return qobject_cast<const QLineEdit *>(w) || qobject_cast<const QComboBox *>(w) ||
           qobject_cast<const QAbstractSpinBox *>(w) || qobject_cast<const QAbstractButton *>(w);
}
}

EnterMovesFocus::EnterMovesFocus(QWidget *window) : QObject(window) {}

EnterMovesFocus *EnterMovesFocus::install(QWidget *window)
{
    auto *filter = new EnterMovesFocus(window);
    for (QWidget *w : window->findChildren<QWidget *>())
        if (isFormWidget(w) && !qobject_cast<const QLineEdit *>(w->parentWidget()) &&
            !qobject_cast<const QComboBox *>(w->parentWidget()) &&
            !qobject_cast<const QAbstractSpinBox *>(w->parentWidget()))
            filter->watch(w);
    return filter;
}

void EnterMovesFocus::watch(QWidget *widget)
{
    widget->installEventFilter(this);
    // The line edit inside an editable drop-down gets the key first.
    if (auto *box = qobject_cast<QComboBox *>(widget); box && box->lineEdit())
        box->lineEdit()->installEventFilter(this);
}

void EnterMovesFocus::setNext(QWidget *from, QWidget *to)
{
    watch(from);
    m_next.insert(from, to);
    if (auto *box = qobject_cast<QComboBox *>(from); box && box->lineEdit())
        m_next.insert(box->lineEdit(), to);
}

bool EnterMovesFocus::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::KeyPress || !isPlainEnter(static_cast<QKeyEvent *>(event)))
        return QObject::eventFilter(watched, event);
    auto *widget = qobject_cast<QWidget *>(watched);
    if (!widget)
        return false;
    // An open drop-down list takes Enter as its choice.
    if (auto *box = qobject_cast<QComboBox *>(widget->parentWidget() ? widget->parentWidget() : widget);
        box && box->view() && box->view()->isVisible())
        return false;
    if (QWidget *next = m_next.value(watched)) {
        if (auto *button = qobject_cast<QAbstractButton *>(next))
            button->click();
        else
            next->setFocus(Qt::TabFocusReason);
        return true;
    }
    // A check box or radio button moves on; any other button is pressed.
    if (auto *button = qobject_cast<QAbstractButton *>(widget); button && !button->isCheckable()) {
        button->click();
        return true;
    }
    // As Tab: the window's own focus chain decides where to go.
    QKeyEvent tab(QEvent::KeyPress, Qt::Key_Tab, Qt::NoModifier);
    QApplication::sendEvent(widget, &tab);
    return true;
}
