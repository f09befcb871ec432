#pragma once

#include <QtGlobal>

// What a port reports besides its data: a change of a modem input line, a ring, or a
// receive error. The same names serve a local serial port and a network one.
enum class LineEvent { Cts, Dsr, Cd, Ring, Break, Frame, Overrun, RxOver, Parity };

// An event in the received stream: it happened before the byte at `position` of the data
// it comes with (at its end when position equals the data's size).
struct LineEventAt
{
    qsizetype position = 0;
    LineEvent event = LineEvent::Break;

    friend bool operator==(const LineEventAt &, const LineEventAt &) = default;
};

// The two output lines a program drives.
enum class OutputLine { Dtr, Rts };
