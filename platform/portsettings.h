#pragma once

#include <QtGlobal>

// How a serial line is set: rate, framing and flow control. A network port without the
// COM Port Control option ignores all of it.
enum class DataBits { Five = 5, Six = 6, Seven = 7, Eight = 8 };
enum class Parity { None, Odd, Even, Mark, Space };
enum class StopBits { One, OneAndHalf, Two };
enum class FlowControl { None, RtsCts, XonXoff };

// The rate a port is opened at when nothing else is given or usable.
inline constexpr qint32 kDefaultBaud = 9600;

struct PortSettings
{
    qint32 baud = kDefaultBaud;
    DataBits dataBits = DataBits::Eight;
    Parity parity = Parity::None;
    StopBits stopBits = StopBits::One;
    FlowControl flow = FlowControl::None;

    friend bool operator==(const PortSettings &, const PortSettings &) = default;
};
