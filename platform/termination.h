#pragma once

#include <QtGlobal>

// Requests to end the program (SIGTERM, SIGINT), counted by the signal handler. A wait that
// would hold the end up, such as the draining close of a port, gives up when one arrives
// while it waits. Both calls are async-signal-safe.
void noteTerminationRequest() noexcept;
quint32 terminationRequests() noexcept;
