#pragma once

#include "plot/plotfeed.h"
#include "terminal/receivehub.h"

// The plot feed on the receive hub: each run of bytes with the time it arrived, on the
// log's clock. The feed keeps no bytes, so it always has room.
class PlotSink : public ReceiveSink
{
public:
    explicit PlotSink(PlotFeed &feed) : feed_(feed) {}
    void received(const Received &bytes) override
    {
        bytes.forEachRun([this](QByteArrayView run, ArrivalTime time) {
            feed_.received(run, time.time_since_epoch().count());
        });
    }

private:
    PlotFeed &feed_;
};
