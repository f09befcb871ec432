#pragma once

// Lets pending window, timer and port events run, then returns.
void DoEvents();

// Sleeps until at least one event arrives and has run. Used by waits that must not
// burn CPU (the sequencer's pauses).
void WaitForEvents();
