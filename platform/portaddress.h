#pragma once

#include "platform/portsettings.h"

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
    int com = 0;  // Com: 1 and up
    QString path; // Device
    QString host; // Tcp, Rfc2217: a name or an address, IPv6 without brackets
    quint16 port = 0;

    // None for text that names no port (surrounding blanks are ignored).
    static std::optional<PortAddress> parse(QStringView text);
    // The text parse() reads back to this address.
    QString toString() const;
    bool isNetwork() const { return kind == Kind::Tcp || kind == Kind::Rfc2217; }

    friend bool operator==(const PortAddress &, const PortAddress &) = default;
};

// The framing written as data bits, parity letter and stop bits: "8N1", "7E1", "8N1.5"
// (parity N, O, E, M or S in either case). Returns base with the three replaced; none for
// other text.
std::optional<PortSettings> parseFraming(QStringView text, PortSettings base = {});

// The line settings as the window states them: "8,N,1 no control", "7,E,1 RTS/CTS",
// "8,N,2 XON/XOFF".
QString framingLabel(const PortSettings &settings);
