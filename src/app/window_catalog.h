#pragma once
#include "core/db/grid_spec.h"

#include <QSize>
#include <QString>
#include <functional>

class GridWindow;
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

// A grid window described as data: the catalog makes a plain GridWindow of
// it, named and sized as given, over the rows of its description. The rows load when
// the window is first shown.
struct GridMember
{
    const char *className; // the window's objectName, as the data model names it ("TBM_YG")
    const char *caption;   // its title ("员工资料")
    std::function<GridSpec()> spec;
    QSize size = QSize(800, 500); // before the work area sizes it
    bool fillWorkArea = true;
    bool insertDelete = true; // navigator with insert and delete
    bool filter = true;       // the filter box
    bool exportButton = true; // "导出[&O]"
    // Anything of the member's own beyond the data above (an extra button), run once the window is made.
    std::function<void(GridWindow *window)> setup;
};

const GridMember *findGridMember(const QString &className);
// A new window of a member; it deletes itself when closed.
GridWindow *createGridWindow(const GridMember &member, QWidget *parent = nullptr);
