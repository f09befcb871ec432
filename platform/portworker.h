#pragma once

// What the port's worker thread and the window's thread share, and the worker's face to the
// front class (qtcommport.cpp). A worker owns one kind of connection (SerialWorker: a
// QSerialPort) on the port thread; it fills the shared receive queue, places line events in
// it, takes the output the front queued and measures what still waits.

#include "platform/commport.h"
#include "platform/drainmeter.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QMutex>
#include <QObject>
#include <QString>

#include <atomic>
#include <deque>
#include <functional>
#include <memory>
#include <optional>

// Received bytes waiting for the window. Above this the port thread stops reading, so the
// driver's buffer fills and the sender is held back instead of memory growing; a worker's
// own buffer is capped at the same size. A close hands both to the window.
inline constexpr qsizetype kReceiveCap = qsizetype(1) << 20;
// Output taken but not yet gone out, above which write() takes no more: a device that does
// not read cannot make memory grow without bound.
inline constexpr qint64 kSendCap = qint64(1) << 20;
// How often a worker looks at the driver's output queue while output is pending: the
// driver does not say when its queue shrinks.
inline constexpr int kOutputPollMs = 5;

struct PendingEvent
{
    qint64 position;               // the number of received bytes that come before it
    std::optional<LineEvent> line; // none: the device was lost, as lost says
    QString lost;
};

struct ArrivalMark
{
    qint64 position; // in the received stream, as for events
    ArrivalTime time;
};

// What the port thread hands to the window, under one mutex.
struct PortShared
{
    QMutex mutex;
    QByteArray data;                 // received, not yet taken by takeReceived()
    qint64 removed = 0;              // bytes ever taken from data
    std::deque<PendingEvent> events; // line events and the loss, in order with the data
    // When the bytes from each position on arrived; the first covers data's first byte.
    std::deque<ArrivalMark> marks;
    bool dispatchQueued = false; // a dispatch call is on its way to the window
    bool readerStalled = false;  // the port thread stopped reading at the cap
    std::atomic<bool> deviceOpen{false};
    std::function<void()> queueDispatch; // posts a dispatch to the window's thread

    QByteArray outgoing;      // taken by write(), not yet handed to the worker's connection
    qint64 queued = 0;        // in the connection's buffer and the driver's queue, last measured
    bool writeQueued = false; // a takeOutgoing call is on its way to the port thread
    bool wakeQueued = false;  // an outputShrank call is on its way to the window
    // How much output a sender lets wait: set from the rate by the front (serial), or by a
    // worker that measures how fast the device takes it. Read without the mutex: a sender
    // asks for it before every write.
    std::atomic<qint64> outputLimit{outputLimitFor(PortSettings().baud)};
    std::function<void()> queueWake;
};

// Asked of a worker, from the front.
struct OpenRequest
{
    PortAddress address;
    QString device; // the device a serial address selects
    QString label;  // "COM3 (/dev/ttyUSB0)": starts every detail line
    PortSettings settings;
};

struct Outcome
{
    PortError error = PortError::None;
    QString text;       // the reason on failure, the applied configuration on success
    QString systemText; // the system's words, where it gave any

    bool ok() const { return error == PortError::None; }
};

// The part of a port that runs on the port thread. Every call comes from the front, queued
// or blocking; the helpers below keep the shared state in step.
class PortWorker : public QObject
{
public:
    explicit PortWorker(std::shared_ptr<PortShared> shared) : shared_(std::move(shared)) {}

    virtual Outcome open(const OpenRequest &request) = 0;
    virtual Outcome apply(const PortSettings &settings) = 0;
    // Hands what the connection still holds to the window, then closes; output is dropped.
    virtual void close() = 0;
    virtual qint64 closeDraining(const PortSettings &settings) = 0;
    // Writes what the front queued in shared outgoing.
    virtual void takeOutgoing() = 0;
    // Reads from the connection while the receive queue has room.
    virtual void pump() = 0;
    virtual bool setLine(OutputLine line, bool on) = 0;
    virtual bool line(OutputLine line) const = 0;
    virtual bool startBreak(std::chrono::milliseconds length) = 0;

protected:
    // Marks when the bytes read since the last call arrived: those up to beyondData bytes
    // past what the window has not taken yet (bytes still in the connection's buffer, or a
    // chunk about to be appended).
    void noteArrival(qint64 beyondData);
    // Appends bytes read from the device and tells the window. closing: what the connection
    // held goes past the cap, as bytes read are never dropped.
    void deliver(const QByteArray &chunk, bool closing = false);
    // The room left below the cap; 0 marks the reader stalled until the window takes some.
    qsizetype receiveRoom();
    // Output measured now in the connection's and the driver's queues: wakes a sender
    // waiting at the limit when it fell.
    void noteOutput(qint64 pending);
    // Lets the output limit follow what the device really drains (DrainMeter): handed is
    // every byte ever handed to the connection, pending what of it still waits. A sender
    // held at a lower limit is woken when it rose.
    void meterOutput(qint64 handed, qint64 pending);
    void resetMeter(qint64 seed);
    std::optional<qint64> drainRate() const { return meter_.rate(); }
    QByteArray takeOutgoingBytes();
    void clearOutgoing();
    void addEvent(LineEvent event, int count = 1);
    // The port closed after its last byte: the window hears of it after that byte.
    void addLoss(const QString &why);
    void setOpen(bool open) { shared_->deviceOpen = open; }

    std::shared_ptr<PortShared> shared_;

private:
    void notifyLocked();
    DrainMeter meter_;
    QElapsedTimer clock_;
    qint64 markedEnd_ = 0; // the received stream's position up to which arrival is marked
};
