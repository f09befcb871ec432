#include "platform/drainmeter.h"

void DrainMeter::measure(std::chrono::milliseconds now, qint64 handed, qint64 pending,
                         bool writerWaiting)
{
    const qint64 gone = handed - pending;
    if (last_ && (now < *last_ || gone < lastGone_)) {
        reset(limit_); // a new connection, or a clock that went back
    } else if (last_ && lastPending_ > 0 && pending > 0) {
        // Only an interval in which the device always had something to take says how
        // fast it takes it; one in which it ran dry says only that it was fast enough.
        busy_ += now - *last_;
        drained_ += gone - lastGone_;
        if (busy_ >= Window) {
            rate_ = drained_ * 1000 / busy_.count();
            limit_ = std::clamp(*rate_ * Target.count() / 1000, Floor, Ceiling);
            busy_ = std::chrono::milliseconds{0};
            drained_ = 0;
        }
    }
    // The device took everything while a sender waited for room: the limit kept it idle.
    if (pending == 0 && writerWaiting)
        limit_ = std::min(limit_ * 2, Ceiling);
    last_ = now;
    lastGone_ = gone;
    lastPending_ = pending;
}
