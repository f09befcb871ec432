#include "transmit/portwriter.h"

#include "platform/pacer.h"
#include "terminal/terminalviews.h"
#include "transmit/transmitcontext.h"

#include <QtGlobal>

PacedWrite writePaced(TransmitContext &ctx, const QByteArray &bytes)
{
    ByteWriter &port = ctx.port;
    PacedWrite result;
    qint64 &done = result.taken;
    while (done < bytes.size()) {
        const qint64 limit = port.outputLimit();
        qint64 pending = port.pendingOutput();
        // A closed port is not waited for: it refuses the write below.
        while (pending >= limit && port.isOpen()) {
            // The port wakes this wait when its queue falls below the limit.
            if (!ctx.pacer.waitForEvents()) {
                result.closing = true;
                return result;
            }
            if (ctx.state.suspended)
                return result;
            pending = port.pendingOutput();
        }
        const qint64 n = qMin(qMax<qint64>(1, limit - pending), bytes.size() - done);
        const qint64 took = port.output(bytes.mid(done, n));
        done += took;
        if (took < n)
            break;
    }
    return result;
}
