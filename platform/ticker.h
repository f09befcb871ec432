#pragma once

#include <QObject>

#include <functional>

// A restartable timer seen as start/stop: the receive flush runs on one.
class Ticker
{
public:
    virtual ~Ticker() = default;
    virtual void start() = 0;
    virtual void stop() = 0;
    virtual bool isActive() const = 0;
    std::function<void()> onTimeout;
};
