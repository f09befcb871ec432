#include "files_views/filesender.h"

#include "platform/filedialog.h"
#include "platform/messagebox.h"
#include "platform/pacer.h"
#include "platform/savefile.h"
#include "terminal/byteforms.h"
#include "terminal/options.h"
#include "terminal/terminalviews.h"
#include "transmit/commandrunner.h"
#include "transmit/portwriter.h"
#include "transmit/transmitrecord.h"

#include <QFile>

#include <functional>
#include <utility>

namespace {

// The first bytes of a send go one by one, letting events run after each, as always; past
// them a long send goes in runs and lets events run about every millisecond (the pacer
// says when), so that it keeps up with a fast device while the window stays live.
constexpr qint64 kYieldEveryByte = 4096;
// A run is at most what the port has room for and this many bytes, so that Suspend, a
// closed port and the counter act within a run's time.
constexpr qint64 kRunBytes = 4096;

qsizetype runLength(const TransmitContext &ctx, qint64 pos, qsizetype available)
{
    if (pos < kYieldEveryByte)
        return 1;
    const qint64 room = ctx.port.outputLimit() - ctx.port.pendingOutput();
    return qsizetype(qBound<qint64>(1, qMin(room, kRunBytes), available));
}

// The echo of a run: its hexadecimal forms at once in hex mode, else its ASCII forms,
// collected in echo and shown at the end.
void echoRun(TransmitContext &ctx, QString &echo, QByteArrayView run)
{
    if (ctx.state.hexKeys)
        ctx.view.appendEcho(hexForms(run));
    else
        appendAsciiForms(echo, run);
}

// A port closed before the next run (Disconnect, a lost device) ends the send; a suspended
// send goes on to its next byte, which ends it.
bool portGone(const TransmitContext &ctx)
{
    return !ctx.state.suspended && !ctx.port.isOpen();
}

void reportStopped(TransmitContext &ctx, const QString &what, qint64 sent, qint64 size)
{
    ctx.status.add(QStringLiteral("%1 stopped: %2 of %3 bytes sent").arg(what).arg(sent).arg(size));
}

struct RunsSent
{
    qint64 sent = 0;        // bytes the port took
    bool suspended = false; // a byte found transmit suspended: it was echoed, not sent
    bool stopped = false;   // the port closed or refused a byte
    bool closing = false;   // the window is closing: the caller does nothing more
};

// Sends the bytes next() hands out until it hands out none, recording them when asked.
// Each byte is echoed (and recorded) as it is sent, and so is the one byte a suspended
// send or a refusing port leaves unsent; the counter shows what the port took at each
// yield and at the end.
RunsSent sendRuns(TransmitContext &ctx, QString &echo, bool recording,
                  const std::function<QByteArray()> &next)
{
    RunsSent r;
    qint64 pos = 0;   // bytes handled
    qint64 shown = 0; // the count last shown
    QByteArray chunk;
    qsizetype at = 0;
    while (!r.suspended) {
        if (at == chunk.size()) {
            chunk = next();
            at = 0;
            if (chunk.isEmpty())
                break;
        }
        if (portGone(ctx)) {
            r.stopped = true;
            break;
        }
        const qsizetype n = runLength(ctx, pos, chunk.size() - at);
        const QByteArrayView run = QByteArrayView(chunk).sliced(at, n);
        PacedWrite written;
        if (!ctx.state.suspended)
            written = writePaced(ctx, run.toByteArray());
        // A port that takes part of a run gets the rest next. A byte it refuses outright, or
        // one that meets Suspend or a closed port, is echoed unsent and ends the send.
        const bool ends =
            written.taken < n && (written.taken == 0 || ctx.state.suspended || !ctx.port.isOpen());
        const qsizetype handled = qsizetype(written.taken) + (ends ? 1 : 0);
        if (recording) {
            ctx.record.storeRange(pos, run.first(handled));
            ctx.record.setCount(qint32(qMin<qint64>(pos + handled, INT32_MAX)));
        }
        echoRun(ctx, echo, run.first(handled));
        pos += handled;
        at += handled;
        r.sent += written.taken;
        if (written.closing) {
            r.closing = true;
            return r;
        }
        if (ends) {
            r.suspended = ctx.state.suspended;
            if (!r.suspended) {
                r.stopped = true;
                break;
            }
        }
        if (pos <= kYieldEveryByte || ctx.pacer.yieldDue()) {
            if (r.sent != shown)
                ctx.view.showSentCount(shown = r.sent);
            if (!ctx.pacer.yieldOnce()) {
                r.closing = true;
                return r;
            }
        }
    }
    if (r.sent != shown || r.stopped)
        ctx.view.showSentCount(r.sent);
    return r;
}

} // namespace

