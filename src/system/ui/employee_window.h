#pragma once
#include "ui/grid_window.h"

// 员工资料: the employees (all but the administrator) in a grid, saved together.
class TBM_YG : public GridWindow
{
    Q_OBJECT
public:
    explicit TBM_YG(QWidget *parent = nullptr);
};
