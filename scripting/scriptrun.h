#pragma once

#include "scripting/scriptchannel.h"
#include "scripting/scriptinput.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

struct lua_State;
class ScriptHost;

// How a run ended: normally or by exit() (Finished, with the code), by a stop, or by an
// error ("file:line: message", exit code 1).
struct ScriptOutcome
{
    enum class End { Finished, Stopped, Failed };
    End end = End::Finished;
    int exitCode = 0;
    QString error;
};

// One script in one Lua state, run on the calling thread (the script's own). The standard
// libraries are open; the program's functions are those of scriptlibrary.h. A stop ends
// the run within a thousand Lua instructions or at once when it waits.
class ScriptRun
{
public:
    // args become arg[1..] and the chunk's `...`; arg[0] is the path.
    ScriptRun(std::shared_ptr<ScriptChannel> channel, const QString &path, const QStringList &args);
    ~ScriptRun();
    ScriptRun(const ScriptRun &) = delete;
    ScriptRun &operator=(const ScriptRun &) = delete;

    ScriptOutcome run();

    // For the library's functions, on the script's thread.
    static ScriptRun &of(lua_State *L);
    ScriptChannel &channel() { return *channel_; }
    ScriptInput &input() { return input_; }
    [[nodiscard]] bool stopping() const { return exiting_ || channel_->stopRequested(); }
    void setExit(int code);
    // Runs f with the host on the GUI thread and waits; false when stopped first.
    [[nodiscard]] bool ask(std::function<void(ScriptHost &)> f);
    // Waits until the deadline; false when stopped first.
    [[nodiscard]] bool sleepUntil(ScriptInput::Deadline deadline);

    const QByteArray &pathBytes() const { return path_; }
    const QList<QByteArray> &args() const { return args_; }

private:
    std::shared_ptr<ScriptChannel> channel_;
    ScriptInput input_;
    QByteArray path_;
    QList<QByteArray> args_;
    lua_State *L_ = nullptr;
    bool exiting_ = false;
    int exitCode_ = 0;
};
