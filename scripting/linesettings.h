#pragma once

#include "platform/portsettings.h"

#include <QString>
#include <QStringView>

#include <optional>

// The framing of a line in its short form: data bits, parity letter, stop bits ("8N1",
// "7E2", "8N1.5"); parity is one of N O E M S, in either case. The rate and flow control
// are kept from base.
std::optional<PortSettings> parseLineFraming(QStringView text, PortSettings base = {});
QString lineFramingText(const PortSettings &settings);

// Flow control by name: "none", "rtscts", "xonxoff" (in either case).
std::optional<FlowControl> parseFlowControl(QStringView text);
QString flowControlText(FlowControl flow);
