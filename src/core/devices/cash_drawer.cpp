#include "core/devices/cash_drawer.h"

#include "core/session.h"
#include "core/settings.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>

#include <cups/cups.h>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace {

// A drawer pulse is five bytes; a port that takes longer than this is not
// going to take them, and the counter must not wait on it.
constexpr int writeTimeoutMs = 2000;
constexpr int cupsConnectTimeoutMs = 3000;
constexpr double cupsRequestTimeoutSec = 5.0;

QByteArray bytesOf(std::initializer_list<int> values)
{
    QByteArray b;
    for (int v : values)
        b.append(char(v));
    return b;
}

QString systemError(int err) { return QString::fromLocal8Bit(std::strerror(err)); }

// Writes everything or gives the errno that stopped it.
int writeAll(int fd, const QByteArray &bytes)
{
    QDeadlineTimer deadline(writeTimeoutMs);
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (n > 0) {
            done += n;
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK)
            return errno;
        pollfd p{fd, POLLOUT, 0};
        const int wait = int(deadline.remainingTime());
        if (wait <= 0)
            return ETIMEDOUT;
        const int r = ::poll(&p, 1, wait);
        if (r == 0)
            return ETIMEDOUT;
        if (r < 0 && errno != EINTR)
            return errno;
    }
    return 0;
}

speed_t baudRate(const QString &text)
{
    switch (text.trimmed().toInt()) {
    case 1200: return B1200;
    case 1800: return B1800;
    case 2400: return B2400;
    case 4800: return B4800;
    case 19200: return B19200;
    case 38400: return B38400;
    case 57600: return B57600;
    case 115200: return B115200;
    default: return B9600;
    }
}

DrawerResult sendToParallelPort(const QString &port, const QByteArray &bytes)
{
    DrawerResult result;
    const QString device = Devices::portDeviceFile(port);
    const QByteArray path = QFile::encodeName(device);
    // Non-blocking so that a printer that is off or out of paper cannot hang the counter.
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0644);
    if (fd < 0) {
        result.error = QStringLiteral("无法打开钱箱端口%1（%2）：%3").arg(port, device, systemError(errno));
        return result;
    }
    int err = writeAll(fd, bytes);
    if (!err && ::fsync(fd) != 0 && errno != EINVAL && errno != EROFS)
        err = errno; // devices that cannot be synced have nothing left to flush
    if (::close(fd) != 0 && !err && errno != EINTR)
        err = errno;
    if (err)
        result.error = QStringLiteral("钱箱端口%1（%2）写入失败：%3").arg(port, device, systemError(err));
    else
        result.sent = true;
    return result;
}

DrawerResult sendToSerialPort(const QString &port, const QString &baud, const QByteArray &bytes)
{
    DrawerResult result;
    const QByteArray path = QFile::encodeName(Devices::portDeviceFile(port));
    const int fd = ::open(path.constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return result; // a port that does not open is passed over silently
    termios tio{};
    if (::tcgetattr(fd, &tio) == 0) {
        ::cfmakeraw(&tio);
        // No modem lines or hardware handshake: a drawer has neither, and
        // waiting for them would stall the write (and the close after it).
        tio.c_cflag |= CLOCAL | CREAD;
        tio.c_cflag &= ~CRTSCTS;
        tio.c_iflag &= ~(IXON | IXOFF | IXANY);
        const speed_t speed = baudRate(baud);
        ::cfsetispeed(&tio, speed);
        ::cfsetospeed(&tio, speed);
        if (::tcsetattr(fd, TCSANOW, &tio) == 0 && writeAll(fd, bytes) == 0)
            result.sent = true;
    }
    ::close(fd);
    return result;
}

// A raw job to the default printer, whose driver passes the pulse to the
// drawer socket. Nothing here is reported: no server, no default printer or
// a refused job all leave the drawer shut and the sale goes on.
DrawerResult sendToDefaultPrinter(const QByteArray &bytes)
{
    DrawerResult result;
    http_t *http = httpConnect2(cupsServer(), ippPort(), nullptr, AF_UNSPEC, cupsEncryption(), 1,
                                cupsConnectTimeoutMs, nullptr);
    if (!http)
        return result;
    httpSetTimeout(http, cupsRequestTimeoutSec, nullptr, nullptr);
    if (cups_dest_t *dest = cupsGetNamedDest(http, nullptr, nullptr)) {
        const int job = cupsCreateJob(http, dest->name, "钱箱", 0, nullptr);
        if (job > 0) {
            if (cupsStartDocument(http, dest->name, job, "drawer", CUPS_FORMAT_RAW, 1) == HTTP_STATUS_CONTINUE) {
                const bool written =
                    cupsWriteRequestData(http, bytes.constData(), size_t(bytes.size())) == HTTP_STATUS_CONTINUE;
                const bool finished = cupsFinishDocument(http, dest->name) == IPP_STATUS_OK;
                result.sent = written && finished;
            } else {
                cupsCancelJob2(http, dest->name, job, 0);
            }
        }
        cupsFreeDests(1, dest);
    }
    httpClose(http);
    return result;
}

// The command line as a program with its arguments, run without a shell and
// without a window; a document or address is handed to the desktop's opener.
DrawerResult runCommand(const QString &commandLine)
{
    DrawerResult result;
    const QString text = commandLine.trimmed();
    QStringList args = QProcess::splitCommand(text);
    if (args.isEmpty())
        return result;
    QProcess process;
    process.setStandardInputFile(QProcess::nullDevice());
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    process.setProgram(args.takeFirst());
    process.setArguments(args);
    result.sent = process.startDetached();
    if (!result.sent && (QFileInfo::exists(text) || text.contains(QLatin1String("://")))) {
        process.setProgram(QStringLiteral("xdg-open"));
        process.setArguments({text});
        result.sent = process.startDetached();
    }
    return result;
}

} // namespace

