#pragma once

#include <memory>
#include <optional>

// The one place that decides whether a send may start: while one send runs (they let
// events run, so a click can arrive meanwhile) another is refused, so no send's bytes are
// mixed into another's. STOP and the two Suspend buttons never ask.
class SendGate
{
public:
    // Held by a running send; the gate is free again when it goes (also when the gate
    // itself is gone by then).
    class Ticket
    {
    public:
        explicit Ticket(std::shared_ptr<bool> busy) : busy_(std::move(busy)) { *busy_ = true; }
        Ticket(Ticket &&) = default;
        Ticket &operator=(Ticket &&) = default;
        ~Ticket()
        {
            if (busy_)
                *busy_ = false;
        }

    private:
        std::shared_ptr<bool> busy_;
    };

    // Nothing while another send runs: the caller returns without any effect.
    [[nodiscard]] std::optional<Ticket> tryBegin()
    {
        if (*busy_)
            return std::nullopt;
        return Ticket(busy_);
    }
    bool busy() const { return *busy_; }

private:
    std::shared_ptr<bool> busy_ = std::make_shared<bool>(false);
};
