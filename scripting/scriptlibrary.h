#pragma once

struct lua_State;

// The program's functions for scripts: the `port` table (scriptport.h) and the globals
// print and log (a line to the host), sleep, exit and now; os.exit is exit, so that a
// script never ends the whole program.
void openScriptLibrary(lua_State *L);
