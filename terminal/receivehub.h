#pragma once

#include "platform/received.h"

#include <QList>

class CommPort;

// A receiver of every byte the program takes from the port, with the times it arrived.
class ReceiveSink
{
public:
    virtual ~ReceiveSink() = default;
    virtual void received(const Received &bytes) = 0;
    // False while the sink can take no more: reading pauses until the hub is resumed, so the
    // port stalls at its cap and holds the device back.
    virtual bool hasRoom() const { return true; }
};

// The one place that takes received bytes from the port and hands them to every sink, in
// the order the sinks were attached (the session log first, then the panes), each the same
// bytes in the same order.
class ReceiveHub
{
public:
    explicit ReceiveHub(CommPort *port) : port_(port) {}

    void attach(ReceiveSink &sink);
    void detach(ReceiveSink &sink);
    // Takes what the port has read, unless a sink is full. closing: the port is closed or
    // gone, so every byte it read is taken whatever the sinks' room.
    void take(bool closing = false);
    // A sink has room again: the port delivers what waits and reads on.
    void resume();

private:
    CommPort *port_;
    QList<ReceiveSink *> sinks_;
};
