#include "plot/plotfeed.h"

#include "terminal/capturebuffer.h"

#include <QDateTime>

#include <algorithm>

void PlotFeed::received(QByteArrayView bytes, qint64 arrivalMsecs)
{
    if (bytes.isEmpty())
        return;
    if (arrivals_.empty() || arrivals_.back().second != arrivalMsecs)
        arrivals_.emplace_back(received_, arrivalMsecs);
    received_ += bytes.size();
    while (arrivals_.size() > 1 && arrivals_[1].first <= received_ - CaptureBuffer::kSize)
        arrivals_.pop_front();
    atLineStart_ = bytes.back() == '\n' || bytes.back() == '\r';
    if (running_) {
        parser_.feed(bytes, arrivalMsecs);
        ++version_;
    }
}

void PlotFeed::restart()
{
    store_.clear();
    parser_.reset();
    running_ = true;
    ++version_;
}

void PlotFeed::start()
{
    restart();
    if (!atLineStart_)
        parser_.startMidLine();
}

void PlotFeed::startFromCapture(QByteArrayView capture)
{
    if (capture.isEmpty())
        return start();
    restart();
    if (capture.size() < received_)
        parser_.startMidLine();
    // The capture is the tail of the stream: its byte i is stream byte `offset + i`.
    const qint64 offset = received_ - capture.size();
    auto next = std::upper_bound(arrivals_.begin(), arrivals_.end(), offset,
                                 [](qint64 o, const auto &a) { return o < a.first; });
    qint64 msecs = next != arrivals_.begin() ? std::prev(next)->second
                   : next != arrivals_.end() ? next->second
                                             : QDateTime::currentMSecsSinceEpoch();
    for (qint64 at = offset; at < received_; ++next) {
        const qint64 until = next == arrivals_.end() ? received_ : next->first;
        if (until > at) {
            parser_.feed(capture.sliced(at - offset, until - at), msecs);
            at = until;
        }
        if (next == arrivals_.end())
            break;
        msecs = next->second;
    }
}

void PlotFeed::stop()
{
    store_.clear();
    parser_.reset();
    running_ = false;
    ++version_;
}
