#include "transmit/textsender.h"

#include "platform/pacer.h"
#include "terminal/options.h"
#include "terminal/terminalviews.h"
#include "transmit/bank.h"
#include "transmit/commandrunner.h"
#include "transmit/echo.h"
#include "transmit/hex.h"
#include "transmit/portwriter.h"
#include "transmit/transmitcontext.h"
#include "transmit/transmitrecord.h"

namespace {

// The steps a line send and a key-row send share, up to the echo. Nothing when the window
// closed meanwhile.
std::optional<QString> prepare(TransmitContext &ctx, const QString &text, bool keyRow)
{
    if (ctx.options.clearsTxOnSend())
        ctx.view.clearEcho();
    std::optional<QString> converted = sendModeText(ctx, asBytes(text));
    if (!converted)
        return std::nullopt;
    QString sendText = *std::move(converted);
    if (ctx.view.addCr())
        sendText.append(u'\r');
    if (ctx.view.addLf())
        sendText.append(u'\n');
    // A key row lets pending events run once more before it records and echoes.
    if (keyRow && !ctx.pacer.yieldOnce())
        return std::nullopt;

    const QByteArray bytes = sendText.toLatin1();
    ctx.record.record(bytes);
    ctx.view.showSentCount(bytes.size());
    if (ctx.options.echoesTx())
        ctx.view.appendEcho(echoLine(sendText, ctx.state.hexKeys));
    return sendText;
}

// A write the port refuses or cuts short is not counted as sent. Closing ends the wait but
// not the window (nothing is deleted during a wait): the counter still shows what went.
void write(TransmitContext &ctx, const QByteArray &bytes)
{
    const qint64 taken = writePaced(ctx, bytes).taken;
    if (taken < bytes.size())
        ctx.view.showSentCount(taken);
}

} // namespace

std::optional<QString> sendModeText(TransmitContext &ctx, QString text)
{
    if (ctx.state.hexKeys) {
        text = hexPairsToText(text);
        if (!ctx.pacer.yieldOnce())
            return std::nullopt;
    }
    if (!ctx.pacer.yieldOnce())
        return std::nullopt;
    return text;
}

void TextSender::sendLine(const QString &text)
{
    auto ticket = ctx_.gate.tryBegin();
    if (!ticket)
        return;
    const auto sendText = prepare(ctx_, text, false);
    if (!sendText || ctx_.state.suspended)
        return;
    write(ctx_, sendText->toLatin1());
}

void TextSender::sendKey(int row, const QString &text)
{
    if (row < 0 || row >= SendKeyBank::kRows)
        return;
    auto ticket = ctx_.gate.tryBegin();
    if (!ticket)
        return;
    const auto sendText = prepare(ctx_, text, true);
    if (!sendText)
        return;
    ctx_.view.showItemRow(row);
    if (!sendText->isEmpty() && !ctx_.state.suspended)
        write(ctx_, sendText->toLatin1());
}
