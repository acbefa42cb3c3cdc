#include "system/ui/employee_window.h"
#include "system/employee_list.h"

TBM_YG::TBM_YG(QWidget *parent) : GridWindow(QStringLiteral("员工资料"), EmployeeList::spec(), parent)
{
    setObjectName(QStringLiteral("TBM_YG"));
}
