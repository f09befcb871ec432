#include "scripting/scriptrun.h"

#include "scripting/scriptlibrary.h"
#include "scripting/scriptstate.h"

#include <lua.hpp>

#include <cstring>

namespace {

// Ends a stopped run between any two thousand instructions, also in a busy loop.
void stopHook(lua_State *L, lua_Debug *)
{
    if (ScriptState::of(L).stopping())
        raiseStop(L);
}

// Does the message already start with "file:line:" of a Lua function on the stack?
bool hasPosition(lua_State *L, const char *msg)
{
    lua_Debug ar;
    for (int level = 1; lua_getstack(L, level, &ar); ++level) {
        if (!lua_getinfo(L, "Sl", &ar) || ar.currentline <= 0)
            continue;
        const size_t n = std::strlen(ar.short_src);
        if (std::strncmp(msg, ar.short_src, n) == 0 && msg[n] == ':' && msg[n + 1] >= '0' &&
            msg[n + 1] <= '9')
            return true;
    }
    return false;
}

// Every error names the file and line where it arose, also one raised with a table, with
// level 0 or from inside a library function.
int messageHandler(lua_State *L)
{
    if (isStopError(L, 1))
        return 1;
    const char *msg = lua_tostring(L, 1);
    if (!msg) {
        if (luaL_callmeta(L, 1, "__tostring") && lua_type(L, -1) == LUA_TSTRING)
            msg = lua_tostring(L, -1);
        else
            msg = lua_pushfstring(L, "(error object is a %s value)", luaL_typename(L, 1));
    }
    if (hasPosition(L, msg))
        return 1;
    lua_Debug ar;
    for (int level = 1; lua_getstack(L, level, &ar); ++level) {
        if (lua_getinfo(L, "Sl", &ar) && ar.currentline > 0) {
            lua_pushfstring(L, "%s:%d: %s", ar.short_src, ar.currentline, msg);
            return 1;
        }
    }
    lua_pushstring(L, msg);
    return 1;
}

// Everything that may raise an error runs protected, so no error ever reaches the panic
// handler (which would end the program).
int protectedMain(lua_State *L)
{
    ScriptState &run = ScriptState::of(L);
    luaL_openlibs(L);
    openScriptLibrary(L);
    lua_pushcfunction(L, messageHandler);
    const int handler = lua_gettop(L);
    if (luaL_loadfilex(L, run.path().constData(), "t") != LUA_OK)
        return lua_error(L);
    const int count = int(run.args().size());
    luaL_checkstack(L, count + 3, "too many arguments");
    lua_createtable(L, count, 1);
    lua_pushstring(L, run.path().constData());
    lua_rawseti(L, -2, 0);
    for (int i = 0; i < count; ++i) {
        const QByteArray &a = run.args()[i];
        lua_pushlstring(L, a.constData(), size_t(a.size()));
        lua_rawseti(L, -2, i + 1);
    }
    lua_setglobal(L, "arg");
    for (const QByteArray &a : run.args())
        lua_pushlstring(L, a.constData(), size_t(a.size()));
    if (lua_pcall(L, count, 0, handler) != LUA_OK)
        return lua_error(L);
    return 0;
}

} // namespace

ScriptOutcome runScript(std::shared_ptr<ScriptChannel> channel, const QString &path,
                        const QStringList &args)
{
    ScriptState state(std::move(channel), path, args);
    lua_State *L = luaL_newstate();
    if (!L)
        return {ScriptOutcome::End::Failed, 1, QStringLiteral("not enough memory")};
    state.attach(L);
    // Set before any coroutine exists: each copies it.
    lua_sethook(L, stopHook, LUA_MASKCOUNT, 1000);
    lua_pushcfunction(L, protectedMain);
    const int status = lua_pcall(L, 0, 0, 0);
    ScriptOutcome outcome;
    if (state.exiting()) {
        outcome.exitCode = state.exitCode();
    } else if (state.stopping()) {
        outcome.end = ScriptOutcome::End::Stopped;
    } else if (status != LUA_OK) {
        outcome.end = ScriptOutcome::End::Failed;
        outcome.exitCode = 1;
        const char *msg = lua_tostring(L, -1);
        outcome.error = msg ? QString::fromLocal8Bit(msg) : QStringLiteral("unknown error");
    }
    lua_close(L);
    return outcome;
}