FileSender::FileSender(TransmitContext &context, FileDialog &dialog, MessageBox &messages)
    : ctx_(context), dialog_(dialog), messages_(messages)
{
}

void FileSender::sendChosenFile()
{
    sendFile(QString(), true);
}

void FileSender::resendLastFile()
{
    sendFile(lastSent_, false);
}

// Sends the file in runs as sendRuns says. A file that does not exist or
// cannot be read sends nothing (it is never created).
void FileSender::sendFile(const QString &chosen, bool viaDialog)
{
    auto ticket = ctx_.gate.tryBegin();
    if (!ticket)
        return;
    if (ctx_.options.clearsTxOnSend())
        ctx_.view.clearEcho();
    QString path = chosen;
    if (viaDialog) {
        const FileChoice choice = chooseFile(
            dialog_, {FileDialogMode::Open, QStringLiteral("All Files (*.*)|*.*|")}, messages_);
        // A cancel ends the send; after a failure it goes on with the name the dialog holds.
        if (choice.cancelled)
            return;
        path = choice.path.value_or(QString());
    }
    if (path.isEmpty())
        return;
    lastSent_ = path;
    ctx_.status.add(path);

    // Not a FIFO or a device: they would wait for a writer or never end.
    QFile file(path);
    QString why;
    const bool readable = openRegularFile(file, &why);
    const qint64 size = readable ? file.size() : 0;
    if (!readable)
        messages_.show(readFailedMessage(path, why));

    QString echo;
    ctx_.record.setCount(0);
    qint64 read = 0;
    // At most the size found at the start: a file that grows is not followed. One that
    // shrinks or fails ends with what was read.
    const RunsSent r = sendRuns(ctx_, echo, true, [&] {
        if (read >= size)
            return QByteArray();
        QByteArray chunk = file.read(qMin<qint64>(size - read, 64 * 1024));
        read += chunk.size();
        return chunk;
    });
    if (r.closing)
        return;
    file.close();
    if (r.stopped)
        reportStopped(ctx_, QStringLiteral("File send"), r.sent, size);

    if (ctx_.options.echoesTx()) {
        ctx_.view.appendEcho(echo);
        ctx_.view.appendEcho(QStringLiteral("\r\n"));
    }
    // A suspended send still shows the whole file's length, as a suspended text send shows
    // its own.
    if (viaDialog)
        ctx_.view.showSentCount(r.suspended ? size : r.sent);
}

void FileSender::sendBytes(const QByteArray &bytes)
{
    auto ticket = ctx_.gate.tryBegin();
    if (!ticket)
        return;
    if (ctx_.options.clearsTxOnSend())
        ctx_.view.clearEcho();
    QString echo;
    bool given = false;
    const RunsSent r = sendRuns(ctx_, echo, false,
                                [&] { return std::exchange(given, true) ? QByteArray() : bytes; });
    if (r.closing)
        return;
    if (r.stopped)
        reportStopped(ctx_, QStringLiteral("Send"), r.sent, bytes.size());
    if (!ctx_.options.echoesTx())
        return;
    ctx_.view.appendEcho(echo);
    ctx_.view.appendEcho(QStringLiteral("\r\n"));
}
