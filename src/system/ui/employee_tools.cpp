#include "system/ui/employee_tools.h"

#include "core/db/record_set.h"
#include "core/prompt.h"
#include "core/session.h"
#include "system/ui/password_reset_dialog.h"
#include "ui/grid_window.h"

#include <QPushButton>

void addPasswordReset(GridWindow *window)
{
    if (!App::session().isAdministrator())
        return;
    auto *button = new QPushButton(QStringLiteral("重置密码"), window);
    button->setObjectName(QStringLiteral("resetPasswordButton"));
    button->setAutoDefault(false);
    window->addToolWidget(button);
    QObject::connect(button, &QPushButton::clicked, window, [window] {
        const int row = window->currentRow();
        const RecordSet &set = window->records();
        // Only a saved employee has a row to give the password to.
        if (row < 0 || set.rowState(row) == RecordSet::RowState::Inserted) {
            prompt().info(QStringLiteral("请先选择已保存的员工！"));
            return;
        }
        PasswordResetDialog dialog(set.value(row, QStringLiteral("BM")).toString(),
                                   set.value(row, QStringLiteral("MC")).toString(), window);
        dialog.exec();
    });
}
