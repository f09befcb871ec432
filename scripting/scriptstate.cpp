#include "scripting/scriptstate.h"

#include <QFile>

#include <lua.hpp>

#include <algorithm>

namespace {

char stopTag; // its address is the error value of a stop

} // namespace

ScriptState::ScriptState(std::shared_ptr<ScriptChannel> channel, const QString &path,
                         const QStringList &args)
    : channel_(std::move(channel)), input_(*channel_), path_(QFile::encodeName(path))
{
    for (const QString &a : args)
        args_.append(a.toLocal8Bit());
}

void ScriptState::attach(lua_State *L)
{
    *static_cast<ScriptState **>(lua_getextraspace(L)) = this;
}

ScriptState &ScriptState::of(lua_State *L)
{
    return **static_cast<ScriptState **>(lua_getextraspace(L));
}

void ScriptState::setExit(int code)
{
    exiting_ = true;
    exitCode_ = code;
    channel_->requestStop(); // nothing the script does after it reaches the program
}

bool ScriptState::ask(std::function<void(ScriptHost &)> f)
{
    return channel_->call(std::move(f));
}

bool ScriptState::sleepUntil(ScriptInput::Deadline deadline)
{
    return channel_->wait(deadline, false) != ScriptChannel::Wake::Stop;
}

int finishCall(lua_State *L, int results)
{
    if (results == kStopped)
        return raiseStop(L);
    if (results == kFailed)
        return lua_error(L);
    return results;
}

int raiseStop(lua_State *L)
{
    lua_pushlightuserdata(L, &stopTag);
    return lua_error(L);
}

bool isStopError(lua_State *L, int index)
{
    return lua_touserdata(L, index) == &stopTag && lua_islightuserdata(L, index);
}

ScriptInput::Deadline deadlineArg(lua_State *L, int index)
{
    if (lua_isnoneornil(L, index))
        return std::nullopt;
    using Clock = ScriptChannel::Clock;
    const double ms = std::clamp<double>(luaL_checknumber(L, index), 0, 1e12);
    return Clock::now() + std::chrono::duration_cast<Clock::duration>(
                              std::chrono::duration<double, std::milli>(ms));
}
