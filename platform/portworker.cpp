#include "platform/portworker.h"

#include <QMutexLocker>

#include <algorithm>

namespace {

// At most this many events of one kind per look, so a flood of line errors cannot swamp
// the window.
constexpr int kMaxEventsPerKind = 64;

} // namespace

void PortWorker::noteArrival(qint64 beyondData)
{
    const ArrivalTime now = arrivalNow();
    QMutexLocker lock(&shared_->mutex);
    PortShared &s = *shared_;
    const qint64 end = s.removed + s.data.size() + beyondData;
    if (end <= markedEnd_)
        return;
    if (s.marks.empty() || s.marks.back().time != now)
        s.marks.push_back({markedEnd_, now});
    markedEnd_ = end;
}

void PortWorker::deliver(const QByteArray &chunk, bool closing)
{
    if (chunk.isEmpty())
        return;
    noteArrival(chunk.size());
    QMutexLocker lock(&shared_->mutex);
    shared_->data.append(chunk);
    if (closing)
        shared_->readerStalled = false;
    notifyLocked();
}

qsizetype PortWorker::receiveRoom()
{
    QMutexLocker lock(&shared_->mutex);
    const qsizetype room = kReceiveCap - shared_->data.size();
    if (room <= 0)
        shared_->readerStalled = true;
    return std::max<qsizetype>(room, 0);
}

void PortWorker::noteOutput(qint64 pending)
{
    QMutexLocker lock(&shared_->mutex);
    PortShared &s = *shared_;
    // Only a sender waiting at the limit needs to hear of it.
    const qint64 before = s.outgoing.size() + s.queued;
    const qint64 after = s.outgoing.size() + pending;
    const bool wake =
        after < before && (after == 0 || (before >= s.outputLimit && after < s.outputLimit));
    if (wake && !s.wakeQueued) {
        s.wakeQueued = true;
        s.queueWake();
    }
    s.queued = pending;
}

void PortWorker::resetMeter(qint64 seed)
{
    meter_.reset(seed);
    shared_->outputLimit = meter_.limit();
}

void PortWorker::meterOutput(qint64 handed, qint64 pending)
{
    if (!clock_.isValid())
        clock_.start();
    PortShared &s = *shared_;
    const qint64 before = meter_.limit();
    QMutexLocker lock(&s.mutex);
    const bool waiting = s.outgoing.size() + s.queued >= before;
    lock.unlock();
    meter_.measure(std::chrono::milliseconds(clock_.elapsed()), handed, pending, waiting);
    s.outputLimit = meter_.limit();
    lock.relock();
    if (waiting && meter_.limit() > before && !s.wakeQueued) {
        s.wakeQueued = true;
        s.queueWake();
    }
}

QByteArray PortWorker::takeOutgoingBytes()
{
    QByteArray chunk;
    QMutexLocker lock(&shared_->mutex);
    chunk.swap(shared_->outgoing);
    shared_->writeQueued = false;
    shared_->queued += chunk.size();
    return chunk;
}

void PortWorker::clearOutgoing()
{
    QMutexLocker lock(&shared_->mutex);
    shared_->outgoing.clear();
    shared_->queued = 0;
}

void PortWorker::addEvent(LineEvent event, int count)
{
    QMutexLocker lock(&shared_->mutex);
    for (int i = 0; i < std::min(count, kMaxEventsPerKind); ++i)
        shared_->events.push_back({shared_->removed + shared_->data.size(), event, {}});
    notifyLocked();
}

void PortWorker::addLoss(const QString &why)
{
    QMutexLocker lock(&shared_->mutex);
    shared_->events.push_back({shared_->removed + shared_->data.size(), std::nullopt, why});
    notifyLocked();
}

void PortWorker::notifyLocked()
{
    if (!shared_->dispatchQueued) {
        shared_->dispatchQueued = true;
        shared_->queueDispatch();
    }
}
