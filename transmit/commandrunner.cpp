#include "transmit/commandrunner.h"

#include <utility>

void CommandRunner::run(const std::function<void()> &command)
{
    ++depth_;
    command();
    finished();
}

bool CommandRunner::run(CommandLane &lane, WhenBusy whenBusy, const std::function<void()> &command)
{
    if (lane.busy() && whenBusy != WhenBusy::Join) {
        if (whenBusy == WhenBusy::Defer)
            lane.deferred_ = command;
        return false;
    }
    ++depth_;
    {
        const CommandLane::Ticket ticket(lane.holders_);
        command();
    }
    // A command deferred meanwhile runs as soon as the lane is free, in this same frame.
    while (!lane.busy() && lane.deferred_) {
        const CommandLane::Ticket ticket(lane.holders_);
        std::exchange(lane.deferred_, nullptr)();
    }
    finished();
    return true;
}

void CommandRunner::finished()
{
    if (--depth_ > 0)
        return;
    for (const auto &then : std::exchange(whenIdle_, {}))
        then();
}

void CommandRunner::whenIdle(std::function<void()> then)
{
    if (depth_ == 0)
        then();
    else
        whenIdle_.push_back(std::move(then));
}

bool CommandRunner::cancelWhenIdle()
{
    return !std::exchange(whenIdle_, {}).empty();
}
