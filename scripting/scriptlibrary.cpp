#include "scripting/scriptlibrary.h"

#include "scripting/scripthost.h"
#include "scripting/scriptport.h"
#include "scripting/scriptstate.h"

#include <lua.hpp>

#include <chrono>

namespace {

using Clock = ScriptChannel::Clock;

int writeOutput(ScriptState &run, const char *text, size_t len)
{
    const QByteArray line(text, qsizetype(len));
    return run.ask([line](ScriptHost &h) { h.output(line); }) ? 0 : kStopped;
}

// print and log: their values as tostring gives them, apart by tabs, as one line.
int scriptPrint(lua_State *L)
{
    const int n = lua_gettop(L);
    luaL_Buffer b;
    luaL_buffinit(L, &b);
    for (int i = 1; i <= n; ++i) {
        if (i > 1)
            luaL_addchar(&b, '\t');
        luaL_tolstring(L, i, nullptr);
        luaL_addvalue(&b);
    }
    luaL_pushresult(&b);
    size_t len = 0;
    const char *text = lua_tolstring(L, -1, &len);
    return finishCall(L, writeOutput(ScriptState::of(L), text, len));
}

int scriptSleep(lua_State *L)
{
    luaL_checknumber(L, 1);
    if (!ScriptState::of(L).sleepUntil(deadlineArg(L, 1)))
        return raiseStop(L);
    return 0;
}

int scriptExit(lua_State *L)
{
    int code = 0;
    if (lua_isboolean(L, 1))
        code = lua_toboolean(L, 1) ? 0 : 1;
    else
        code = int(luaL_optinteger(L, 1, 0));
    ScriptState::of(L).setExit(code);
    return raiseStop(L);
}

int scriptNow(lua_State *L)
{
    const auto since = Clock::now().time_since_epoch();
    lua_pushnumber(L, std::chrono::duration<double, std::milli>(since).count());
    return 1;
}

const luaL_Reg kGlobals[] = {{"print", scriptPrint}, {"log", scriptPrint}, {"sleep", scriptSleep},
                             {"exit", scriptExit},   {"now", scriptNow},   {nullptr, nullptr}};

} // namespace

void openScriptLibrary(lua_State *L)
{
    openPortLibrary(L);
    lua_pushglobaltable(L);
    luaL_setfuncs(L, kGlobals, 0);
    lua_pop(L, 1);
    lua_getglobal(L, "os");
    lua_pushcfunction(L, scriptExit);
    lua_setfield(L, -2, "exit");
    lua_pop(L, 1);
}
