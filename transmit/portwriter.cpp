#include "portwriter.h"

#include "pacer.h"
#include "terminalviews.h"
#include "transmitcontext.h"

#include <QtGlobal>

std::optional<qint64> writePaced(TransmitContext &ctx, const QByteArray &bytes)
{
    ByteWriter &port = ctx.port;
    qint64 done = 0;
    while (done < bytes.size()) {
        const qint64 limit = port.outputLimit();
        qint64 pending = port.pendingOutput();
        // A closed port is not waited for: it refuses the write below.
        while (pending >= limit && port.isOpen()) {
            // The port wakes this wait when its queue falls below the limit.
            if (!ctx.pacer.waitForEvents())
                return std::nullopt;
            if (ctx.state.suspended)
                return done;
            pending = port.pendingOutput();
        }
        const qint64 n = qMin(qMax<qint64>(1, limit - pending), bytes.size() - done);
        const qint64 taken = port.output(bytes.mid(done, n));
        done += taken;
        if (taken < n)
            break;
    }
    return done;
}
