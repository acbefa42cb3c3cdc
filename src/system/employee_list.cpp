#include "system/employee_list.h"
#include "core/db/record_set.h"

namespace EmployeeList {

GridSpec spec()
{
    GridSpec s;
    s.table = QStringLiteral("bm_yg");
    s.conditions = {{QStringLiteral("BM"), GridCondition::Op::NotEqual, QStringLiteral("000")}};
    s.order = {{QStringLiteral("BM")}};
    s.keyColumn = QStringLiteral("BM");

    const QString birthday = QStringLiteral("生日（只能输入任意一个）");
    const auto col = &GridColumn::of;
    s.columns.push_back(col("BM", "编码", 70));
    s.columns.push_back(col("MC", "姓名", 90));
    s.columns.push_back(col("DLMC", "登录名称", 90));
    s.columns.push_back(col("ZW", "部门", 90));
    s.columns.push_back(col("DH", "电话", 110));
    s.columns.push_back(col("DZ", "地址", 180));
    GridColumn solar = col("SR", "公历生日", 100);
    solar.groupTitle = birthday;
    solar.format = QStringLiteral("yyyy-MM-dd");
    s.columns.push_back(solar);
    GridColumn lunar = col("SRBZ", "农历生日", 100);
    lunar.groupTitle = birthday;
    lunar.format = QStringLiteral("yyyy-MM-dd");
    s.columns.push_back(lunar);
    s.columns.push_back(col("BZ", "备注", 180));
    GridColumn password = col("MM", "密码", 80);
    password.hidden = true;
    password.readOnly = true;
    s.columns.push_back(password);

    s.newRowDefaults = [](RecordSet &set, int row) {
        for (const char *f : {"MM", "QX1", "QX2", "QX3", "QX4", "qxqt"})
            set.setValue(row, QString::fromLatin1(f), QStringLiteral(""));
    };
    return s;
}

} // namespace EmployeeList
