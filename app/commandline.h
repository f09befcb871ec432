#pragma once

#include "platform/linesettings.h"
#include "platform/portaddress.h"
#include "platform/portlist.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

// What the command line asks for: either an answer printed at once and an exit code, no
// window (help, version, the port list, an error), or a run (the window, or a script without
// one) with start-up values in place of the saved ones.
struct CommandLine
{
    bool exitNow = false;
    int exitCode = 0;
    QString out;                     // for standard output
    QString err;                     // one line for standard error
    std::optional<qint16> comNumber; // --com, or --port with a COM number
    std::optional<PortAddress> port; // --port with a device or a network address
    std::optional<qint32> baudRate;
    std::optional<Framing> framing;  // --line
    std::optional<FlowControl> flow; // --flow
    std::optional<QString> logPath;
    std::optional<QString> script; // --script: run it without a window
    QStringList scriptArguments;   // all after "--", for the script

    // The saved line settings with --line and --flow in their place.
    [[nodiscard]] LineSettings lineSettings(const LineSettings &saved) const
    {
        return {framing.value_or(saved.framing), flow.value_or(saved.flow)};
    }
};

// arguments as QCoreApplication::arguments() gives them (the program first); ports is asked
// only for --list-ports.
CommandLine parseCommandLine(const QStringList &arguments,
                             const std::function<QList<PortListEntry>()> &ports);
