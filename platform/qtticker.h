#pragma once

#include "platform/ticker.h"

#include <QTimer>

// A Ticker on a QTimer of the given interval.
class QtTicker : public Ticker
{
public:
    explicit QtTicker(int intervalMs)
    {
        timer_.setInterval(intervalMs);
        QObject::connect(&timer_, &QTimer::timeout, &timer_, [this] {
            if (onTimeout)
                onTimeout();
        });
    }
    void start() override { timer_.start(); }
    void stop() override { timer_.stop(); }
    bool isActive() const override { return timer_.isActive(); }

private:
    QTimer timer_;
};
