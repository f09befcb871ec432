#pragma once

#include <QByteArray>
#include <QString>

class ByteWriter;
class Pacer;
class CommandLane;
class StatusLog;
class TransmitRecord;
struct Options;

// What every sender shares: the send mode and the transmit suspend.
struct TransmitState
{
    bool hexKeys = false;   // transmit lines and keys are hexadecimal pairs
    bool suspended = false; // transmit "Suspend": counted and echoed, nothing written
};

// What the senders need of the screen. The check boxes are asked at the moment a send
// reads them (after its yields), never remembered.
class TransmitView
{
public:
    virtual ~TransmitView() = default;
    virtual void clearEcho() = 0;
    virtual void appendEcho(const QString &text) = 0;
    virtual void showSentCount(qint64 count) = 0;
    virtual void showItemRow(int row) = 0;
    virtual bool addCr() const = 0;
    virtual bool addLf() const = 0;
};

// The hex editor's send: its bytes go out through the main window's port.
class RecordSender
{
public:
    virtual ~RecordSender() = default;
    virtual void sendBytes(const QByteArray &bytes) = 0;
};

struct TransmitContext
{
    // The lane of sends: one at a time, so that no send's bytes mix with another's; a send
    // started while one yields is refused (STOP and the two Suspend buttons never ask).
    CommandLane &gate;
    TransmitState &state;
    const Options &options;
    ByteWriter &port;
    TransmitView &view;
    StatusLog &status;
    Pacer &pacer;
    TransmitRecord &record;
};
