#pragma once

#include <QString>
#include <QStringList>

// The COM numbers the port can be set to; the COM box, the command line and the port list
// keep to them, so a number shown is always one the port can open.
inline constexpr int kMinComNumber = 1;
inline constexpr int kMaxComNumber = 255;
constexpr bool isComNumber(qint64 n)
{
    return n >= kMinComNumber && n <= kMaxComNumber;
}

// The serial devices present, in the order COM numbers count them: ttyUSB*, then
// ttyACM*, then the on-board ttyS* that have a real UART, each in numeric order.
// sysClassTty is the kernel's tty class folder (a copy of it in tests).
QStringList presentSerialDevices(const QString &sysClassTty = QStringLiteral("/sys/class/tty"));

// Where the user may name the device for COM n: a symbolic link in the program's
// configuration folder, e.g. ports/com3 -> /dev/ttyUSB0.
QString comPortLinkPath(int n);

// The device COM n selects: the linked device when the link exists, otherwise the n-th
// present device (Linux) or "COMn" (Windows); "" when there is none or n is no COM number.
QString comPortDevice(int n, const QString &sysClassTty = QStringLiteral("/sys/class/tty"));
