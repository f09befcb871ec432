#pragma once

#include <QList>
#include <QString>

#include <functional>

// One serial port as the user may choose it: the COM number that selects the device under
// the program's COM mapping, the device and what the device says it is ("" when unknown).
struct PortListEntry
{
    int comNumber = 0;
    QString device;
    QString description;

    bool operator==(const PortListEntry &) const = default;
};

// What QSerialPortInfo knows of a device: USB product, manufacturer and serial number,
// those known joined by two spaces.
QString serialPortDescription(const QString &device);

// Every serial port, sorted by COM number: each present device under its position, unless a
// ports/comN link names it (the link wins) or names another device at that position; and
// each link whose target exists. A device two numbers select is listed under the link's.
QList<PortListEntry> listSerialPorts(
    const QString &sysClassTty = QStringLiteral("/sys/class/tty"),
    const std::function<QString(const QString &device)> &describe = serialPortDescription);
