#include "masterdata/product_picture.h"

#include "core/db/database.h"
#include "core/home.h"
#include "core/session.h"
#include "support/temp_home.h"

#include <QDir>
#include <QImage>

class ProductPictureTest : public TempHome
{
protected:
    void SetUp() override
    {
        TempHome::SetUp();
        Db::execSql("INSERT INTO bm_sp (BM, MC) VALUES ('P1', 'a')");
    }
    QString root() const { return QDir::cleanPath(App::home().root()); }
};

TEST_F(ProductPictureTest, InsideTheHomeRelativeOutsideAbsolute)
{
    struct Case { QString chosen; QString stored; };
    const Case cases[] = {
        {root() + "/图片/a.jpg", "图片/a.jpg"},
        {root() + "/x/../图片/b.png", "图片/b.png"},
        {"/elsewhere/c.jpg", "/elsewhere/c.jpg"},
        {root() + "-other/d.jpg", root() + "-other/d.jpg"}, // a sibling whose name begins like the home
    };
    for (const Case &c : cases) {
        EXPECT_EQ(ProductPicture::storedPath(c.chosen), c.stored) << c.chosen.toStdString();
        EXPECT_EQ(ProductPicture::resolve(ProductPicture::storedPath(c.chosen)), QDir::cleanPath(c.chosen));
    }
    EXPECT_EQ(ProductPicture::folder(), App::home().path("图片"));
}

TEST_F(ProductPictureTest, StoredPathsResolveInsideTheHomeOnly)
{
    struct Case { QString stored; QString file; };
    const Case cases[] = {
        {"图片\\a.jpg", root() + "/图片/a.jpg"}, // written with backslashes
        {"../secret.jpg", ""},
        {"图片/../../secret.jpg", ""},
        {"", ""},
        {"/abs/e.jpg", "/abs/e.jpg"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(ProductPicture::resolve(c.stored), c.file) << c.stored.toStdString();
}

TEST_F(ProductPictureTest, MissingFileIsNoErrorAndPicturesLoad)
{
    EXPECT_TRUE(ProductPicture::load("图片/none.jpg").isNull());
    QDir().mkpath(root() + "/图片");
    QImage img(8, 4, QImage::Format_RGB32);
    img.fill(Qt::red);
    ASSERT_TRUE(img.save(root() + "/图片/p.png"));
    EXPECT_EQ(ProductPicture::load("图片/p.png").size(), QSize(8, 4));
    EXPECT_TRUE(prompt->shown.empty());
}

TEST_F(ProductPictureTest, WriteFindingNoProductIsReported)
{
    ASSERT_TRUE(ProductPicture::write("P1", "图片/a.jpg").ok);
    EXPECT_EQ(ProductPicture::read("P1"), "图片/a.jpg");
    const Outcome missing = ProductPicture::write("NOPE", "图片/a.jpg");
    EXPECT_FALSE(missing.ok);
    EXPECT_EQ(missing.message, QString::fromUtf8("保存失败，请先保存然后重试！"));
}
