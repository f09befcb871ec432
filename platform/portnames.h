#pragma once

#include <QString>
#include <QStringList>

// The serial devices present, in the order COM numbers count them: ttyUSB*, then
// ttyACM*, then the on-board ttyS* that have a real UART, each in numeric order.
// sysClassTty is the kernel's tty class folder (a copy of it in tests).
QStringList presentSerialDevices(const QString &sysClassTty = QStringLiteral("/sys/class/tty"));

// Where the user may name the device for COM n: a symbolic link in the program's
// configuration folder, e.g. ports/com3 -> /dev/ttyUSB0.
QString comPortLinkPath(int n);

// The device COM n selects: the linked device when the link exists, otherwise the n-th
// present device (Linux) or "COMn" (Windows); "" when there is none.
QString comPortDevice(int n, const QString &sysClassTty = QStringLiteral("/sys/class/tty"));
