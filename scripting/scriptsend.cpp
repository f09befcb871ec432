#include "scripting/scriptsend.h"

#include "terminal/options.h"
#include "transmit/commandrunner.h"
#include "transmit/echo.h"
#include "transmit/portwriter.h"
#include "transmit/transmitcontext.h"
#include "transmit/transmitrecord.h"

std::optional<qint64> sendFromScript(TransmitContext &ctx, const QByteArray &bytes)
{
    auto ticket = ctx.gate.tryBegin();
    if (!ticket)
        return std::nullopt;
    if (ctx.options.clearsTxOnSend())
        ctx.view.clearEcho();
    ctx.record.record(bytes);
    ctx.view.showSentCount(bytes.size());
    if (ctx.options.echoesTx())
        ctx.view.appendEcho(echoLine(QString::fromLatin1(bytes), ctx.state.hexKeys));
    if (ctx.state.suspended)
        return 0;
    const qint64 taken = writePaced(ctx, bytes).taken;
    if (taken < bytes.size())
        ctx.view.showSentCount(taken);
    return taken;
}