DrawerSettings DrawerSettings::fromIni()
{
    const Settings &ini = App::settings();
    const QString section = QStringLiteral("xsd");
    DrawerSettings s;
    s.port = ini.value(section, QStringLiteral("tcqx1"));
    s.baud = ini.value(section, QStringLiteral("tcqx2"), QStringLiteral("9600"));
    s.command = ini.value(section, QStringLiteral("tcqx3"));
    s.mode = ini.value(section, QStringLiteral("tcqxFS"), QStringLiteral("1"));
    return s;
}

QByteArray Devices::drawerBytes(const DrawerSettings &settings)
{
    if (settings.port == QStringLiteral("打印机驱动"))
        return bytesOf({27, 112, 0, 128, 128});

    // The choice texts begin with their number ("01:…" … "07:…").
    const QString head = settings.command.left(2);
    int choice = 4;
    static const QRegularExpression digitsAndPoints(QStringLiteral("^[0-9.]+$"));
    if (digitsAndPoints.match(head).hasMatch()) {
        // "1." or ".5" must not stop the drawer: a head that is no whole number
        // counts by its whole part, and one without any reads as "04".
        bool ok = false;
        const double value = head.toDouble(&ok);
        if (ok)
            choice = int(value);
    }
    switch (choice) {
    case 1: return bytesOf({27, 112, 7});
    case 2: return bytesOf({27, 112, 0, 17, 8});
    case 3: return bytesOf({27, 112, 0, 5, 255});
    case 5: return bytesOf({27, 112, 0, 60, 255});
    case 6: return bytesOf({27, 112, 0, 60, 240});
    case 7: return bytesOf({27, 112, 0, 100, 150});
    default: return bytesOf({27, 112, 0, 50, 200});
    }
}

QString Devices::portDeviceFile(const QString &port)
{
    const QString name = port.trimmed().toUpper();
    static const QRegularExpression numbered(QStringLiteral("^(LPT|COM)(\\d+)$"));
    QString fallback;
    const QRegularExpressionMatch m = numbered.match(name);
    if (m.hasMatch()) {
        const int index = m.captured(2).toInt() - 1;
        if (index >= 0)
            fallback = m.captured(1) == QLatin1String("LPT") ? QStringLiteral("/dev/usb/lp%1").arg(index)
                                                            : QStringLiteral("/dev/ttyS%1").arg(index);
    }
    return App::settings().value(QStringLiteral("port"), name, fallback);
}

DrawerResult Devices::OpenCashDrawer(const DrawerSettings &settings)
{
    const QString &port = settings.port;
    if (port == QStringLiteral("打印机驱动"))
        return sendToDefaultPrinter(Devices::drawerBytes(settings));
    if (port.contains(QLatin1String("LPT"), Qt::CaseInsensitive))
        return sendToParallelPort(port, Devices::drawerBytes(settings));
    if (port.contains(QLatin1String("COM"), Qt::CaseInsensitive))
        return sendToSerialPort(port, settings.baud, Devices::drawerBytes(settings));
    // Only the command choice runs a program: an unset or unknown port does
    // nothing rather than run the pulse description as a command.
    if (port == QStringLiteral("指令"))
        return runCommand(settings.command);
    return {};
}
