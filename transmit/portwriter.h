#pragma once

#include <QByteArray>

struct TransmitContext;

struct PacedWrite
{
    qint64 taken = 0;     // bytes the port took
    bool closing = false; // the wait ended because the window is closing
};

// Writes bytes through the port so that never more than its output limit waits there:
// while the queue is full the window stays live until the port wakes it, and what the
// counters show stays that close to what has really gone out. Ends early when transmit is
// suspended meanwhile, the port takes less than offered (closed, refused) or the window
// closes.
PacedWrite writePaced(TransmitContext &ctx, const QByteArray &bytes);
