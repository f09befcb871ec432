#pragma once

#include "platform/received.h"
#include "terminal/receivehub.h"

#include <QByteArrayView>
#include <QString>

// The ASCII pane never holds more than this many characters once a port event has run
// (unless capturing silently).
inline constexpr qsizetype kAsciiPaneLimit = 20000;
// Hexadecimal text (three characters a byte) pending before the flush runs early.
inline constexpr qsizetype kEarlyFlushChars = 300000;

// The size rule checked after every port event.
bool sizeLimitReached(qsizetype asciiPaneLength, bool silent, qint32 captureCount);

class CaptureBuffer;
class ReceivePanes;
class Ticker;
struct Options;

// Text and hexadecimal forms of received bytes wait in two pending texts and reach the
// panes at most once per flush tick (100 ms); every byte is captured whatever the panes
// do. A line faster than the panes flushes early, before 300 000 hexadecimal characters
// pile up. While receiving is suspended the bytes are held, and shown and captured once it
// resumes; past kHoldLimit held the engine has no room, which holds the device back.
class ReceiveEngine : public ReceiveSink
{
public:
    ReceiveEngine(CaptureBuffer &capture, const Options &options, ReceivePanes &panes,
                  Ticker &flushTicker);

    // Runs the receive steps for each byte of one port event, with the result that one
    // event per byte would have had.
    void receive(QByteArrayView bytes);
    // The bytes of one port event: received, or held while suspended.
    void received(const Received &bytes) override;
    bool hasRoom() const override { return !suspended_ || held_.size() < kHoldLimit; }
    static constexpr qsizetype kHoldLimit = qsizetype(1) << 20;
    // Resuming runs the held bytes through the receive steps, in pieces as port events would
    // bring them, with the size rule after each.
    void setSuspended(bool suspended);
    bool suspended() const { return suspended_; }
    qsizetype heldBytes() const { return held_.size(); }

    // The flush tick: both pending texts go to the panes, the ticker stops.
    void flush();
    // After every port event, also while receiving is suspended: empties panes and
    // capture when the ASCII pane passed 20000 characters (unless capturing silently) or
    // the capture passed its limit; then shows the count.
    void applySizeLimit();

    const QString &pendingAscii() const { return pendingAscii_; }
    const QString &pendingHex() const { return pendingHex_; }

private:
    CaptureBuffer &capture_;
    const Options &options_;
    ReceivePanes &panes_;
    Ticker &ticker_;
    QString pendingAscii_;
    QString pendingHex_;
    bool suspended_ = false;
    QByteArray held_; // received while suspended, not shown yet
};
