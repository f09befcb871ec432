#include "platform/termination.h"

#include <atomic>

namespace {

std::atomic<quint32> requests{0};
static_assert(std::atomic<quint32>::is_always_lock_free, "used from a signal handler");

} // namespace

void noteTerminationRequest() noexcept
{
    requests.fetch_add(1, std::memory_order_relaxed);
}

quint32 terminationRequests() noexcept
{
    return requests.load(std::memory_order_relaxed);
}
