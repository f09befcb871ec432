#pragma once

#include <QString>
#include <QStringList>

#include <memory>

class ScriptChannel;

// How a run ended: normally or by exit() (Finished, with the code), by a stop, or by an
// error ("file:line: message", exit code 1).
struct ScriptOutcome
{
    enum class End { Finished, Stopped, Failed };
    End end = End::Finished;
    int exitCode = 0;
    QString error;
};

// Runs the Lua script file at path in a state of its own, on the calling thread (the
// script's), until it ends. args become arg[1..] and the chunk's `...`; arg[0] is the path.
// The standard libraries are open; the program's functions are those of scriptlibrary.h.
// A stop ends the run within a thousand Lua instructions or at once when it waits.
ScriptOutcome runScript(std::shared_ptr<ScriptChannel> channel, const QString &path,
                        const QStringList &args);
