#pragma once

#include "platform/portsettings.h"

#include <QString>
#include <QStringView>

#include <optional>

// Data bits, parity and stop bits.
struct Framing
{
    DataBits dataBits = DataBits::Eight;
    Parity parity = Parity::None;
    StopBits stopBits = StopBits::One;

    friend bool operator==(const Framing &, const Framing &) = default;
};

// What a line is set to besides its rate, which has a box and a record of its own.
struct LineSettings
{
    Framing framing;
    FlowControl flow = FlowControl::None;

    static LineSettings of(const PortSettings &settings);
    [[nodiscard]] PortSettings at(qint32 baud) const;

    friend bool operator==(const LineSettings &, const LineSettings &) = default;
};

// The framing in its short form: data bits 5 to 8, parity letter N, O, E, M or S (either
// case) and stop bits 1, 1.5 or 2: "8N1", "7E1", "8N1.5". None for any other text.
std::optional<Framing> parseFraming(QStringView text);
QString framingText(const Framing &framing);

// Flow control by name: "none", "rtscts", "xonxoff" (either case).
std::optional<FlowControl> parseFlowControl(QStringView text);
QString flowControlText(FlowControl flow);

// The settings as the window states them: "8,N,1 no control", "7,E,1 RTS/CTS",
// "8,N,2 XON/XOFF".
QString framingLabel(const LineSettings &settings);
