#pragma once
#include <QByteArray>
#include <QString>

// The cash drawer as the settings window configures it (Default.ini, section xsd).
struct DrawerSettings
{
    QString port;    // "打印机驱动", "LPT1", "LPT2", "COM1" … "COM6" or "指令"
    QString baud;    // "1800", "4800", "9600", "19200"
    QString command; // "01:chr(27)+'p'+chr(7)" … "07:…", or the command line for "指令"
    QString mode;    // kept with the settings; it does not change what is sent

    static DrawerSettings fromIni();
};

// The outcome of one opening. Only a port that cannot be written to is an
// error the caller shows; a serial port that does not open, a missing printer
// or a command that does not start pass silently, as the drawer is a
// convenience that must never stop a sale.
struct DrawerResult
{
    bool sent = false;
    QString error;
    bool ok() const { return error.isEmpty(); }
};

namespace Devices {
// The bytes that open the drawer: the first two characters of the command
// choice pick one of seven pulses ("04" for anything else); the printer
// driver path always sends 27 112 0 128 128.
QByteArray drawerBytes(const DrawerSettings &settings);

// The device file of a port name ("LPT1" → /dev/usb/lp0, "COM1" → /dev/ttyS0),
// read from Default.ini section [port] under the port name.
QString portDeviceFile(const QString &port);

DrawerResult OpenCashDrawer(const DrawerSettings &settings);
} // namespace Devices
