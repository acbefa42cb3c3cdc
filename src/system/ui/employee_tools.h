#pragma once

class GridWindow;

// 员工资料's own button: "重置密码", shown to the administrator only, gives
// the employee of the current row a new password (asked twice).
void addPasswordReset(GridWindow *window);
