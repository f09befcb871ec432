#pragma once

#include "platform/commport.h"
#include "platform/eventlooppacer.h"
#include "scripting/scripthost.h"
#include "scripting/scriptrunner.h"
#include "terminal/receivehub.h"
#include "terminal/sessionlog.h"
#include "terminal/terminalviews.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <cstdio>
#include <memory>
#include <optional>

// A script run without a window: the port, the session log and the script, wired as the
// window wires them (the log takes every received byte before the script sees it). What the
// script writes with log() and print() goes to out, one line each; the log's own lines and
// the failures go to err. Sends are paced as the window's are: never more than the port's
// output limit waits in it, and while it is full the pacer runs the event loop until the port
// says it took some (or the script is stopped). finished() gives the code the program exits
// with.
class HeadlessSession : public QObject, private ScriptHost, private ReceiveSink, private StatusLog
{
    Q_OBJECT
public:
    HeadlessSession(std::unique_ptr<CommPort> port, std::FILE *out, std::FILE *err,
                    QObject *parent = nullptr);
    ~HeadlessSession() override;

    // Opens the port; false, with the port's reason on err, when it refused.
    [[nodiscard]] bool openPort(const PortAddress &address, const PortSettings &settings);
    // The log the received bytes are appended to; opened before start().
    SessionLog &log() { return log_; }
    // Starts the script (args are its arg[1..]). finished() follows its end.
    void start(const QString &path, const QStringList &args);
    // A signal: the script stops at once and finished() gives exitCode whatever the script's
    // end, also when a script busy outside Lua (io.read) has not ended within kStopGraceMs
    // (the runner then gives it up to two seconds more as it goes).
    void stop(int exitCode);
    // The port lets queued output go (discarded at once after a stop), what it read goes to
    // the log, then both close. Also done when the session goes.
    void close();

    static constexpr int kStopGraceMs = 100;

signals:
    void finished(int exitCode);

private:
    // ScriptHost
    std::optional<qint64> send(const QByteArray &bytes) override;
    bool setDtr(bool on) override;
    bool setRts(bool on) override;
    bool sendBreak(int ms) override;
    PortSettings lineSettings() const override { return settings_; }
    bool setLineSettings(const PortSettings &settings) override;
    void output(const QByteArray &text) override;
    void status(const QString &) override {}
    // ReceiveSink: the script's share of the received bytes.
    void received(const Received &bytes) override;
    // StatusLog: the log's lines.
    void add(const QString &line) override;

    void scriptEnded(const ScriptOutcome &outcome);
    void end(int exitCode);
    void printError(const QString &line);

    std::unique_ptr<CommPort> port_;
    std::FILE *out_;
    std::FILE *err_;
    ReceiveHub hub_;
    SessionLog log_;
    ScriptRunner runner_;
    EventLoopPacer pacer_;
    PortSettings settings_;
    std::optional<int> stopCode_;
    bool ended_ = false;
};
