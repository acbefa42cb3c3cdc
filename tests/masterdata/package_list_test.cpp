#include "masterdata/package_list.h"

#include "core/db/database.h"
#include "core/db/record_set.h"
#include "support/temp_home.h"

#include <QSqlQuery>

namespace {

class PackageListTest : public TempHome
{
protected:
    void SetUp() override
    {
        TempHome::SetUp();
        seed();
    }

    static void seed()
    {
        Db::execSql("DELETE FROM bm_tx");
        Db::execSql("DELETE FROM bm_txlb");
        for (const auto &[code, name] : {std::pair{"A", "经典套系"}, std::pair{"B", "豪华套系"}})
            Db::execSql("INSERT INTO bm_txlb (BM, MC) VALUES (?, ?)", {code, QString::fromUtf8(name)});
        Db::execSql("INSERT INTO bm_tx (BM, MC, SL, DJ, LB) VALUES ('P1', 'x', 1, 10, 'A')");
        Db::execSql("INSERT INTO bm_tx (BM, MC, SL, DJ, LB) VALUES ('P2', 'y', 2, 20, 'A')");
        Db::execSql("INSERT INTO bm_tx (BM, MC, SL, DJ, LB) VALUES ('P3', 'z', 1, 30, 'B')");
    }

    // Product codes of the lines of each package, "A:P1,P2;B:P3".
    static QString linesByPackage()
    {
        QStringList parts;
        QSqlQuery q = Db::execSql("SELECT LB, BM FROM bm_tx ORDER BY LB, BM");
        QString current, text;
        while (q.next()) {
            const QString lb = q.value(0).isNull() ? QStringLiteral("-") : q.value(0).toString();
            if (lb != current) {
                if (!current.isEmpty())
                    parts << current + ":" + text;
                current = lb;
                text.clear();
            }
            text += (text.isEmpty() ? "" : ",") + q.value(1).toString();
        }
        if (!current.isEmpty())
            parts << current + ":" + text;
        return parts.join(";");
    }

    static int rowOf(const RecordSet &set, const QString &code)
    {
        for (int r = 0; r < set.rowCount(); ++r)
            if (set.value(r, "BM").toString() == code)
                return r;
        return -1;
    }
};

// What a save of package names does to the lines that follow their codes.
TEST_F(PackageListTest, LinesFollowTheirPackageCodeInTheSameSave)
{
    struct Case
    {
        const char *what;
        std::function<void(RecordSet &)> edit;
        const char *lines;
    };
    const Case cases[] = {
        {"renamed code", [](RecordSet &s) { s.setValue(rowOf(s, "A"), "BM", "A2"); }, "A2:P1,P2;B:P3"},
        {"deleted package", [](RecordSet &s) { s.removeRow(rowOf(s, "A")); }, "B:P3"},
        {"both renamed",
         [](RecordSet &s) {
             s.setValue(rowOf(s, "A"), "BM", "C");
             s.setValue(rowOf(s, "B"), "BM", "D");
         },
         "C:P1,P2;D:P3"},
        // A deleted code typed again on a new package starts without the old lines.
        {"code reused",
         [](RecordSet &s) {
             s.removeRow(rowOf(s, "A"));
             const int row = s.insertRow();
             s.setValue(row, "BM", "A");
             s.setValue(row, "MC", QString::fromUtf8("新套系"));
         },
         "B:P3"},
        {"name changed only", [](RecordSet &s) { s.setValue(rowOf(s, "A"), "MC", QString::fromUtf8("新名")); },
         "A:P1,P2;B:P3"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        seed();
        RecordSet set(PackageList::spec());
        ASSERT_TRUE(set.load().ok);
        c.edit(set);
        const Outcome saved = set.save();
        ASSERT_TRUE(saved.ok) << saved.text().toStdString();
        EXPECT_EQ(linesByPackage(), QString::fromLatin1(c.lines));
    }
}

TEST_F(PackageListTest, DuplicateNameRefusedWithNothingWritten)
{
    RecordSet set(PackageList::spec());
    ASSERT_TRUE(set.load().ok);
    set.setValue(rowOf(set, "A"), "BM", "A2");          // would move A's lines
    set.setValue(rowOf(set, "B"), "MC", QString::fromUtf8("经典套系")); // orders find packages by name

    const Outcome saved = set.save();
    EXPECT_FALSE(saved.ok);
    EXPECT_EQ(saved.message, PackageList::duplicateNameMessage(QString::fromUtf8("经典套系")));
    EXPECT_EQ(linesByPackage(), "A:P1,P2;B:P3");
    EXPECT_EQ(Db::scalarSql("SELECT COUNT(*) FROM bm_txlb WHERE BM = 'A2'").toInt(), 0);
    EXPECT_TRUE(set.isDirty()); // kept for correction

    set.setValue(rowOf(set, "B"), "MC", QString::fromUtf8("豪华套系"));
    EXPECT_TRUE(set.save().ok);
    EXPECT_EQ(linesByPackage(), "A2:P1,P2;B:P3");
}

TEST_F(PackageListTest, NewLinesBelongToTheChosenPackageAtTheProductPrice)
{
    QString package = "B";
    RecordSet lines(PackageList::linesSpec([&] { return package; }));
    lines.setConditions(PackageList::linesOf(package));
    ASSERT_TRUE(lines.load().ok);
    ASSERT_EQ(lines.rowCount(), 1);

    // The same product twice: two lines of quantity 1 each.
    const QVariantMap product{{"BM", "P9"}, {"MC", QString::fromUtf8("婚纱")}, {"LSJ", 2999.5}};
    PackageList::appendProduct(lines, product);
    PackageList::appendProduct(lines, product);
    const int blank = lines.insertRow(); // the navigator's empty line
    ASSERT_TRUE(lines.save().ok);

    QSqlQuery q = Db::execSql("SELECT BM, MC, SL, DJ, LB FROM bm_tx WHERE LB = 'B' ORDER BY ID");
    QStringList got;
    while (q.next())
        got << QStringList{q.value(0).toString(), q.value(2).toString(), q.value(3).toString(), q.value(4).toString()}
                   .join("|");
    EXPECT_EQ(got, (QStringList{"P3|1|30|B", "P9|1|2999.5|B", "P9|1|2999.5|B", "|1||B"}));
    EXPECT_EQ(lines.value(blank, "LB").toString(), "B");

    // No package chosen: no lines at all, not the orphans.
    Db::execSql("INSERT INTO bm_tx (BM, LB) VALUES ('P5', NULL)");
    package.clear();
    lines.setConditions(PackageList::linesOf(package));
    ASSERT_TRUE(lines.load().ok);
    EXPECT_EQ(lines.rowCount(), 0);
}

TEST_F(PackageListTest, NamesAndCodesForTheDropDown)
{
    QStringList names;
    ASSERT_TRUE(PackageList::packageNames(&names).ok);
    EXPECT_EQ(names, (QStringList{QString::fromUtf8("经典套系"), QString::fromUtf8("豪华套系")}));
    EXPECT_EQ(PackageList::codeOfName(QString::fromUtf8("豪华套系")).value_or("none"), "B");
    EXPECT_FALSE(PackageList::codeOfName("nothing").has_value());

    Db::execSql("DELETE FROM bm_txlb");
    const Outcome none = PackageList::packageNames(&names);
    EXPECT_FALSE(none.ok);
    EXPECT_EQ(none.message, QString::fromUtf8("请先在“基础资料-套系名称”中输入至少一个套系"));
}

} // namespace
