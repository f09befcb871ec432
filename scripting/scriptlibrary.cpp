#include "scripting/scriptlibrary.h"

#include "scripting/linesettings.h"
#include "scripting/scripthost.h"
#include "scripting/scriptrun.h"

#include <lua.hpp>

#include <algorithm>
#include <chrono>
#include <cstring>

// Lua raises errors with longjmp, which skips C++ destructors. So every function below
// first reads its arguments, then does its C++ work in a helper whose objects are gone
// when it returns, and raises (the stop, a bad argument) only after that.

namespace {

using Clock = ScriptChannel::Clock;
using Outcome = ScriptInput::Outcome;

char stopTag; // its address is the error value of a stop
char findKey; // the registry slot of the original string.find
constexpr int kStopped = -1;
constexpr int kFailed = -2; // the error message is on the stack

int finish(lua_State *L, int results)
{
    if (results == kStopped)
        return raiseStop(L);
    if (results == kFailed)
        return lua_error(L);
    return results;
}

// A timeout argument in milliseconds: nil waits without limit, 0 or less only looks at
// what is there.
ScriptInput::Deadline deadlineArg(lua_State *L, int index)
{
    if (lua_isnoneornil(L, index))
        return std::nullopt;
    const double ms = std::clamp<double>(luaL_checknumber(L, index), 0, 1e12);
    return Clock::now() + std::chrono::duration_cast<Clock::duration>(
                              std::chrono::duration<double, std::milli>(ms));
}

int pushWaitResult(lua_State *L, Outcome outcome, const QByteArray &bytes)
{
    if (outcome == Outcome::Stopped)
        return kStopped;
    if (outcome == Outcome::Found)
        lua_pushlstring(L, bytes.constData(), size_t(bytes.size()));
    else
        lua_pushnil(L);
    return 1;
}

// Lua's own test for a pattern without magic characters (which it then finds as plain
// text).
bool hasSpecials(QByteArrayView pattern)
{
    return std::any_of(pattern.begin(), pattern.end(),
                       [](char c) { return c != 0 && std::strchr("^$*+?.([%-", c); });
}

int expectPlainText(lua_State *L, ScriptInput::Deadline deadline)
{
    size_t len = 0;
    const char *text = lua_tolstring(L, 1, &len);
    const Outcome o = ScriptRun::of(L).input().expectPlain(QByteArrayView(text, len), deadline);
    return pushWaitResult(L, o, QByteArray(text, qsizetype(len)));
}

// string.find over the window each time it grew, so a match may span any arrivals; the
// whole match replaces find's two positions in its results.
int expectLuaPattern(lua_State *L, ScriptInput::Deadline deadline)
{
    const int base = lua_gettop(L);
    bool failed = false;
    const auto scan = [&](QByteArrayView w, qint64) -> std::optional<qsizetype> {
        lua_rawgetp(L, LUA_REGISTRYINDEX, &findKey);
        lua_pushlstring(L, w.data(), size_t(w.size()));
        lua_pushvalue(L, 1);
        if (lua_pcall(L, 2, LUA_MULTRET, 0) != LUA_OK) {
            failed = true;
            return 0;
        }
        if (lua_isnil(L, base + 1) || !lua_checkstack(L, 2)) {
            lua_settop(L, base);
            return std::nullopt;
        }
        const lua_Integer from = lua_tointeger(L, base + 1);
        const lua_Integer to = lua_tointeger(L, base + 2);
        lua_pushlstring(L, w.data() + from - 1, size_t(to - from + 1));
        lua_replace(L, base + 1);
        lua_remove(L, base + 2);
        return qsizetype(to);
    };
    const Outcome o = ScriptRun::of(L).input().waitFor(deadline, scan);
    if (failed)
        return kFailed;
    if (o != Outcome::Found)
        return pushWaitResult(L, o, {});
    return lua_gettop(L) - base;
}

int portExpect(lua_State *L)
{
    size_t len = 0;
    const char *pattern = luaL_checklstring(L, 1, &len);
    const ScriptInput::Deadline deadline = deadlineArg(L, 2);
    lua_settop(L, 2);
    const bool plain = !hasSpecials(QByteArrayView(pattern, len));
    return finish(L, plain ? expectPlainText(L, deadline) : expectLuaPattern(L, deadline));
}

int portExpectPlain(lua_State *L)
{
    luaL_checkstring(L, 1);
    const ScriptInput::Deadline deadline = deadlineArg(L, 2);
    lua_settop(L, 2);
    return finish(L, expectPlainText(L, deadline));
}

int readLine(lua_State *L, ScriptInput::Deadline deadline)
{
    QByteArray line;
    return pushWaitResult(L, ScriptRun::of(L).input().readLine(deadline, line), line);
}

int portReadLine(lua_State *L)
{
    return finish(L, readLine(L, deadlineArg(L, 1)));
}

int readBytes(lua_State *L, qsizetype n, ScriptInput::Deadline deadline)
{
    QByteArray bytes;
    return pushWaitResult(L, ScriptRun::of(L).input().read(n, deadline, bytes), bytes);
}

int portRead(lua_State *L)
{
    const lua_Integer n = luaL_checkinteger(L, 1);
    luaL_argcheck(L, n >= 0 && n <= ScriptChannel::kInputCap, 1, "count out of range");
    return finish(L, readBytes(L, qsizetype(n), deadlineArg(L, 2)));
}

int portFlushInput(lua_State *L)
{
    lua_pushinteger(L, ScriptRun::of(L).input().flush());
    return 1;
}

int portAvailable(lua_State *L)
{
    lua_pushinteger(L, ScriptRun::of(L).input().available());
    return 1;
}

int portDropped(lua_State *L)
{
    lua_pushinteger(L, lua_Integer(ScriptRun::of(L).channel().droppedTotal()));
    return 1;
}

// A send while another send of the window runs is asked again every 20 ms.
qint64 sendBytes(ScriptRun &run, const QByteArray &bytes)
{
    for (;;) {
        auto taken = std::make_shared<std::optional<qint64>>();
        if (!run.ask([bytes, taken](ScriptHost &host) { *taken = host.send(bytes); }))
            return kStopped;
        if (*taken)
            return **taken;
        if (!run.sleepUntil(Clock::now() + std::chrono::milliseconds(20)))
            return kStopped;
    }
}

int pushCount(lua_State *L, qint64 n)
{
    if (n == kStopped)
        return kStopped;
    lua_pushinteger(L, n);
    return 1;
}

int portSend(lua_State *L)
{
    size_t len = 0;
    const char *s = luaL_checklstring(L, 1, &len);
    const qint64 n = sendBytes(ScriptRun::of(L), QByteArray(s, qsizetype(len)));
    return finish(L, pushCount(L, n));
}

constexpr qint64 kBadHex = -3;
qint64 sendHex(ScriptRun &run, QByteArrayView text)
{
    const std::optional<QByteArray> bytes = parseHexPairs(text);
    return bytes ? sendBytes(run, *bytes) : kBadHex;
}

int portSendHex(lua_State *L)
{
    size_t len = 0;
    const char *s = luaL_checklstring(L, 1, &len);
    const qint64 n = sendHex(ScriptRun::of(L), QByteArrayView(s, len));
    luaL_argcheck(L, n != kBadHex, 1, "pairs of hexadecimal digits expected");
    return finish(L, pushCount(L, n));
}

// Asks the host on the GUI thread and pushes its yes or no.
template <class F> int askYesNo(lua_State *L, F f)
{
    auto ok = std::make_shared<bool>(false);
    if (!ScriptRun::of(L).ask([ok, f](ScriptHost &host) { *ok = f(host); }))
        return kStopped;
    lua_pushboolean(L, *ok);
    return 1;
}

int portDtr(lua_State *L)
{
    luaL_checkany(L, 1);
    const bool on = lua_toboolean(L, 1);
    return finish(L, askYesNo(L, [on](ScriptHost &h) { return h.setDtr(on); }));
}

int portRts(lua_State *L)
{
    luaL_checkany(L, 1);
    const bool on = lua_toboolean(L, 1);
    return finish(L, askYesNo(L, [on](ScriptHost &h) { return h.setRts(on); }));
}

// The script goes on once the break is over, so what it sends next is not lost in it.
int portBreak(lua_State *L)
{
    const lua_Integer ms = luaL_checkinteger(L, 1);
    luaL_argcheck(L, ms > 0 && ms <= 60000, 1, "1 to 60000 ms expected");
    const int n = askYesNo(L, [ms](ScriptHost &h) { return h.sendBreak(int(ms)); });
    if (n == kStopped || !ScriptRun::of(L).sleepUntil(Clock::now() + std::chrono::milliseconds(ms)))
        return raiseStop(L);
    return n;
}

// Changes the line on the GUI thread, from the settings as they are there and then.
template <class F> int changeLine(lua_State *L, F change)
{
    return finish(L, askYesNo(L, [change](ScriptHost &h) {
                      PortSettings s = h.lineSettings();
                      change(s);
                      return h.setLineSettings(s);
                  }));
}

int portBaud(lua_State *L)
{
    const lua_Integer rate = luaL_checkinteger(L, 1);
    luaL_argcheck(L, rate > 0 && rate <= 100000000, 1, "baud rate out of range");
    return changeLine(L, [rate](PortSettings &s) { s.baud = qint32(rate); });
}

std::optional<PortSettings> framingOf(const char *text)
{
    return parseLineFraming(QString::fromLatin1(text));
}

int portLine(lua_State *L)
{
    const std::optional<PortSettings> f = framingOf(luaL_checkstring(L, 1));
    luaL_argcheck(L, f.has_value(), 1, "framing such as \"8N1\" expected");
    return changeLine(L, [f = *f](PortSettings &s) {
        s.dataBits = f.dataBits;
        s.parity = f.parity;
        s.stopBits = f.stopBits;
    });
}

std::optional<FlowControl> flowOf(const char *text)
{
    return parseFlowControl(QString::fromLatin1(text));
}

int portFlow(lua_State *L)
{
    const std::optional<FlowControl> flow = flowOf(luaL_checkstring(L, 1));
    luaL_argcheck(L, flow.has_value(), 1, "\"none\", \"rtscts\" or \"xonxoff\" expected");
    return changeLine(L, [flow = *flow](PortSettings &s) { s.flow = flow; });
}

struct SettingsTexts
{
    char line[8] = {};
    char flow[8] = {};
};

std::optional<PortSettings> askSettings(ScriptRun &run, SettingsTexts &texts)
{
    auto settings = std::make_shared<PortSettings>();
    if (!run.ask([settings](ScriptHost &h) { *settings = h.lineSettings(); }))
        return std::nullopt;
    qstrncpy(texts.line, lineFramingText(*settings).toLatin1().constData(), sizeof texts.line);
    qstrncpy(texts.flow, flowControlText(settings->flow).toLatin1().constData(), sizeof texts.flow);
    return *settings;
}

int portSettings(lua_State *L)
{
    SettingsTexts texts;
    const std::optional<PortSettings> s = askSettings(ScriptRun::of(L), texts);
    if (!s)
        return raiseStop(L);
    lua_createtable(L, 0, 3);
    lua_pushinteger(L, s->baud);
    lua_setfield(L, -2, "baud");
    lua_pushstring(L, texts.line);
    lua_setfield(L, -2, "line");
    lua_pushstring(L, texts.flow);
    lua_setfield(L, -2, "flow");
    return 1;
}

int writeOutput(ScriptRun &run, const char *text, size_t len)
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
    return finish(L, writeOutput(ScriptRun::of(L), text, len));
}

