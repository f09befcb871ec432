#pragma once

// Lets pending window, timer and port events run, then returns.
void DoEvents();

// Sleeps until at least one event arrives and has run. Used by waits that must not
// burn CPU (the sequencer's pauses).
void WaitForEvents();

// How often DoEvents() has run since the program started; tests compare it before and
// after a command to check where the command lets events run.
long long yieldCount();
