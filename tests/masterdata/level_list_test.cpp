#include "masterdata/level_list.h"

#include "core/db/database.h"
#include "core/db/record_set.h"
#include "support/temp_home.h"

class LevelListTest : public TempHome
{
protected:
    void SetUp() override
    {
        TempHome::SetUp();
        Db::execSql("DELETE FROM BM_KHJB");
    }
    struct Level { const char *name; double from, to; };
    void fill(RecordSet &set, std::initializer_list<Level> levels)
    {
        int n = 0;
        for (const Level &l : levels) {
            const int row = set.insertRow();
            set.setValue(row, "BM", QString::number(++n));
            set.setValue(row, "MC", QString::fromUtf8(l.name));
            set.setValue(row, "QJF", l.from);
            set.setValue(row, "ZJF", l.to);
        }
    }
};

TEST_F(LevelListTest, RangesMayNotOverlapAndATopMustLieAboveItsBottom)
{
    struct Case { std::initializer_list<Level> levels; bool accepted; };
    const Case cases[] = {
        {{{"a", 0, 100}, {"b", 100, 0}}, true},          // 0–100 and an open top from 100
        {{{"a", 0, 100}, {"b", 100, 500}, {"c", 500, 0}}, true},
        {{{"a", 0, 100}, {"b", 200, 0}}, true},          // a gap is allowed
        {{{"a", 0, 100}, {"b", 99, 0}}, false},
        {{{"a", 0, 0}, {"b", 5000, 0}}, false},          // two open tops
        {{{"a", 100, 100}}, false},
        {{{"a", 100, 50}}, false},
        {{{"a", 0, 1000}, {"b", 200, 300}}, false},      // one inside another
    };
    for (const Case &c : cases) {
        RecordSet set(LevelList::spec());
        ASSERT_TRUE(set.load().ok);
        fill(set, c.levels);
        const Outcome out = set.save();
        EXPECT_EQ(out.ok, c.accepted) << out.message.toStdString();
        EXPECT_EQ(Db::scalarSql("SELECT COUNT(*) FROM BM_KHJB").toInt(), c.accepted ? int(c.levels.size()) : 0);
        Db::execSql("DELETE FROM BM_KHJB");
    }
}

TEST_F(LevelListTest, TypedValuesAreCheckedAndACodeSetsTheDiscount)
{
    RecordSet set(LevelList::spec());
    ASSERT_TRUE(set.load().ok);
    const int row = set.insertRow();
    EXPECT_FALSE(set.editValue(row, set.fieldIndex("ZK"), "0.05"));
    EXPECT_FALSE(set.editValue(row, set.fieldIndex("ZK"), "1.2"));
    EXPECT_TRUE(set.editValue(row, set.fieldIndex("ZK"), "0.9"));
    EXPECT_FALSE(set.editValue(row, set.fieldIndex("QJF"), "-1"));
    EXPECT_FALSE(set.editValue(row, set.fieldIndex("ZJF"), "-100"));
    EXPECT_TRUE(set.editValue(row, set.fieldIndex("QJF"), "0"));
    set.editValue(row, set.fieldIndex("BM"), "07");
    EXPECT_DOUBLE_EQ(set.value(row, "ZK").toDouble(), 1);
}

TEST_F(LevelListTest, ARenamedLevelTakesItsMembersAlong)
{
    Db::execSql("INSERT INTO BM_KHJB (BM, MC, ZK, QJF, ZJF) VALUES ('01', ?, 1, 0, 100), ('02', ?, 0.9, 100, 0)",
                {QString::fromUtf8("普通"), QString::fromUtf8("金卡")});
    Db::execSql("INSERT INTO bm_kh (BM, MC, JB) VALUES ('K1', 'a', ?), ('K2', 'b', ?)",
                {QString::fromUtf8("金卡"), QString::fromUtf8("普通")});
    RecordSet set(LevelList::spec());
    ASSERT_TRUE(set.load().ok);
    set.setValue(1, "MC", QString::fromUtf8("钻石"));
    set.setValue(0, "QJF", 500.0); // overlaps now: the save is refused, and the rename with it
    EXPECT_FALSE(set.save().ok);
    EXPECT_EQ(Db::scalarSql("SELECT JB FROM bm_kh WHERE BM = 'K1'").toString(), QString::fromUtf8("金卡"));
    set.setValue(0, "QJF", 0.0);
    ASSERT_TRUE(set.save().ok);
    EXPECT_EQ(Db::scalarSql("SELECT JB FROM bm_kh WHERE BM = 'K1'").toString(), QString::fromUtf8("钻石"));
    EXPECT_EQ(Db::scalarSql("SELECT JB FROM bm_kh WHERE BM = 'K2'").toString(), QString::fromUtf8("普通"));
}
