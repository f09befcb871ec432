#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <vector>

// What a command does when another of its lane is still running (it let events run, so a
// click or an edit arrived meanwhile).
enum class WhenBusy {
    Refuse, // returns at once without any effect (a second send)
    Defer,  // runs once the lane is free; a later deferred command replaces it (an edit)
    Join,   // runs now, nested, and holds the lane too (the ">" conversion inside an edit's)
};

// One kind of command of which only one may run at a time: the sends, the hex editor's
// conversions, a window's close.
class CommandLane
{
public:
    // Held while a command of the lane runs; the lane is free again when the last one goes
    // (also when the lane itself is gone by then).
    class Ticket
    {
    public:
        explicit Ticket(std::shared_ptr<int> holders) : holders_(std::move(holders))
        {
            ++*holders_;
        }
        Ticket(Ticket &&) = default;
        Ticket &operator=(Ticket &&) = default;
        Ticket(const Ticket &) = delete;
        Ticket &operator=(const Ticket &) = delete;
        ~Ticket()
        {
            if (holders_)
                --*holders_;
        }

    private:
        std::shared_ptr<int> holders_;
    };

    // Nothing while another command of the lane runs: the caller returns without effect.
    [[nodiscard]] std::optional<Ticket> tryBegin()
    {
        if (busy())
            return std::nullopt;
        return Ticket(holders_);
    }
    bool busy() const { return *holders_ > 0; }
    // A command told to end at once (the window closes) drops what waits for it.
    void dropDeferred() { deferred_ = nullptr; }

private:
    friend class CommandRunner;
    std::shared_ptr<int> holders_ = std::make_shared<int>(0);
    std::function<void()> deferred_;
};

// Every command a window starts runs through its runner, which knows whether one is
// running (commands that let events run nest) and applies each lane's rule, so no command
// needs a guard of its own. STOP, Suspend and the like run on no lane: they are never held
// up by a running send.
class CommandRunner
{
public:
    CommandRunner() = default;
    CommandRunner(const CommandRunner &) = delete;
    CommandRunner &operator=(const CommandRunner &) = delete;

    void run(const std::function<void()> &command);
    // A command of a lane, which must outlive its commands; false when it did not run now.
    bool run(CommandLane &lane, WhenBusy whenBusy, const std::function<void()> &command);

    bool running() const { return depth_ > 0; }
    // Runs `then` once no command of this runner runs any more: at once when none does.
    void whenIdle(std::function<void()> then);
    // Forgets what waits for the runner to go idle; true when something did.
    bool cancelWhenIdle();

private:
    void finished();

    int depth_ = 0;
    std::vector<std::function<void()>> whenIdle_;
};
