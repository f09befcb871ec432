#pragma once

#include "platform/lineevent.h"
#include "platform/portaddress.h"
#include "platform/portsettings.h"
#include "platform/received.h"

#include <QByteArrayView>
#include <QObject>
#include <QString>

#include <chrono>

// Why a port refused a request.
enum class PortError {
    None,
    BadSettings,      // a rate below kLowestBaud, or settings the driver refuses
    Unsupported,      // what this kind of port cannot do (1.5 stop bits on a serial line)
    NoSuchPort,       // no device for the COM number, or the device is missing
    Busy,             // in use by another program, or this port is open already
    NotATty,          // the device is no terminal
    PermissionDenied, // the user may not use the device
    OpenFailed,       // the system refused for another reason
    Unreachable,      // a network port's server cannot be reached
    NotOpen,          // the request needs an open port
};

// The refusal with the system's own words for it, where it gave any. detail() holds the
// whole explanation the lamp shows.
struct [[nodiscard]] PortFailure
{
    PortError error = PortError::None;
    QString systemText;

    bool ok() const { return error == PortError::None; }
};

// The port the terminal drives (one instance per main window).
//
// open() opens the port an address names with the given settings and answers at once;
// apply() changes the settings of the open port without reopening it (a rate below
// kLowestBaud is refused, open or not). write() queues bytes
// for the line and says how many it took: none on a closed port, fewer than given when its
// queue is full; they go out once the GUI thread's event loop runs.
//
// Everything the port reports is signalled on the GUI thread in the order it happened:
// dataReady() while received bytes wait (again and again, until they are taken),
// lineEvent() after the bytes that came before it, deviceLost() after the last byte of a
// device that went away (the port is closed by then). takeReceived() takes the bytes up to
// the next event still waiting, with the times they arrived. A close keeps what was read
// from the device until it is taken (a reopen too); only events still waiting are dropped
// with it.
class CommPort : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;
    ~CommPort() override = default;

    virtual PortFailure open(const PortAddress &address, const PortSettings &settings) = 0;
    virtual PortFailure apply(const PortSettings &settings) = 0;
    // Closes at once; output still queued is discarded.
    virtual void close() = 0;
    // Closes the port once its queued output has gone out, waiting no longer than the line
    // needs for it plus a margin, at most kDrainLimitMs, and no longer once a termination
    // request arrives (platform/termination.h); what is still queued then is discarded.
    // Returns the number of bytes discarded.
    [[nodiscard]] virtual qint64 closeDraining() = 0;
    virtual bool isOpen() const = 0;

    [[nodiscard]] virtual qint64 write(QByteArrayView bytes) = 0;
    // Output taken by write() that has not gone out of the port yet: the port's own queue
    // plus the driver's where the system reports it. outputShrank() is raised (coalesced)
    // at least when this falls below outputLimit() and when it falls to 0.
    virtual qint64 pendingOutput() const = 0;
    // How much output a sender lets wait before it writes more: about 20 ms of what the
    // device is measured to take (DrainMeter), from outputLimitFor() the rate at first.
    virtual qint64 outputLimit() const = 0;

    // Only the terminal's receive hub calls this: up to the next event still waiting.
    virtual Received takeReceived() = 0;
    // The number of received bytes waiting to be taken.
    virtual qint64 bytesWaiting() const = 0;
    // Signals dataReady() again if bytes wait: a receiver that left them lets the port go
    // on (a port holding its cap reads from the device again once they are taken).
    virtual void resumeReading() = 0;

    // The two output lines of the open port (both raised by an open); false while closed.
    virtual bool setLine(OutputLine line, bool on) = 0;
    virtual bool line(OutputLine line) const = 0;
    // Holds the line in the break state for the time given; returns at once.
    virtual bool sendBreak(std::chrono::milliseconds length) = 0;

    // Human readable detail about the port: the device an address selects, the rate really
    // applied, why the last open failed. Shown as a tooltip, never as status.
    virtual QString detail() const = 0;

signals:
    void dataReady();
    void lineEvent(LineEvent event);
    // why: the port and the reason, as detail() then says it.
    void deviceLost(const QString &why);
    void outputShrank();
    // Something the user may want to know that changes nothing (a network server that did
    // not acknowledge a request), said once.
    void notice(const QString &text);
};

// Rates below this are refused by open() and apply(): no port is used that slowly.
constexpr qint32 kLowestBaud = 110;
// The longest a draining close waits, whatever the rate.
constexpr qint64 kDrainLimitMs = 2000;

// About 20 ms of line time at the rate (ten bits a byte), at least 64 bytes and at most
// 4 KB: the counters of a send stay that close to what has really gone out, and a
// Suspend or a close stops the line within that.
constexpr qint64 outputLimitFor(qint64 baud)
{
    const qint64 bytes = baud / 10 / 50;
    return bytes < 64 ? 64 : bytes > 4096 ? 4096 : bytes;
}

// Line time of one byte: start bit, data, parity, stop bits (1.5 counted as 2).
constexpr qint64 bitsPerByte(const PortSettings &s)
{
    return 1 + qint64(s.dataBits) + (s.parity == Parity::None ? 0 : 1) +
           (s.stopBits == StopBits::One ? 1 : 2);
}

// How long a draining close waits for `left` queued bytes going out at `bytesPerSecond`:
// their time plus a margin, at most kDrainLimitMs.
constexpr qint64 drainBudgetMs(qint64 left, qint64 bytesPerSecond)
{
    constexpr qint64 marginMs = 250;
    const qint64 ms = left * 1000 / (bytesPerSecond > 0 ? bytesPerSecond : 1) + marginMs;
    return ms < kDrainLimitMs ? ms : kDrainLimitMs;
}
