#include "support/temp_home.h"

#include "core/devices/cash_drawer.h"
#include "core/session.h"
#include "core/settings.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QFile>
#include <QThread>

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

namespace {

QByteArray bytes(std::initializer_list<int> values)
{
    QByteArray b;
    for (int v : values)
        b.append(char(v));
    return b;
}

DrawerSettings drawer(const QString &port, const QString &command, const QString &baud = QStringLiteral("9600"))
{
    return DrawerSettings{port, baud, command, QStringLiteral("1")};
}

// The far end of a serial line: the test reads what the drawer routine sends
// to the slave side, byte for byte.
class PseudoTerminal
{
public:
    PseudoTerminal()
    {
        master = ::posix_openpt(O_RDWR | O_NOCTTY);
        if (master < 0 || ::grantpt(master) != 0 || ::unlockpt(master) != 0)
            return;
        termios tio{};
        ::tcgetattr(master, &tio);
        ::cfmakeraw(&tio);
        ::tcsetattr(master, TCSANOW, &tio);
        slavePath = QString::fromLocal8Bit(::ptsname(master));
        // Held open so that the line stays up between the routine's open and close.
        slave = ::open(::ptsname(master), O_RDWR | O_NOCTTY);
    }
    ~PseudoTerminal()
    {
        if (slave >= 0)
            ::close(slave);
        if (master >= 0)
            ::close(master);
    }
    QByteArray read(qsizetype expected, int timeoutMs = 3000)
    {
        QByteArray got;
        QDeadlineTimer deadline(timeoutMs);
        while (got.size() < expected && !deadline.hasExpired()) {
            pollfd p{master, POLLIN, 0};
            if (::poll(&p, 1, int(deadline.remainingTime())) <= 0)
                break;
            char buf[64];
            const ssize_t n = ::read(master, buf, sizeof buf);
            if (n <= 0)
                break;
            got.append(buf, n);
        }
        return got;
    }

    int master = -1;
    int slave = -1;
    QString slavePath;
};

using CashDrawerTest = TempHome;

} // namespace

TEST(DrawerBytes, CommandChoiceSelectsThePulse)
{
    const struct
    {
        const char *port;
        const char *command;
        QByteArray expected;
    } cases[] = {
        {"LPT1", "01:chr(27)+'p'+chr(7)", bytes({27, 112, 7})},
        {"LPT1", "02:Chr(27)+'p'+Chr(0)+Chr(17)+Chr(8)", bytes({27, 112, 0, 17, 8})},
        {"COM1", "03:Chr(27)+'p'+Chr(0)+Chr(5)+Chr(255)", bytes({27, 112, 0, 5, 255})},
        {"COM1", "04:Chr(27)+'p'+Chr(0)+Chr(50)+Chr(200)", bytes({27, 112, 0, 50, 200})},
        {"COM2", "05:Chr(27)+'p'+Chr(0)+Chr(60)+Chr(255)", bytes({27, 112, 0, 60, 255})},
        {"LPT2", "06:Chr(27)+'p'+Chr(0)+Chr(60)+Chr(240)", bytes({27, 112, 0, 60, 240})},
        {"LPT1", "07:Chr(27)+'p'+Chr(0)+Chr(100)+Chr(150)", bytes({27, 112, 0, 100, 150})},
        // Anything that does not name one of the seven gives the pulse of "04".
        {"LPT1", "08:whatever", bytes({27, 112, 0, 50, 200})},
        {"LPT1", "00", bytes({27, 112, 0, 50, 200})},
        {"LPT1", "", bytes({27, 112, 0, 50, 200})},
        {"LPT1", "ab:Chr(27)", bytes({27, 112, 0, 50, 200})},
        {"LPT1", "..", bytes({27, 112, 0, 50, 200})},
        {"LPT1", "1", bytes({27, 112, 7})},
        {"LPT1", "2.", bytes({27, 112, 0, 17, 8})}, // a stray point does not stop the drawer
        // The printer driver has its own pulse whatever the choice.
        {"打印机驱动", "01:chr(27)+'p'+chr(7)", bytes({27, 112, 0, 128, 128})},
        {"打印机驱动", "", bytes({27, 112, 0, 128, 128})},
    };
    for (const auto &c : cases)
        EXPECT_EQ(Devices::drawerBytes(drawer(QString::fromUtf8(c.port), c.command)), c.expected)
            << c.port << " / " << c.command;
}

TEST_F(CashDrawerTest, SettingsComeFromTheIniWithTheirDefaults)
{
    DrawerSettings s = DrawerSettings::fromIni();
    EXPECT_EQ(s.port, QString());
    EXPECT_EQ(s.baud, "9600");
    EXPECT_EQ(s.mode, "1");

    Settings &ini = App::settings();
    ini.setValue("xsd", "tcqx1", "COM2");
    ini.setValue("xsd", "tcqx2", "19200");
    ini.setValue("xsd", "tcqx3", "05:Chr(27)+'p'+Chr(0)+Chr(60)+Chr(255)");
    ini.setValue("xsd", "tcqxFS", "2");
    s = DrawerSettings::fromIni();
    EXPECT_EQ(s.port, "COM2");
    EXPECT_EQ(s.baud, "19200");
    EXPECT_EQ(s.command, "05:Chr(27)+'p'+Chr(0)+Chr(60)+Chr(255)");
    EXPECT_EQ(s.mode, "2");
}

