#include <QFont>
#include <QGuiApplication>
#include <gtest/gtest.h>

// Logic may use Qt Gui (documents, fonts, PDF writing), which needs a
// QGuiApplication; the offscreen platform keeps the tests headless.
int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QGuiApplication::setFont(QFont(QStringLiteral("Noto Sans CJK SC"), 10));
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
