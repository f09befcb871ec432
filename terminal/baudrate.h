#pragma once

#include "platform/commport.h"
#include "platform/portsettings.h"

#include <QtGlobal>

inline constexpr qint32 kHighestUsableBaud = 116000;

// The baud rate a port is opened at: one outside 110..116000, typed or stored, stands for 9600.
[[nodiscard]] constexpr qint32 usableBaudRate(qint32 baud)
{
    return baud < kLowestBaud || baud > kHighestUsableBaud ? kDefaultBaud : baud;
}
