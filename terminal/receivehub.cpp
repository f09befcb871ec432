#include "terminal/receivehub.h"

#include "platform/commport.h"

#include <algorithm>

void ReceiveHub::attach(ReceiveSink &sink)
{
    if (!sinks_.contains(&sink))
        sinks_.append(&sink);
}

void ReceiveHub::detach(ReceiveSink &sink)
{
    sinks_.removeAll(&sink);
}

void ReceiveHub::take(bool closing)
{
    if (!port_ || (!closing && !std::all_of(sinks_.cbegin(), sinks_.cend(),
                                            [](const ReceiveSink *s) { return s->hasRoom(); })))
        return;
    const Received received = port_->takeReceived();
    if (received.isEmpty())
        return;
    // A sink may leave meanwhile; the others still get these bytes.
    const QList<ReceiveSink *> sinks = sinks_;
    for (ReceiveSink *sink : sinks)
        sink->received(received);
}

void ReceiveHub::resume()
{
    if (port_)
        port_->resumeReading();
}
