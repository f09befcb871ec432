#pragma once

#include <QString>
#include <QStringView>

#include <optional>

// What a user names as the port: a COM number ("7"), a device ("/dev/ttyUSB0"), a raw TCP
// connection ("tcp://host:port") or a network serial server with the COM Port Control
// option ("rfc2217://host:port"); an IPv6 address stands in brackets ("tcp://[::1]:4000").
struct PortAddress
{
    enum class Kind { Com, Device, Tcp, Rfc2217 };
    Kind kind = Kind::Com;
    int com = 0;  // Com: a COM number (portnames.h)
    QString path; // Device
    QString host; // Tcp, Rfc2217: a name or an address, IPv6 without brackets
    quint16 port = 0;

    static PortAddress ofCom(int number)
    {
        PortAddress a;
        a.com = number;
        return a;
    }
    // None for text that names no port (surrounding blanks are ignored).
    static std::optional<PortAddress> parse(QStringView text);
    // The text parse() reads back to this address.
    QString toString() const;
    bool isNetwork() const { return kind == Kind::Tcp || kind == Kind::Rfc2217; }

    friend bool operator==(const PortAddress &, const PortAddress &) = default;
};
