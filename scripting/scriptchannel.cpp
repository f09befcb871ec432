#include "scripting/scriptchannel.h"

#include "scripting/scripthost.h"

#include <QMetaObject>

#include <algorithm>

ScriptChannel::ScriptChannel(ScriptHost &host, QObject *dispatcher)
    : host_(host), dispatcher_(dispatcher)
{
}

void ScriptChannel::feed(QByteArrayView bytes)
{
    if (bytes.isEmpty())
        return;
    {
        std::lock_guard lock(mutex_);
        if (stop_)
            return;
        incoming_.append(bytes);
        const qsizetype held = owned_ - dropOwned_;
        const qsizetype excess = held + incoming_.size() - incomingHead_ - kInputCap;
        if (excess > 0) {
            const qsizetype fromOwned = std::min(excess, held);
            dropOwned_ += fromOwned;
            incomingHead_ += excess - fromOwned;
            dropped_ += quint64(excess);
            // Compacting only past half keeps the drop amortised constant per byte.
            if (incomingHead_ > incoming_.size() / 2) {
                incoming_.remove(0, incomingHead_);
                incomingHead_ = 0;
            }
        }
    }
    wake_.notify_all();
}

void ScriptChannel::requestStop()
{
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
    }
    wake_.notify_all();
}

void ScriptChannel::detach()
{
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
        dispatcher_ = nullptr;
    }
    wake_.notify_all();
}

bool ScriptChannel::stopRequested() const
{
    return stop_;
}

ScriptChannel::Arrivals ScriptChannel::take()
{
    std::lock_guard lock(mutex_);
    Arrivals a;
    a.dropFront = std::exchange(dropOwned_, 0);
    owned_ -= a.dropFront;
    a.bytes = incomingHead_ == 0 ? std::exchange(incoming_, QByteArray())
                                 : incoming_.sliced(incomingHead_);
    incoming_.clear();
    incomingHead_ = 0;
    owned_ += a.bytes.size();
    return a;
}

void ScriptChannel::consumed(qsizetype n)
{
    std::lock_guard lock(mutex_);
    // The consumed bytes and the dropped ones both come off the front.
    owned_ -= n;
    dropOwned_ = std::max<qsizetype>(0, dropOwned_ - n);
}

quint64 ScriptChannel::droppedTotal() const
{
    std::lock_guard lock(mutex_);
    return dropped_;
}

qsizetype ScriptChannel::untaken() const
{
    std::lock_guard lock(mutex_);
    return incoming_.size() - incomingHead_;
}

ScriptChannel::Wake ScriptChannel::wait(std::optional<Clock::time_point> deadline, bool forInput)
{
    std::unique_lock lock(mutex_);
    const auto ready = [&] { return stop_ || (forInput && incoming_.size() > incomingHead_); };
    if (deadline) {
        if (!wake_.wait_until(lock, *deadline, ready))
            return Wake::Deadline;
    } else {
        wake_.wait(lock, ready);
    }
    return stop_ ? Wake::Stop : Wake::Input;
}

bool ScriptChannel::call(std::function<void(ScriptHost &)> f)
{
    auto done = std::make_shared<bool>(false); // guarded by mutex_
    std::unique_lock lock(mutex_);
    if (stop_ || !dispatcher_)
        return false;
    postLocked([self = shared_from_this(), f = std::move(f), done] {
        f(self->host_);
        {
            std::lock_guard inner(self->mutex_);
            *done = true;
        }
        self->wake_.notify_all();
    });
    wake_.wait(lock, [&] { return *done || stop_; });
    return *done;
}

void ScriptChannel::post(std::function<void()> f)
{
    std::lock_guard lock(mutex_);
    postLocked(std::move(f));
}

void ScriptChannel::postLocked(std::function<void()> f)
{
    // Under the lock, so the dispatcher cannot go between the check and the post; a posted
    // call is dropped by Qt if the dispatcher goes before it runs.
    if (dispatcher_)
        QMetaObject::invokeMethod(dispatcher_, std::move(f), Qt::QueuedConnection);
}

void ScriptChannel::markFinished()
{
    {
        std::lock_guard lock(mutex_);
        finished_ = true;
    }
    wake_.notify_all();
}

bool ScriptChannel::waitFinished(std::chrono::milliseconds limit)
{
    std::unique_lock lock(mutex_);
    return wake_.wait_for(lock, limit, [&] { return finished_; });
}