int scriptSleep(lua_State *L)
{
    luaL_checknumber(L, 1);
    if (!ScriptRun::of(L).sleepUntil(deadlineArg(L, 1)))
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
    ScriptRun::of(L).setExit(code);
    return raiseStop(L);
}

int scriptNow(lua_State *L)
{
    const auto since = Clock::now().time_since_epoch();
    lua_pushnumber(L, std::chrono::duration<double, std::milli>(since).count());
    return 1;
}

const luaL_Reg kPort[] = {{"send", portSend},
                          {"sendhex", portSendHex},
                          {"expect", portExpect},
                          {"expect_plain", portExpectPlain},
                          {"readline", portReadLine},
                          {"read", portRead},
                          {"flush_input", portFlushInput},
                          {"available", portAvailable},
                          {"dropped", portDropped},
                          {"dtr", portDtr},
                          {"rts", portRts},
                          {"brk", portBreak},
                          {"baud", portBaud},
                          {"line", portLine},
                          {"flow", portFlow},
                          {"settings", portSettings},
                          {nullptr, nullptr}};

const luaL_Reg kGlobals[] = {{"print", scriptPrint}, {"log", scriptPrint}, {"sleep", scriptSleep},
                             {"exit", scriptExit},   {"now", scriptNow},   {nullptr, nullptr}};

} // namespace

