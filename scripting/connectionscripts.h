#pragma once

#include "scripting/scripthost.h"
#include "scripting/scriptrunner.h"
#include "terminal/receivehub.h"

#include <QStringList>

#include <functional>

class PortConnection;
class StatusLog;
struct TransmitContext;

// The user's scripts on the program's port, one at a time. A script sends as the window's
// sends do (gate, record, counter, echo, Suspend, paced writer), sets the port's lines and
// settings through the connection, and reads what the receive hub hands it: the bytes the
// panes get, in the same order, from no reader of its own. Its log() lines and the runner's
// status lines go to the status box.
class ConnectionScripts : public ScriptHost, public ReceiveSink
{
public:
    ConnectionScripts(TransmitContext &transmit, PortConnection &port, StatusLog &status);
    ~ConnectionScripts() override;

    // False, and nothing happens, while a script runs.
    bool start(const QString &path, const QStringList &args = {});
    // Ends the running script at its next wait; nothing without one.
    void stop() { runner_.stop(); }
    [[nodiscard]] bool running() const { return runner_.running(); }
    // Its ended() follows each run's last status line.
    ScriptRunner &runner() { return runner_; }
    // A script set the rate: whoever shows the rate keeps it for the next open.
    std::function<void(qint32)> onRateChanged;

    std::optional<qint64> send(const QByteArray &bytes) override;
    bool setDtr(bool on) override;
    bool setRts(bool on) override;
    bool sendBreak(int ms) override;
    PortSettings lineSettings() const override;
    bool setLineSettings(const PortSettings &settings) override;
    void output(const QByteArray &text) override;
    void status(const QString &line) override;

    void received(const Received &bytes) override;

private:
    TransmitContext &transmit_;
    PortConnection &port_;
    StatusLog &status_;
    ScriptRunner runner_{*this};
};
