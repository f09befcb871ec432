#include "terminal/autoreconnect.h"

#include "platform/ticker.h"
#include "terminal/portconnection.h"

AutoReconnect::AutoReconnect(PortConnection &port, Ticker &ticker) : port_(port), ticker_(ticker)
{
    port_.onDeviceLost = [this] { deviceLost(); };
    ticker_.onTimeout = [this] { tryOpen(); };
}

AutoReconnect::~AutoReconnect()
{
    ticker_.stop();
    port_.onDeviceLost = nullptr;
}

void AutoReconnect::setEnabled(bool on)
{
    enabled_ = on;
    if (!on)
        stop();
}

bool AutoReconnect::waiting() const
{
    return ticker_.isActive();
}

void AutoReconnect::stop()
{
    ticker_.stop();
}

void AutoReconnect::deviceLost()
{
    if (enabled_)
        ticker_.start();
}

void AutoReconnect::tryOpen()
{
    if (port_.isOpen() || port_.reopenLost())
        stop();
}
