#pragma once

#include "platform/portlist.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

// What the command line asks for: either an answer printed at once and an exit code, no
// window (help, version, the port list, an error), or the window with start-up values in
// place of those of the settings file.
struct CommandLine
{
    bool exitNow = false;
    int exitCode = 0;
    QString out; // for standard output
    QString err; // one line for standard error
    std::optional<qint16> comNumber;
    std::optional<qint32> baudRate;
    std::optional<QString> logPath;
};

// arguments as QCoreApplication::arguments() gives them (the program first); ports is asked
// only for --list-ports.
CommandLine parseCommandLine(const QStringList &arguments,
                             const std::function<QList<PortListEntry>()> &ports);
