#include "app/window_catalog.h"

#include "masterdata/hotel_list.h"
#include "masterdata/package_list.h"
#include "masterdata/points_goods.h"
#include "masterdata/supplier_list.h"
#include "masterdata/ui/add_member_dialog.h"
#include "masterdata/ui/customer_picker.h"
#include "masterdata/ui/item_picker.h"
#include "masterdata/ui/package_window.h"
#include "masterdata/ui/points_goods_picker.h"
#include "masterdata/ui/supplier_picker.h"
#include "masterdata/level_list.h"
#include "masterdata/ui/member_window.h"
#include "masterdata/ui/category_window.h"
#include "masterdata/ui/product_window.h"
#include "system/employee_list.h"
#include "system/ui/company_window.h"
#include "system/ui/employee_tools.h"
#include "system/ui/password_window.h"
#include "system/ui/permission_window.h"
#include "system/ui/settings_window.h"
#include "ui/grid_window.h"

#include <vector>

namespace {

template <typename W>
WindowKind kind(const char *className, bool dialog = false, bool fillWorkArea = false)
{
    return {className, [] { return static_cast<QWidget *>(new W); }, dialog, fillWorkArea};
}

const std::vector<GridMember> &gridMembers()
{
    static const std::vector<GridMember> members = [] {
        std::vector<GridMember> m;
        // 员工资料: every employee but the administrator; a new one starts without rights.
        m.push_back({"TBM_YG", "员工资料", &EmployeeList::spec});
        m.back().setup = &addPasswordReset;
        // 会员级别: a small fixed window over the level ranges.
        m.push_back({"TBM_KHJB", "会员级别", &LevelList::spec, QSize(500, 300), false});
        // Packages, hotels and halls, points goods, suppliers.
        m.push_back({"TBM_TXLB", "套系名称", &PackageList::spec, QSize(540, 345), false});
        m.push_back({"TBMXM", "酒店、大厅", &HotelList::spec, QSize(758, 465), false});
        m.push_back({"TJFSP", "积分兑换商品", &PointsGoods::spec, QSize(800, 465), false});
        m.push_back({"TBM_GHS", "供货商信息", &SupplierList::spec});
        m.back().setup = &addSupplierCount;
        return m;
    }();
    return members;
}

// The masterdata pickers grid cells and windows open by name.
const bool masterdataPickers = [] {
    registerCustomerPicker();
    registerItemPickers();
    registerPointsGoodsPicker();
    registerSupplierPicker();
    return true;
}();

const std::vector<WindowKind> &windowKinds()
{
    static const std::vector<WindowKind> kinds = [] {
        std::vector<WindowKind> k = {
            kind<TGGQX>("TGGQX"),
            kind<Tggmm>("Tggmm", true),
            kind<TBM_GSXX>("TBM_GSXX"),
            kind<TBMSZ>("TBMSZ"),
            kind<TFormSP>("TFormSP", false, true),
            kind<TBM_SPLB>("TBM_SPLB"),
            kind<TTJKH>("TTJKH", true),
            kind<TBM_KH>("TBM_KH", false, true),
            kind<TBM_TX>("TBM_TX", false, true),
        };
        for (const GridMember &member : gridMembers())
            k.push_back({member.className, [&member] { return static_cast<QWidget *>(createGridWindow(member)); },
                         false, member.fillWorkArea});
        return k;
    }();
    return kinds;
}

} // namespace

const WindowKind *findWindowKind(const QString &className)
{
    for (const WindowKind &k : windowKinds())
        if (className == QLatin1String(k.className))
            return &k;
    return nullptr;
}

const GridMember *findGridMember(const QString &className)
{
    for (const GridMember &m : gridMembers())
        if (className == QLatin1String(m.className))
            return &m;
    return nullptr;
}

GridWindow *createGridWindow(const GridMember &member, QWidget *parent)
{
    auto *window = new GridWindow(QString::fromUtf8(member.caption), member.spec(), parent);
    window->setObjectName(QString::fromLatin1(member.className));
    window->resize(member.size);
    window->setFeatureShown(GridWindow::Feature::InsertDelete, member.insertDelete);
    window->setFeatureShown(GridWindow::Feature::Filter, member.filter);
    window->setFeatureShown(GridWindow::Feature::Export, member.exportButton);
    if (member.setup)
        member.setup(window);
    return window;
}
