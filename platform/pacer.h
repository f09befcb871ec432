#pragma once

// Inside a command the event loop runs only through a Pacer: a yield, a pause between the
// sequencer's items or pages, or a wait for the port to take more output. Each call
// returns false when the command must end at once because the window is closing; the
// caller then returns without doing anything more. Objects are never deleted while a
// command waits (deferred deletes do not run inside these calls).
class Pacer
{
public:
    enum class Pause { Item, Page };

    virtual ~Pacer() = default;
    // Lets pending events run once.
    [[nodiscard]] virtual bool yieldOnce() = 0;
    // For a long run of tiny steps (a file sent byte by byte): whether events should run
    // now, about every millisecond rather than after every step. Yes by default.
    [[nodiscard]] virtual bool yieldDue() const { return true; }
    // Sleeps, keeping the window live, until that pause's timer has ticked exactly once.
    // A pause of 0 ms still lets events run once.
    [[nodiscard]] virtual bool pause(Pause which) = 0;
    // Sleeps until at least one event has arrived and run (used while waiting for the
    // port to take more output).
    [[nodiscard]] virtual bool waitForEvents() = 0;
    // Item: the delay box (100 ms until set); Page: 1000 ms.
    virtual void setPauseMs(Pause which, int ms) = 0;
    virtual int pauseMs(Pause which) const = 0;
};
