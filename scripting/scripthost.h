#pragma once

#include "platform/portsettings.h"

#include <QByteArray>
#include <QString>

#include <optional>

// What a running script asks of the program. Every call is made on the GUI thread (the
// script's thread waits for the answer), so an implementation uses the program's parts
// as a click would: the paced writer, the port connection, the status box.
class ScriptHost
{
public:
    virtual ~ScriptHost() = default;

    // The script's send: recorded, counted and echoed as the window's sends, written
    // through the paced writer unless transmit is suspended. The bytes the port took, or
    // nothing while another send runs (the script asks again a little later).
    virtual std::optional<qint64> send(const QByteArray &bytes) = 0;
    // The port's output lines and a break of ms milliseconds; false when the port refused.
    virtual bool setDtr(bool on) = 0;
    virtual bool setRts(bool on) = 0;
    virtual bool sendBreak(int ms) = 0;
    // The line as now set, and a change of it applied to the open port (and kept for the
    // next open); false when the port refused.
    virtual PortSettings lineSettings() const = 0;
    virtual bool setLineSettings(const PortSettings &settings) = 0;
    // One line the script wrote with log() or print(), as the bytes it gave.
    virtual void output(const QByteArray &text) = 0;
    // The runner's own lines: running, finished, stopped, failed.
    virtual void status(const QString &line) = 0;
};
