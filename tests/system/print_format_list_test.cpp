#include "support/temp_home.h"

#include "core/db/database.h"
#include "core/home.h"
#include "core/session.h"
#include "system/print_format_list.h"
#include "system/report_engine.h"

#include <QFileInfo>

namespace {

using TemplateFileTest = TempHome;

TEST_F(TemplateFileTest, AStoredNameNeverLeavesPrintFormat)
{
    const QString dir = App::home().printFormatDir();
    struct Case { const char *dz; const char *file; };
    const Case cases[] = {
        {"skd.html", "skd.html"},
        {"../x.html", "x.html"},
        {"../../data/data.db", "data.db"},
        {"/etc/passwd", "passwd"},
        {"C:\\禾岚\\PrintFormat\\收款单.html", "收款单.html"},
        {"..\\..\\x.html", "x.html"},
        {" sub/dir/y.html ", "y.html"},
        {"", nullptr}, {"..", nullptr}, {".", nullptr}, {"x/", nullptr}, {"C:\\", nullptr},
    };
    for (const Case &c : cases) {
        const QString file = PrintFormatList::templateFile(QString::fromUtf8(c.dz));
        if (!c.file) {
            EXPECT_TRUE(file.isEmpty()) << c.dz << " gave " << file.toStdString();
            continue;
        }
        EXPECT_EQ(file, dir + "/" + QString::fromUtf8(c.file)) << c.dz;
        EXPECT_EQ(QFileInfo(file).absolutePath(), QFileInfo(dir).absoluteFilePath()) << c.dz;
    }
}

TEST_F(TemplateFileTest, ThePrintCodeFindsItsFileTheSameWay)
{
    Db::execSql("INSERT INTO gg_dj (DM, MC, DZ) VALUES ('T_UP', '上级', '..\\..\\Default.ini')");
    Db::execSql("INSERT INTO gg_dj (DM, MC, DZ) VALUES ('T_NEW', '新的', NULL)");
    const QString dir = App::home().printFormatDir();
    EXPECT_EQ(ReportEngine::templatePath("t_up"), dir + "/Default.ini");
    // A row without a file gets one named after its code, inside PrintFormat too.
    EXPECT_EQ(ReportEngine::assignTemplateFile("T_NEW"), dir + "/t_new.html");
    EXPECT_EQ(Db::scalarSql("SELECT DZ FROM gg_dj WHERE DM = 'T_NEW'").toString(), "t_new.html");
}

} // namespace
