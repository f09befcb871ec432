#include "scripting/scriptport.h"

#include "platform/linesettings.h"
#include "scripting/scripthost.h"
#include "scripting/scriptstate.h"

#include <lua.hpp>

#include <algorithm>
#include <chrono>
#include <cstring>

namespace {

using Clock = ScriptChannel::Clock;
using Outcome = ScriptInput::Outcome;

char findKey; // the registry slot of the original string.find

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
    const Outcome o =
        ScriptState::of(L).input().expectPlain(QByteArrayView(text, qsizetype(len)), deadline);
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
    const Outcome o = ScriptState::of(L).input().waitFor(deadline, scan);
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
    const bool plain = !hasSpecials(QByteArrayView(pattern, qsizetype(len)));
    return finishCall(L, plain ? expectPlainText(L, deadline) : expectLuaPattern(L, deadline));
}

int portExpectPlain(lua_State *L)
{
    luaL_checkstring(L, 1);
    const ScriptInput::Deadline deadline = deadlineArg(L, 2);
    lua_settop(L, 2);
    return finishCall(L, expectPlainText(L, deadline));
}

int readLine(lua_State *L, ScriptInput::Deadline deadline)
{
    QByteArray line;
    return pushWaitResult(L, ScriptState::of(L).input().readLine(deadline, line), line);
}

int portReadLine(lua_State *L)
{
    return finishCall(L, readLine(L, deadlineArg(L, 1)));
}

int readBytes(lua_State *L, qsizetype n, ScriptInput::Deadline deadline)
{
    QByteArray bytes;
    return pushWaitResult(L, ScriptState::of(L).input().read(n, deadline, bytes), bytes);
}

int portRead(lua_State *L)
{
    const lua_Integer n = luaL_checkinteger(L, 1);
    luaL_argcheck(L, n >= 0 && n <= ScriptChannel::kInputCap, 1, "count out of range");
    return finishCall(L, readBytes(L, qsizetype(n), deadlineArg(L, 2)));
}

int portFlushInput(lua_State *L)
{
    lua_pushinteger(L, ScriptState::of(L).input().flush());
    return 1;
}

int portAvailable(lua_State *L)
{
    lua_pushinteger(L, ScriptState::of(L).input().available());
    return 1;
}

int portDropped(lua_State *L)
{
    lua_pushinteger(L, lua_Integer(ScriptState::of(L).channel().droppedTotal()));
    return 1;
}

// A send while another send of the window runs is asked again every 20 ms.
qint64 sendBytes(ScriptState &run, const QByteArray &bytes)
{
    constexpr std::chrono::milliseconds kAskAgain{20};
    for (;;) {
        auto taken = std::make_shared<std::optional<qint64>>();
        if (!run.ask([bytes, taken](ScriptHost &host) { *taken = host.send(bytes); }))
            return kStopped;
        if (*taken)
            return **taken;
        if (!run.sleepUntil(Clock::now() + kAskAgain))
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
    const qint64 n = sendBytes(ScriptState::of(L), QByteArray(s, qsizetype(len)));
    return finishCall(L, pushCount(L, n));
}

constexpr qint64 kBadHex = -3;
qint64 sendHex(ScriptState &run, QByteArrayView text)
{
    const std::optional<QByteArray> bytes = parseHexPairs(text);
    return bytes ? sendBytes(run, *bytes) : kBadHex;
}

int portSendHex(lua_State *L)
{
    size_t len = 0;
    const char *s = luaL_checklstring(L, 1, &len);
    const qint64 n = sendHex(ScriptState::of(L), QByteArrayView(s, qsizetype(len)));
    luaL_argcheck(L, n != kBadHex, 1, "pairs of hexadecimal digits expected");
    return finishCall(L, pushCount(L, n));
}

// Asks the host on the GUI thread and pushes its yes or no.
template <class F> int askYesNo(lua_State *L, F f)
{
    auto ok = std::make_shared<bool>(false);
    if (!ScriptState::of(L).ask([ok, f](ScriptHost &host) { *ok = f(host); }))
        return kStopped;
    lua_pushboolean(L, *ok);
    return 1;
}

int portDtr(lua_State *L)
{
    luaL_checkany(L, 1);
    const bool on = lua_toboolean(L, 1);
    return finishCall(L, askYesNo(L, [on](ScriptHost &h) { return h.setDtr(on); }));
}

int portRts(lua_State *L)
{
    luaL_checkany(L, 1);
    const bool on = lua_toboolean(L, 1);
    return finishCall(L, askYesNo(L, [on](ScriptHost &h) { return h.setRts(on); }));
}

// The script goes on once the break is over, so what it sends next is not lost in it.
int portBreak(lua_State *L)
{
    const lua_Integer ms = luaL_checkinteger(L, 1);
    luaL_argcheck(L, ms > 0 && ms <= 60000, 1, "1 to 60000 ms expected");
    const int n = askYesNo(L, [ms](ScriptHost &h) { return h.sendBreak(int(ms)); });
    if (n == kStopped ||
        !ScriptState::of(L).sleepUntil(Clock::now() + std::chrono::milliseconds(ms)))
        return raiseStop(L);
    return n;
}

// Changes the line on the GUI thread, from the settings as they are there and then.
template <class F> int changeLine(lua_State *L, F change)
{
    return finishCall(L, askYesNo(L, [change](ScriptHost &h) {
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

std::optional<Framing> framingOf(const char *text)
{
    return parseFraming(QString::fromLatin1(text));
}

int portLine(lua_State *L)
{
    const std::optional<Framing> f = framingOf(luaL_checkstring(L, 1));
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

std::optional<PortSettings> askSettings(ScriptState &run, SettingsTexts &texts)
{
    auto settings = std::make_shared<PortSettings>();
    if (!run.ask([settings](ScriptHost &h) { *settings = h.lineSettings(); }))
        return std::nullopt;
    qstrncpy(texts.line, framingText(LineSettings::of(*settings).framing).toLatin1().constData(),
             sizeof texts.line);
    qstrncpy(texts.flow, flowControlText(settings->flow).toLatin1().constData(), sizeof texts.flow);
    return *settings;
}

int portSettings(lua_State *L)
{
    SettingsTexts texts;
    const std::optional<PortSettings> s = askSettings(ScriptState::of(L), texts);
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

} // namespace

void openPortLibrary(lua_State *L)
{
    lua_getglobal(L, "string");
    lua_getfield(L, -1, "find");
    lua_rawsetp(L, LUA_REGISTRYINDEX, &findKey);
    lua_pop(L, 1);
    luaL_newlib(L, kPort);
    lua_setglobal(L, "port");
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
