#pragma once

struct CommandLine;

// --script: runs the script with no window and no display, on the port and at the settings
// the command line gives, the saved ones in their place otherwise (never writing them back).
// Returns the exit code: the script's (0 at its end, its exit() code, 1 on an error), 1 when
// the port or the log cannot be opened, 128 + the signal when SIGTERM or SIGINT stopped it.
int runHeadless(const CommandLine &line, int &argc, char **argv);
