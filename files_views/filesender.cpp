#include "files_views/filesender.h"

#include "platform/filedialog.h"
#include "platform/messagebox.h"
#include "platform/pacer.h"
#include "platform/savefile.h"
#include "terminal/byteforms.h"
#include "terminal/options.h"
#include "terminal/terminalviews.h"
#include "transmit/portwriter.h"
#include "transmit/commandrunner.h"
#include "transmit/transmitrecord.h"

#include <QFile>

namespace {

enum class ByteSent { Sent, Refused, Suspended, Closing };

// Writes one byte of a byte-by-byte send. A closed port refuses it (the send stops there);
// transmit suspended before or while the byte waited for room leaves it unsent.
ByteSent sendByte(TransmitContext &ctx, quint8 b)
{
    if (ctx.state.suspended)
        return ByteSent::Suspended;
    const PacedWrite written = writePaced(ctx, QByteArray(1, char(b)));
    if (written.closing)
        return ByteSent::Closing;
    if (written.taken == 1)
        return ByteSent::Sent;
    return ctx.state.suspended ? ByteSent::Suspended : ByteSent::Refused;
}

// The echo of one byte: its hexadecimal form at once in hex mode, else its ASCII form,
// collected in echo and shown at the end.
void echoByte(TransmitContext &ctx, QString &echo, quint8 b)
{
    const char c = char(b);
    if (ctx.state.hexKeys)
        ctx.view.appendEcho(hexForms(QByteArrayView(&c, 1)));
    else
        appendAsciiForms(echo, QByteArrayView(&c, 1));
}

// A port closed before the next byte (Disconnect, a lost device) ends the send; a suspended
// send runs on without writing, as it always does.
bool portGone(const TransmitContext &ctx)
{
    return !ctx.state.suspended && !ctx.port.isOpen();
}

// The first bytes of a send go one by one, letting events run after each, as always; past
// them a long send lets events run about every millisecond (the pacer says when), so that
// the send keeps up with a fast device while the window stays live.
constexpr qint64 kYieldEveryByte = 4096;

void reportStopped(TransmitContext &ctx, const QString &what, qint64 sent, qint64 size)
{
    ctx.status.add(QStringLiteral("%1 stopped: %2 of %3 bytes sent").arg(what).arg(sent).arg(size));
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

// Sends the file byte by byte, yielding after each byte. A file that does not exist or
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
    qint64 pos = 0;
    qint64 sent = 0;
    bool suspended = false;
    bool stopped = false;
    qint64 shown = 0; // the count last shown
    QByteArray chunk;
    qsizetype inChunk = 0;
    for (qint64 end = size; pos < end; ++pos) {
        if (portGone(ctx_)) {
            stopped = true;
            break;
        }
        if (inChunk == chunk.size()) {
            chunk = file.read(qMin<qint64>(end - pos, 64 * 1024));
            inChunk = 0;
            if (chunk.isEmpty())
                break; // the file got shorter or failed: what was read is all there is
        }
        const auto b = quint8(chunk[inChunk++]);
        ctx_.record.storeAt(pos, b);
        echoByte(ctx_, echo, b);
        ctx_.record.setCount(qint32(qMin<qint64>(pos + 1, INT32_MAX)));
        const ByteSent result = sendByte(ctx_, b);
        if (result == ByteSent::Closing)
            return;
        if (result == ByteSent::Refused) {
            stopped = true;
            break;
        }
        if (result == ByteSent::Suspended) {
            suspended = true;
            end = pos + 1; // this byte stays unsent and the loop ends after this pass
        } else {
            ++sent; // only what the port took counts as sent
        }
        if (pos < kYieldEveryByte || ctx_.pacer.yieldDue()) {
            if (sent != shown)
                ctx_.view.showSentCount(shown = sent);
            if (!ctx_.pacer.yieldOnce())
                return;
        }
    }
    file.close();
    if (sent != shown && !stopped)
        ctx_.view.showSentCount(sent);
    if (stopped) {
        ctx_.view.showSentCount(sent);
        reportStopped(ctx_, QStringLiteral("File send"), sent, size);
    }

    if (ctx_.options.echoesTx()) {
        ctx_.view.appendEcho(echo);
        ctx_.view.appendEcho(QStringLiteral("\r\n"));
    }
    // A suspended send still shows the whole file's length, as a suspended text send shows
    // its own.
    if (viaDialog)
        ctx_.view.showSentCount(suspended ? size : sent);
}

void FileSender::sendBytes(const QByteArray &bytes)
{
    auto ticket = ctx_.gate.tryBegin();
    if (!ticket)
        return;
    if (ctx_.options.clearsTxOnSend())
        ctx_.view.clearEcho();
    QString echo;
    qint64 sent = 0;
    qint64 shown = 0;
    bool stopped = false;
    for (qsizetype pos = 0, end = bytes.size(); pos < end; ++pos) {
        if (portGone(ctx_)) {
            stopped = true;
            break;
        }
        const auto b = quint8(bytes[pos]);
        echoByte(ctx_, echo, b);
        const ByteSent result = sendByte(ctx_, b);
        if (result == ByteSent::Closing)
            return;
        if (result == ByteSent::Refused) {
            stopped = true;
            break;
        }
        if (result == ByteSent::Suspended)
            end = pos + 1;
        else
            ++sent;
        if (pos < kYieldEveryByte || ctx_.pacer.yieldDue()) {
            if (sent != shown)
                ctx_.view.showSentCount(shown = sent);
            if (!ctx_.pacer.yieldOnce())
                return;
        }
    }
    if (sent != shown && !stopped)
        ctx_.view.showSentCount(sent);
    if (stopped) {
        ctx_.view.showSentCount(sent);
        reportStopped(ctx_, QStringLiteral("Send"), sent, bytes.size());
    }
    if (!ctx_.options.echoesTx())
        return;
    ctx_.view.appendEcho(echo);
    ctx_.view.appendEcho(QStringLiteral("\r\n"));
}
