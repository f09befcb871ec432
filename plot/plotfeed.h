#pragma once

#include "plot/lineparser.h"
#include "plot/samplestore.h"

#include <QByteArrayView>

#include <deque>
#include <utility>

// The plot's end of the receive path: it is given every received byte with its arrival
// time, also while no plot is shown, and feeds a run while one is going. Without a run it
// only notes whether the stream is between lines and when the bytes the capture may still
// hold arrived, so that a run can start cleanly or from the capture.
class PlotFeed
{
public:
    PlotFeed() = default;
    PlotFeed(const PlotFeed &) = delete;
    PlotFeed &operator=(const PlotFeed &) = delete;

    // Bytes that arrived at that time (milliseconds since the epoch, the log's clock).
    void received(QByteArrayView bytes, qint64 arrivalMsecs);

    // A new run with what arrives from now on; when the stream is in the middle of a line,
    // that line is skipped.
    void start();
    // A new run that first reads the capture: the last bytes received, each at the time
    // it arrived as far as remembered (the oldest remembered time before that). A capture
    // that does not hold the stream from its start begins with a skipped line.
    void startFromCapture(QByteArrayView capture);
    // Ends the run and frees its samples.
    void stop();
    bool running() const { return running_; }

    const SampleStore &store() const { return store_; }
    qint64 linesSkipped() const { return parser_.linesSkipped(); }
    // Changes whenever the run takes bytes, starts or stops: the plot redraws then.
    quint64 version() const { return version_; }

private:
    void restart();

    SampleStore store_;
    LineParser parser_{store_};
    bool running_ = false;
    bool atLineStart_ = true;
    quint64 version_ = 0;
    qint64 received_ = 0;
    // (stream offset, time) where a receive began, as far back as a capture can reach.
    std::deque<std::pair<qint64, qint64>> arrivals_;
};
