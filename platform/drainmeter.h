#pragma once

#include <QtGlobal>

#include <algorithm>
#include <chrono>
#include <optional>

// How much output a sender may keep queued for a device, from how fast the device really
// takes it: about 20 ms of the measured drain rate. A nominal rate misleads both ways: a
// USB CDC device or a loopback socket takes far more than its baud rate says and would be
// starved, while a limit far above a real UART's rate would let Suspend or a close act
// only after seconds of queued line time.
//
// The caller measures regularly (every few ms to some tens of ms, from a timer rather than
// right after a write, which would hide that the device ran dry) and passes the time of a
// monotonic clock, so the meter itself reads no clock.
class DrainMeter
{
public:
    static constexpr qint64 Floor = 64;
    static constexpr qint64 Ceiling = qint64(256) * 1024;
    // The span of busy time one rate is measured over, and the time the limit covers.
    static constexpr std::chrono::milliseconds Window{200};
    static constexpr std::chrono::milliseconds Target{20};

    // The limit at a serial line's nominal rate (ten bits a byte), until one is measured.
    static constexpr qint64 seedFor(qint64 baud)
    {
        return std::clamp(baud / 10 * Target.count() / 1000, Floor, Ceiling);
    }

    // seed: the limit until a rate is known (seedFor() a serial port's rate; Floor when
    // nothing is known).
    explicit DrainMeter(qint64 seed = Floor) : limit_(std::clamp(seed, Floor, Ceiling)) {}
    void reset(qint64 seed) { *this = DrainMeter(seed); }

    // handed: all bytes ever handed to the device; pending: how many of them it has not
    // taken yet; writerWaiting: a sender is held back by the limit.
    void measure(std::chrono::milliseconds now, qint64 handed, qint64 pending, bool writerWaiting);

    qint64 limit() const { return limit_; }
    // Bytes per second over the last full window; none before one was complete.
    std::optional<qint64> rate() const { return rate_; }

private:
    std::optional<std::chrono::milliseconds> last_;
    qint64 lastGone_ = 0;
    qint64 lastPending_ = 0;
    std::chrono::milliseconds busy_{0};
    qint64 drained_ = 0;
    qint64 limit_;
    std::optional<qint64> rate_;
};
