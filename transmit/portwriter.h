#pragma once

#include <QByteArray>

#include <optional>

struct TransmitContext;

// Writes bytes through the port so that never more than its output limit waits there:
// while the queue is full the window stays live until the port wakes it, and what the
// counters show stays that close to what has really gone out. Ends early when transmit is
// suspended meanwhile or the port takes less than offered (closed, refused). Returns how
// many bytes the port took, or nothing when the window is closing; *taken (when given) says
// how many it took in either case.
std::optional<qint64> writePaced(TransmitContext &ctx, const QByteArray &bytes,
                                 qint64 *taken = nullptr);
