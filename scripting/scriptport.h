#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <optional>

struct lua_State;

// The `port` table of scripts: send, sendhex, expect, expect_plain, readline, read,
// flush_input, available, dropped, dtr, rts, brk, baud, line, flow, settings.
void openPortLibrary(lua_State *L);

// "01 03 00 0A" (pairs of hexadecimal digits, tokens apart by blanks, commas, colons or
// dashes; a token may hold several pairs) to its bytes; nothing when malformed.
std::optional<QByteArray> parseHexPairs(QByteArrayView text);
