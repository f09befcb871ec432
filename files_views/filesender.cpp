#include "filesender.h"

#include "commondialog.h"
#include "filesviews.h"
#include "messagebox.h"
#include "options.h"
#include "pacer.h"
#include "sendgate.h"
#include "terminalviews.h"
#include "transmitrecord.h"

#include <QFile>
#include <QFileInfo>

FileSender::FileSender(TransmitContext &context, CommonDialog &dialog, MessageBox &messages)
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
        dialog_.Filter = QStringLiteral("All Files (*.*)|*.*|");
        dialog_.Flags = CommonDialog::cdlOFNLongNames | CommonDialog::cdlOFNFileMustExist |
                        CommonDialog::cdlOFNHideReadOnly;
        const int rc = dialog_.ShowOpen();
        if (rc == CommonDialog::cdlCancel)
            return;
        // Any other error is reported, then the send goes on with the name the dialog holds.
        if (rc != 0)
            messages_.show(CommonDialog::errorMessage(rc, dialog_.errorDescription()));
        path = dialog_.FileName;
    }
    if (path.isEmpty())
        return;
    lastSent_ = path;
    ctx_.status.add(path);

    QFile file(path);
    const bool readable = QFileInfo(path).isFile() && file.open(QIODevice::ReadOnly);
    const qint64 size = readable ? file.size() : 0;

    QString echo;
    ctx_.record.setCount(0);
    qint64 pos = 0;
    qint64 sent = 0;
    bool suspended = false;
    QByteArray chunk;
    qsizetype inChunk = 0;
    for (qint64 end = size; pos < end; ++pos) {
        if (inChunk == chunk.size()) {
            chunk = file.read(qMin<qint64>(end - pos, 64 * 1024));
            inChunk = 0;
            if (chunk.isEmpty())
                break; // the file got shorter or failed: what was read is all there is
        }
        const auto b = quint8(chunk[inChunk++]);
        ctx_.record.storeAt(pos, b);
        if (ctx_.state.hexKeys)
            ctx_.view.appendEcho(hexForm(b));
        else
            appendAsciiForm(echo, b);
        ctx_.record.setCount(qint32(qMin<qint64>(pos + 1, INT32_MAX)));
        if (ctx_.state.suspended) {
            suspended = true;
            end = pos + 1; // this byte stays unsent and the loop ends after this pass
        } else {
            const auto taken = ctx_.port.write(QByteArray(1, char(b)));
            if (!taken)
                return;
            // A byte the port refused is not counted as sent.
            sent += *taken;
            ctx_.view.showSentCount(sent);
        }
        if (!ctx_.pacer.yieldOnce())
            return;
    }
    file.close();

    if (ctx_.options.echoesTx()) {
        ctx_.view.appendEcho(echo);
        ctx_.view.appendEcho(QStringLiteral("\r\n"));
    }
    // A suspended send still shows the whole file's length.
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
    for (qsizetype pos = 0, end = bytes.size(); pos < end; ++pos) {
        const auto b = quint8(bytes[pos]);
        if (ctx_.state.hexKeys)
            ctx_.view.appendEcho(hexForm(b));
        else
            appendAsciiForm(echo, b);
        if (ctx_.state.suspended) {
            end = pos + 1;
        } else {
            const auto taken = ctx_.port.write(QByteArray(1, char(b)));
            if (!taken)
                return;
            sent += *taken;
            ctx_.view.showSentCount(sent);
        }
        if (!ctx_.pacer.yieldOnce())
            return;
    }
    if (!ctx_.options.echoesTx())
        return;
    ctx_.view.appendEcho(echo);
    ctx_.view.appendEcho(QStringLiteral("\r\n"));
}
