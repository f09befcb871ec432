#include "platform/eventlooppacer.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

namespace {

void tick(int &ticks)
{
    if (++ticks == 2)
        ticks = 0;
}
} // namespace

EventLoopPacer::EventLoopPacer(QObject *parent)
    : QObject(parent), itemTimer_(new QTimer(this)), pageTimer_(new QTimer(this))
{
    itemTimer_->setInterval(100);
    pageTimer_->setInterval(1000);
    for (QTimer *t : {itemTimer_, pageTimer_}) {
        t->setSingleShot(true);
        t->setTimerType(Qt::PreciseTimer);
    }
    connect(itemTimer_, &QTimer::timeout, this, [this] { tick(itemTicks_); });
    connect(pageTimer_, &QTimer::timeout, this, [this] { tick(pageTicks_); });
}

EventLoopPacer::~EventLoopPacer()
{
    *alive_ = false;
}

QTimer *EventLoopPacer::timer(Pause which) const
{
    return which == Pause::Item ? itemTimer_ : pageTimer_;
}

bool EventLoopPacer::yieldOnce()
{
    ++yields_;
    const auto alive = alive_;
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    sinceEvents_.start();
    return *alive && !closing_;
}

bool EventLoopPacer::yieldDue() const
{
    constexpr qint64 kYieldEveryNs = 1'000'000; // about every millisecond
    return !sinceEvents_.isValid() || sinceEvents_.nsecsElapsed() >= kYieldEveryNs;
}

bool EventLoopPacer::waitForEvents()
{
    const auto alive = alive_;
    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    return *alive && !closing_;
}

bool EventLoopPacer::pause(Pause which)
{
    const auto alive = alive_;
    int &ticks = which == Pause::Item ? itemTicks_ : pageTicks_;
    QTimer *t = timer(which);
    ticks = 0;
    // A pause of 0 ms ticks on the next pass of the event loop: it yields once.
    t->start();
    for (;;) {
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
        if (!*alive)
            return false;
        if (closing_) {
            t->stop();
            return false;
        }
        if (ticks == 1)
            break;
    }
    t->stop();
    return true;
}

void EventLoopPacer::setPauseMs(Pause which, int ms)
{
    timer(which)->setInterval(ms);
}

int EventLoopPacer::pauseMs(Pause which) const
{
    return timer(which)->interval();
}
