// The receive side of the port's front: received bytes handed over up to the next event,
// and the events signalled in arrival order.
#include "platform/portfront.h"

#include <QMutexLocker>

#include <utility>

Received PortFront::takeReceived()
{
    QMutexLocker lock(&shared_->mutex);
    PortShared &s = *shared_;
    // Only up to the next event, so the event is seen after the bytes before it.
    qsizetype n = s.data.size();
    if (!s.events.empty())
        n = qsizetype(qBound(qint64(0), s.events.front().position - s.removed, qint64(n)));
    Received out;
    if (n == s.data.size()) {
        out.bytes.swap(s.data);
    } else {
        out.bytes = s.data.left(n);
        s.data.remove(0, n);
    }
    const qint64 end = s.removed + n;
    for (const ArrivalMark &m : s.marks) {
        if (m.position >= end)
            break;
        out.marks.append({qsizetype(qMax(m.position, s.removed) - s.removed), m.time});
    }
    // The last mark at or before the end still covers the bytes after it.
    while (s.marks.size() > 1 && s.marks[1].position <= end)
        s.marks.pop_front();
    s.removed = end;
    if (!out.bytes.isEmpty() && out.marks.isEmpty())
        out.marks.append({0, arrivalNow()});
    if (s.readerStalled && s.data.size() < kReceiveCap) {
        s.readerStalled = false;
        QMetaObject::invokeMethod(
            worker_, [w = worker_] { w->pump(); }, Qt::QueuedConnection);
    }
    return out;
}

qint64 PortFront::bytesWaiting() const
{
    QMutexLocker lock(&shared_->mutex);
    return shared_->data.size();
}

qint64 PortFront::removedCount() const
{
    QMutexLocker lock(&shared_->mutex);
    return shared_->removed;
}

void PortFront::resumeReading()
{
    if (bytesWaiting() > 0)
        queueDispatch();
}

void PortFront::queueDispatch()
{
    QMutexLocker lock(&shared_->mutex);
    if (!shared_->dispatchQueued) {
        shared_->dispatchQueued = true;
        shared_->queueDispatch();
    }
}

void PortFront::dropEvents()
{
    QMutexLocker lock(&shared_->mutex);
    shared_->events.clear();
}

void PortFront::deliver(const PendingEvent &event)
{
    if (event.line) {
        emit lineEvent(*event.line);
        return;
    }
    open_ = false;
    detail_ = event.lost;
    emit deviceLost(event.lost);
}

// Runs on the window's thread: signals the line events and one receive notification for
// the data waiting, in arrival order.
void PortFront::dispatch()
{
    {
        QMutexLocker lock(&shared_->mutex);
        shared_->dispatchQueued = false;
    }
    if (dispatching_) {
        // A handler let events run; come back once it has returned.
        dispatchAgain_ = true;
        return;
    }
    dispatching_ = true;
    bool more = false;
    for (;;) {
        std::optional<PendingEvent> event;
        bool dataWaiting = false;
        {
            QMutexLocker lock(&shared_->mutex);
            PortShared &s = *shared_;
            if (!s.events.empty() && s.events.front().position <= s.removed) {
                event = std::move(s.events.front());
                s.events.pop_front();
            } else {
                dataWaiting = !s.data.isEmpty();
            }
        }
        if (event) {
            deliver(*event);
            continue;
        }
        if (!dataWaiting)
            break;
        const qint64 before = removedCount();
        emit dataReady();
        if (removedCount() == before) {
            // The receiver leaves the data waiting (receiving is held): the events still
            // go out; the data waits for resumeReading() or new data.
            std::deque<PendingEvent> events;
            {
                QMutexLocker lock(&shared_->mutex);
                events.swap(shared_->events);
            }
            for (const PendingEvent &e : events)
                deliver(e);
            break;
        }
        // One batch per turn of the event loop, so timers and user input run between.
        QMutexLocker lock(&shared_->mutex);
        more = !shared_->data.isEmpty() || !shared_->events.empty();
        break;
    }
    dispatching_ = false;
    if (more || std::exchange(dispatchAgain_, false))
        queueDispatch();
}
