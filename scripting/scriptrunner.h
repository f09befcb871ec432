#pragma once

#include "scripting/scriptrun.h"

#include <QByteArrayView>
#include <QObject>
#include <QString>
#include <QStringList>

#include <memory>
#include <thread>

class ScriptChannel;
class ScriptHost;

// Runs one script at a time on a thread of its own, from the GUI thread: starts and stops
// it, hands it the received bytes and reports through the host's status lines "Script
// <name> running", then "Script <name> finished (exit <code>)", "Script <name> stopped" or
// "Script <name> failed: <file:line: message>". The GUI thread never waits for the script
// (only a runner that goes while its script runs waits, up to two seconds, for it to end).
class ScriptRunner : public QObject
{
    Q_OBJECT
public:
    explicit ScriptRunner(ScriptHost &host, QObject *parent = nullptr);
    ~ScriptRunner() override;

    // Starts the script file at path; args are its arg[1..]. False, and nothing happens,
    // while a script runs.
    bool start(const QString &path, const QStringList &args = {});
    // Ends the running script at its next wait or within a thousand Lua instructions;
    // ended() follows.
    void stop();
    [[nodiscard]] bool running() const { return thread_.joinable(); }
    // The bytes the receive path takes from the port, in order; ignored while no script runs.
    void received(QByteArrayView bytes);
    // Bytes handed over that the script has not taken in yet.
    [[nodiscard]] qsizetype untaken() const;

signals:
    // After the status line; running() is false by then.
    void ended(const ScriptOutcome &outcome);

private:
    void finish(const ScriptOutcome &outcome);

    ScriptHost &host_;
    std::shared_ptr<ScriptChannel> channel_;
    std::thread thread_;
    QString name_;
};
