#pragma once

#include "transmit/transmitcontext.h"

#include <QString>

class FileDialog;
class MessageBox;

// Sends files and byte arrays: the first 4096 bytes one at a time, yielding after each,
// then in runs as the port takes them, with the echo
// ("<0>" for a zero byte collected and shown at the end, or each byte's hexadecimal form
// at once in hex mode), the running count of bytes the port took and the transmit
// suspend, which stops the send at its next byte.
class FileSender : public RecordSender
{
public:
    FileSender(TransmitContext &context, FileDialog &dialog, MessageBox &messages);

    // "Send File": a file chosen in the dialog (which remembers its last name).
    void sendChosenFile();
    // "Instant Resend Last File": the file sent last, whatever other dialogs chose since.
    void resendLastFile();
    // The hex editor's send: every byte given.
    void sendBytes(const QByteArray &bytes) override;

    const QString &lastFileSent() const { return lastSent_; }

private:
    void sendFile(const QString &path, bool viaDialog);

    TransmitContext &ctx_;
    FileDialog &dialog_;
    MessageBox &messages_;
    QString lastSent_;
};
