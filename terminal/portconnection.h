#pragma once

#include "platform/received.h"
#include "terminal/terminalviews.h"

#include <QString>

#include <functional>
#include <memory>

class CommPort;
class ReceiveEngine;
class SessionLog;
class StatusLog;

// Opens and closes the serial port, turns its events into status lines, and is the
// port the senders write to. Framing is fixed: the typed baud rate followed by ",n,8,1".
class PortConnection : public ByteWriter
{
public:
    PortConnection(std::unique_ptr<CommPort> port, ConnectionView &view, StatusLog &status,
                   ReceiveEngine &receive, ReceivePanes &panes);
    ~PortConnection() override;

    CommPort *port() const { return port_.get(); }

    // Start-up: opens COM n at the baud text without a status line; the lamp shows the
    // outcome.
    void openAtStartup(const QString &baudText, qint16 comNumber);
    // "ReConnect": an open port is left as it is; otherwise the typed settings are applied
    // and the port opened. Either way the panes are emptied and "Com Port Connected." is
    // logged, or "Selected COM Port Not Available." when the open failed.
    void reconnect();
    // "Disconnect": output still queued is let drain first (discarded after a deadline,
    // with one status line saying how many bytes were not sent); then
    // "COM Port Disconnected", also when the port was closed already. What the port had
    // read goes on as received, held if receiving is suspended.
    void disconnect();
    // The Port menu's choice of the port in the box: an open port switches to it at once,
    // as Disconnect and then ReConnect would; a closed one stays closed.
    void switchPort();
    // Closing the program: the port drains and closes; a discard is also reported on
    // standard error, as the window goes away with the status line in it.
    void closeForExit();
    // Opens the port again as it was last set (its COM number resolved afresh) after the
    // device was lost; the panes are kept. On success as ReConnect: the lamp and
    // "Com Port Connected."; a failure says nothing.
    bool reopenLost();
    // Called after a lost device was reported.
    std::function<void()> onDeviceLost;

    // The boxes' change handlers: the numbers kept for the settings file.
    void baudTextChanged();
    void comTextChanged();
    qint32 baudRate() const { return baudRate_; }
    qint16 comNumber() const { return comNumber_; }
    // Start-up sets both before it fills the boxes (whose change may not fire).
    void setBaudRate(qint32 rate) { baudRate_ = rate; }
    void setComNumber(qint16 number) { comNumber_ = number; }
    // The baud rate as typed, without the start-up range rule (written at close).
    qint32 typedBaudRate() const;

    // "Suspend" of receiving: line events are not handled (a lost device still gets
    // through) and received bytes are held, logged at once but shown and captured only once
    // receiving resumes. Past kHoldLimit held the port is left to stop reading, which
    // holds the device back.
    void setRxSuspended(bool suspended);
    static constexpr qsizetype kHoldLimit = qsizetype(1) << 20;
    bool rxSuspended() const { return rxSuspended_; }
    qsizetype heldBytes() const { return held_.bytes.size(); }
    // Every byte taken from the port also goes to the log (null: none).
    void setLog(SessionLog *log) { log_ = log; }

    // The port's event: line events and errors become status lines, break and framing
    // errors reopen the port, data goes to the receive engine; then the size rule.
    void onPortEvent();

    qint64 output(const QByteArray &bytes) override;
    qint64 pendingOutput() const override;
    qint64 outputLimit() const override;
    bool isOpen() const override;

private:
    void refreshLamp();
    void reportConnected();
    void reportDeviceLost();
    void closeDraining(bool alsoToStderr);
    // Takes what the port has read: to the log first, then to the receive engine or, while
    // suspended, to the held bytes. closing: the port is gone, so the limit does not apply.
    void takeReceived(bool closing);

    std::unique_ptr<CommPort> port_;
    ConnectionView &view_;
    StatusLog &status_;
    ReceiveEngine &receive_;
    ReceivePanes &panes_;
    qint32 baudRate_ = 0;
    qint16 comNumber_ = 0;
    bool rxSuspended_ = false;
    Received held_; // received while suspended, not shown yet
    SessionLog *log_ = nullptr;
};
