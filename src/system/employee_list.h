#pragma once
#include "core/db/grid_spec.h"

// The employee list (员工资料): every employee but the administrator "000",
// who is kept out of reach of this window. Passwords are loaded but hidden and
// read-only; a new employee starts with an empty password, every menu entry
// enabled (empty QX1 … QX4) and no other right (empty qxqt).
namespace EmployeeList {
GridSpec spec();
}