TEST_F(CashDrawerTest, PortsMapToDeviceFiles)
{
    EXPECT_EQ(Devices::portDeviceFile("LPT1"), "/dev/usb/lp0");
    EXPECT_EQ(Devices::portDeviceFile("LPT2"), "/dev/usb/lp1");
    EXPECT_EQ(Devices::portDeviceFile("COM1"), "/dev/ttyS0");
    EXPECT_EQ(Devices::portDeviceFile("COM6"), "/dev/ttyS5");
    App::settings().setValue("port", "COM3", "/dev/ttyUSB0");
    EXPECT_EQ(Devices::portDeviceFile("COM3"), "/dev/ttyUSB0");
}

TEST_F(CashDrawerTest, ParallelPortReceivesExactlyThePulse)
{
    const QString capture = homePath("lpt1.bin");
    App::settings().setValue("port", "LPT1", capture);
    const DrawerResult r = Devices::OpenCashDrawer(drawer("LPT1", "02:Chr(27)+'p'+Chr(0)+Chr(17)+Chr(8)"));
    EXPECT_TRUE(r.ok()) << r.error.toStdString();
    EXPECT_TRUE(r.sent);
    QFile f(capture);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), bytes({27, 112, 0, 17, 8}));
}

TEST_F(CashDrawerTest, UnwritableParallelPortIsAnErrorForTheCaller)
{
    App::settings().setValue("port", "LPT2", homePath("no/such/folder/lp1"));
    const DrawerResult r = Devices::OpenCashDrawer(drawer("LPT2", "01"));
    EXPECT_FALSE(r.ok());
    EXPECT_FALSE(r.sent);
    EXPECT_TRUE(r.error.contains("LPT2")) << r.error.toStdString();
}

TEST_F(CashDrawerTest, SerialPortReceivesExactlyThePulse)
{
    for (const char *baud : {"1800", "9600", "19200"}) {
        PseudoTerminal pty;
        ASSERT_FALSE(pty.slavePath.isEmpty());
        App::settings().setValue("port", "COM3", pty.slavePath);
        // Bytes such as 10, 13 and 255 must pass untouched: the line is raw.
        const DrawerResult r = Devices::OpenCashDrawer(drawer("COM3", "03:Chr(27)+'p'+Chr(0)+Chr(5)+Chr(255)", baud));
        EXPECT_TRUE(r.ok()) << r.error.toStdString();
        EXPECT_TRUE(r.sent) << baud;
        EXPECT_EQ(pty.read(5), bytes({27, 112, 0, 5, 255})) << baud;
        EXPECT_TRUE(pty.read(1, 100).isEmpty()) << baud; // nothing more
    }
}

TEST_F(CashDrawerTest, SerialPortThatDoesNotOpenIsSilent)
{
    App::settings().setValue("port", "COM4", homePath("no-such-tty"));
    const DrawerResult r = Devices::OpenCashDrawer(drawer("COM4", "04"));
    EXPECT_TRUE(r.ok());
    EXPECT_FALSE(r.sent);
    EXPECT_TRUE(prompt->shown.empty());
}

TEST_F(CashDrawerTest, CommandChoiceRunsTheProgram)
{
    const QString marker = homePath("drawer opened");
    const DrawerResult r = Devices::OpenCashDrawer(drawer("指令", QStringLiteral("touch \"%1\"").arg(marker)));
    EXPECT_TRUE(r.sent);
    QDeadlineTimer deadline(5000);
    while (!QFile::exists(marker) && !deadline.hasExpired())
        QThread::msleep(20);
    EXPECT_TRUE(QFile::exists(marker));

    // A program that does not exist is passed over like a drawer that does not open.
    const DrawerResult missing = Devices::OpenCashDrawer(drawer("指令", homePath("no-such-program --open")));
    EXPECT_TRUE(missing.ok());
    EXPECT_FALSE(missing.sent);
}

TEST_F(CashDrawerTest, UnsetPortDoesNothing)
{
    // Without a port, the pulse description must not be run as a command.
    const DrawerResult r = Devices::OpenCashDrawer(drawer("", "touch x"));
    EXPECT_TRUE(r.ok());
    EXPECT_FALSE(r.sent);
}

TEST_F(CashDrawerTest, PrinterDriverWithoutPrintServerIsIgnoredQuickly)
{
    // Points the print client at a server that is not there (and keeps a real
    // default printer on this machine out of the test).
    ::setenv("CUPS_SERVER", homePath("no-cups.sock").toLocal8Bit().constData(), 1);
    QElapsedTimer t;
    t.start();
    const DrawerResult r = Devices::OpenCashDrawer(drawer("打印机驱动", "01"));
    EXPECT_TRUE(r.ok());
    EXPECT_FALSE(r.sent);
    EXPECT_LT(t.elapsed(), 5000);
}
