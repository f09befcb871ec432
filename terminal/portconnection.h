#pragma once

#include "platform/commport.h"
#include "platform/lineevent.h"
#include "platform/linesettings.h"
#include "platform/portaddress.h"
#include "platform/portsettings.h"
#include "terminal/receivehub.h"
#include "terminal/terminalviews.h"

#include <QString>

#include <functional>
#include <memory>
#include <optional>

class CommPort;
class ReceiveEngine;
class StatusLog;

// Opens and closes the serial port, turns its events into status lines, and is the
// port the senders write to. The port opens at the typed baud rate with the line settings
// in force (8 data bits, no parity, 1 stop bit, no flow control unless changed).
class PortConnection : public ByteWriter
{
public:
    PortConnection(std::unique_ptr<CommPort> port, ConnectionView &view, StatusLog &status,
                   ReceiveEngine &receive, ReceivePanes &panes);
    ~PortConnection() override;

    CommPort *port() const { return port_.get(); }

    // Start-up: opens COM n, or the address given instead, at the baud text without a status
    // line; the lamp shows the outcome.
    void openAtStartup(const QString &baudText, qint16 comNumber,
                       const std::optional<PortAddress> &chosen = std::nullopt);
    // "Open Network Port" (or a device named by its path): an open port is closed as by
    // Disconnect, then the address is opened at the typed rate with the usual status lines.
    // ReConnect opens it again until the COM box changes; the box keeps its number.
    void openAddress(const PortAddress &address);
    // A COM port chosen from the menu: ReConnect and a switch use the box again.
    void forgetChosenAddress() { chosen_.reset(); }
    // "ReConnect": an open port is left as it is; otherwise the typed settings are applied
    // and the port opened. Either way the panes are emptied and "Com Port Connected." is
    // logged, or "Selected COM Port Not Available." when the open failed.
    void reconnect();
    // "Disconnect": output still queued is let drain first (discarded after a deadline,
    // with one status line saying how many bytes were not sent); then
    // "COM Port Disconnected", also when the port was closed already. What the port had
    // read goes to the sinks, held by the engine if receiving is suspended.
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

    // Data bits, parity, stop bits and flow control: used by every open, and applied at once
    // to an open port. When the open port refuses them nothing changes and the failure says
    // why.
    const LineSettings &lineSettings() const { return line_; }
    PortFailure setLineSettings(const LineSettings &line);
    // The rate and line in force: the open port's, else what the next open takes (the rate
    // typed in the box). setPortSettings() changes both as setLineSettings() does the line; the
    // rate is kept for the next open by whoever shows it in the box.
    [[nodiscard]] PortSettings settingsInForce() const;
    PortFailure setPortSettings(const PortSettings &settings);
    // The user's choice: as setLineSettings(), a refusal said in a status line with the
    // port's reason.
    void chooseLineSettings(const LineSettings &line);

    // "Suspend" of receiving: line events are not handled (a lost device still gets
    // through) and the receive engine holds the bytes (ReceiveEngine::setSuspended); the
    // other sinks, the log first, take them at once.
    void setRxSuspended(bool suspended);
    bool rxSuspended() const;
    // Where received bytes go: the window attaches the log, then the receive engine.
    ReceiveHub &receiveHub() { return hub_; }

    qint64 output(const QByteArray &bytes) override;
    qint64 pendingOutput() const override;
    qint64 outputLimit() const override;
    bool isOpen() const override;

private:
    // The port's events: data goes to the sinks, line events become status lines (break
    // and framing errors reopen the port); after each the lamp and the size rule.
    void dataReady();
    void lineEvent(LineEvent event);
    void deviceLost(const QString &why);
    void afterPortEvent();

    bool open(const PortAddress &address, const PortSettings &settings);
    void refreshLamp();
    void reportConnected();
    void closeDraining(bool alsoToStderr);
    void showLine(const LineSettings &line);

    std::unique_ptr<CommPort> port_;
    ReceiveHub hub_;
    ConnectionView &view_;
    StatusLog &status_;
    ReceiveEngine &receive_;
    ReceivePanes &panes_;
    qint32 baudRate_ = 0;
    qint16 comNumber_ = 0;
    // What the port was last opened with: a lost device is reopened so.
    PortAddress address_;
    // A network address or device chosen in place of the COM box's number.
    std::optional<PortAddress> chosen_;
    PortSettings settings_;
    LineSettings line_;
};
