#pragma once

#include "platform/lineevent.h"

#include <QByteArray>
#include <QList>

#include <utility>

// Small wrappers around the terminal ioctls the serial port needs beyond QSerialPort.
// Each returns false where the device cannot report the value (a pty has no modem
// lines and no error counters) or where the system lacks the call.

struct TtyCounters
{
    int cts = 0, dsr = 0, rng = 0, dcd = 0;
    int frame = 0, overrun = 0, parity = 0, brk = 0, bufOverrun = 0;
};

enum TtyLine : int {
    ttyLineCts = 1,
    ttyLineDsr = 2,
    ttyLineCd = 4,
    ttyLineRing = 8,
};

// The modem input lines as a set of TtyLine bits.
bool ttyModemLines(int fd, int &lines);
// The driver's counters of line changes and receive errors.
bool ttyCounters(int fd, TtyCounters &counters);
// The output rate the driver really applied, in baud.
bool ttyAppliedBaud(int fd, long &baud);
// Takes an exclusive advisory lock; false with errno EWOULDBLOCK when another holds it.
bool ttyLockExclusive(int fd);
// Discards what waits in the driver's output queue, so a close does not wait for it.
void ttyDiscardOutput(int fd);
// The bytes waiting in the driver's output queue (a pty reports 0: what it holds is
// already on the far side).
bool ttyOutputQueue(int fd, qint64 &bytes);

enum class TtyState {
    Fine,
    Readable,
    HungUp,
};
// Polls the descriptor without waiting.
TtyState ttyState(int fd);

// Reads what the driver still holds, up to max bytes, without waiting (used when the
// device went away, to keep every byte that arrived before).
QByteArray ttyDrain(int fd, qsizetype max);

// What a change of the modem lines and of the error counters stands for, as line events
// with how often each happened, in the order they are raised. A ring is taken from
// its counter when the driver has one, else from the end of a ring pulse.
QList<std::pair<LineEvent, int>> lineEvents(int linesBefore, int linesNow, bool ringCounted);
QList<std::pair<LineEvent, int>> counterEvents(const TtyCounters &before, const TtyCounters &now);
