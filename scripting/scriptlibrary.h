#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <optional>

struct lua_State;

// The program's functions for scripts, in the running state: the `port` table (send,
// sendhex, expect, expect_plain, readline, read, flush_input, available, dropped, dtr,
// rts, brk, baud, line, flow, settings) and the globals sleep, log, print, exit and now;
// os.exit is exit, so that a script never ends the whole program.
void openScriptLibrary(lua_State *L);

// Raises the error that ends a stopped (or exiting) run; a stopped run raises it again
// at its next instructions, so a script's pcall cannot keep it alive.
int raiseStop(lua_State *L);
bool isStopError(lua_State *L, int index);

// "01 03 00 0A" (pairs of hexadecimal digits, tokens apart by blanks, commas, colons or
// dashes; a token may hold several pairs) to its bytes; nothing when malformed.
std::optional<QByteArray> parseHexPairs(QByteArrayView text);
