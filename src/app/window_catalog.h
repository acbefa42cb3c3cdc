#pragma once
#include <QString>
#include <functional>

class QWidget;

// Which class builds the window a menu entry names. Entries whose window a
// later version brings are simply absent: opening them does nothing.
struct WindowKind
{
    const char *className;
    std::function<QWidget *()> create;
    bool dialog = false; // shown modally instead of as a child of the work area
    // Lists and documents take the whole work area, less a few pixels; the
    // small setting windows keep their own size.
    bool fillWorkArea = false;
};

const WindowKind *findWindowKind(const QString &className);