void openScriptLibrary(lua_State *L)
{
    lua_getglobal(L, "string");
    lua_getfield(L, -1, "find");
    lua_rawsetp(L, LUA_REGISTRYINDEX, &findKey);
    lua_pop(L, 1);

    luaL_newlib(L, kPort);
    lua_setglobal(L, "port");
    lua_pushglobaltable(L);
    luaL_setfuncs(L, kGlobals, 0);
    lua_pop(L, 1);
    lua_getglobal(L, "os");
    lua_pushcfunction(L, scriptExit);
    lua_setfield(L, -2, "exit");
    lua_pop(L, 1);
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

std::optional<QByteArray> parseHexPairs(QByteArrayView text)
{
    QByteArray out;
    int high = -1;
    for (const char c : text) {
        const int digit = c >= '0' && c <= '9'   ? c - '0'
                          : c >= 'a' && c <= 'f' ? c - 'a' + 10
                          : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                                 : -1;
        if (digit >= 0) {
            if (high < 0) {
                high = digit;
            } else {
                out.append(char(high * 16 + digit));
                high = -1;
            }
        } else if (high >= 0 || !std::strchr(" \t\r\n,:-", c) || c == 0) {
            return std::nullopt; // an odd digit before a separator, or a stranger
        }
    }
    if (high >= 0)
        return std::nullopt;
    return out;
}
