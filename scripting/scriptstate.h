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

// What the program's functions for scripts share in a running state, on the script's
// thread: the channel to the GUI thread, the received bytes, the file and its arguments,
// and whether the script stops.
class ScriptState
{
public:
    ScriptState(std::shared_ptr<ScriptChannel> channel, const QString &path,
                const QStringList &args);

    // The state's own (also in its coroutines, which copy the slot).
    void attach(lua_State *L);
    static ScriptState &of(lua_State *L);

    ScriptChannel &channel() { return *channel_; }
    ScriptInput &input() { return input_; }
    const QByteArray &path() const { return path_; }
    const QList<QByteArray> &args() const { return args_; }

    [[nodiscard]] bool stopping() const { return channel_->stopRequested(); }
    // exit(code): the script stops and ends with that code.
    void setExit(int code);
    [[nodiscard]] bool exiting() const { return exiting_; }
    [[nodiscard]] int exitCode() const { return exitCode_; }

    // Runs f with the host on the GUI thread and waits; false when stopped first.
    [[nodiscard]] bool ask(std::function<void(ScriptHost &)> f);
    // Waits until the deadline; false when stopped first.
    [[nodiscard]] bool sleepUntil(ScriptInput::Deadline deadline);

private:
    std::shared_ptr<ScriptChannel> channel_;
    ScriptInput input_;
    QByteArray path_;
    QList<QByteArray> args_;
    bool exiting_ = false;
    int exitCode_ = 0;
};

// Lua raises errors with longjmp, which skips C++ destructors. So every function for
// scripts first reads its arguments, then does its C++ work in a helper whose objects are
// gone when it returns, and raises (the stop, a bad argument) only after that. The
// helpers return a count of results or one of these.
constexpr int kStopped = -1;
constexpr int kFailed = -2; // the error message is on the stack
int finishCall(lua_State *L, int results);

// Raises the error that ends a stopped (or exiting) run; a stopped run raises it again
// at its next instructions, so a script's pcall cannot keep it alive.
int raiseStop(lua_State *L);
bool isStopError(lua_State *L, int index);

// A timeout argument in milliseconds: nil waits without limit, 0 or less only looks at
// what is there.
ScriptInput::Deadline deadlineArg(lua_State *L, int index);
