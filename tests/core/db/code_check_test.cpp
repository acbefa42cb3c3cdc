#include "core/db/code_check.h"
#include "core/db/database.h"
#include "support/temp_home.h"

using CodeCheckTest = TempHome;

TEST_F(CodeCheckTest, UsedCodeIsReported)
{
    EXPECT_TRUE(Db::CheckCodeUnique("bm_kh", "999"));
    ASSERT_EQ(prompt->shown.size(), 1u);
    EXPECT_EQ(prompt->shown[0].text, QString::fromUtf8("您输入的编码已存在，请更改编码!"));
    EXPECT_EQ(prompt->shown[0].caption, QString::fromUtf8("提示："));
    EXPECT_EQ(prompt->shown[0].icon, Prompt::Icon::Warning);

    prompt->clear();
    EXPECT_FALSE(Db::CheckCodeUnique("BM_KH", "998"));
    EXPECT_FALSE(Db::CheckCodeUnique("bm_kh", "999' OR '1'='1"));
    EXPECT_TRUE(prompt->shown.empty());
}

TEST_F(CodeCheckTest, OnlyTablesWithACodeAreAccepted)
{
    EXPECT_THROW(Db::CheckCodeUnique("bm_kh; DROP TABLE bm_kh", "1"), DbError);
    EXPECT_THROW(Db::CheckCodeUnique("GG_XZ", "1"), DbError);
    EXPECT_EQ(Db::scalarSql("SELECT COUNT(*) FROM bm_kh").toInt(), 1);
}
