#include "app/window_catalog.h"

#include "system/ui/company_window.h"
#include "system/ui/employee_window.h"
#include "system/ui/password_window.h"
#include "system/ui/permission_window.h"
#include "system/ui/settings_window.h"

#include <vector>

namespace {
template <typename W>
WindowKind kind(const char *className, bool dialog = false, bool fillWorkArea = false)
{
    return {className, [] { return static_cast<QWidget *>(new W); }, dialog, fillWorkArea};
}
}

const WindowKind *findWindowKind(const QString &className)
{
    static const std::vector<WindowKind> kinds = {
        kind<TBM_YG>("TBM_YG", false, true),
        kind<TGGQX>("TGGQX"),
        kind<Tggmm>("Tggmm", true),
        kind<TBM_GSXX>("TBM_GSXX"),
        kind<TBMSZ>("TBMSZ"),
    };
    for (const WindowKind &k : kinds)
        if (className == QLatin1String(k.className))
            return &k;
    return nullptr;
}
