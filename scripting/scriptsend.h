#pragma once

#include <QByteArray>

#include <optional>

struct TransmitContext;

// A script's send as the window's own sends go: it waits its turn at the send gate
// (nothing, and no effect, while another send runs), empties the echo when "Clear TX on
// Send" is on, is recorded for "Load TX buffer", counted and echoed (unless "Silent TX"),
// and written through the paced writer unless transmit is suspended. The bytes the port
// took: 0 while suspended, fewer than given when the port refused or closed.
std::optional<qint64> sendFromScript(TransmitContext &ctx, const QByteArray &bytes);
