#pragma once

#include <QtGlobal>

// The baud rate a port is opened at: one outside 110..116000, typed or stored, stands for 9600.
[[nodiscard]] constexpr qint32 usableBaudRate(qint32 baud)
{
    return baud < 110 || baud > 116000 ? 9600 : baud;
}
