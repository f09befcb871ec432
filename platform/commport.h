#pragma once

#include "platform/received.h"

#include <QByteArray>
#include <QObject>
#include <QString>

// The serial port control the terminal drives (one instance per main window).
//
// Contract, in the order the connection code uses it: setSettings(), setCommPort(),
// setPortOpen(true). Each setter returns false and fills lastError() when the platform
// refuses; the caller decides whether to report it. output() queues bytes for the line
// and says how many it took: none on a closed port, fewer than given when its queue is
// full; they go out once the GUI thread's event loop runs. Events are raised on the GUI thread
// through onComm(); while the handler runs, commEvent() names the event. For received data
// (comEvReceive) the event is raised again and again while bytes are waiting; takeReceived()
// takes everything waiting at once, in arrival order, with the times it arrived. A close
// keeps what was read from the device until it is taken (a reopen too); only line events
// still waiting are dropped with it.
class CommPort : public QObject
{
    Q_OBJECT
public:
    enum Event : int {
        comEvSend = 1,
        comEvReceive = 2,
        comEvCTS = 3,
        comEvDSR = 4,
        comEvCD = 5,
        comEvRing = 6,
        comEvEOF = 7,
        comEventBreak = 1001,
        comEventCTSTO = 1002,
        comEventDSRTO = 1003,
        comEventFrame = 1004,
        comEventOverrun = 1006,
        comEventCDTO = 1007,
        comEventRxOver = 1008,
        comEventRxParity = 1009,
        comEventTxFull = 1010,
        comEventDCB = 1011,
        // The device went away while open (e.g. a USB adapter unplugged); the port is
        // already closed when this is raised and detail() names the reason.
        comEventDeviceLost = 1100,
    };

    struct Error
    {
        int number = 0;
        QString description;
    };

    using QObject::QObject;
    ~CommPort() override = default;

    [[nodiscard]] virtual bool setSettings(const QString &settings) = 0;
    [[nodiscard]] virtual bool setCommPort(int port) = 0;
    [[nodiscard]] virtual bool setPortOpen(bool open) = 0;
    virtual bool portOpen() const = 0;
    // The number of bytes taken, in order from the first; lastError() says why when
    // fewer than all.
    [[nodiscard]] virtual qint64 output(const QByteArray &bytes) = 0;
    // Up to the next line event still waiting, so that it is seen after the bytes before it.
    virtual Received takeReceived() = 0;
    QByteArray input() { return takeReceived().bytes; }
    virtual int commEvent() const = 0;

    // The number of bytes waiting to be taken by takeReceived().
    virtual qint64 bytesWaiting() const = 0;
    // Asks for comEvReceive to be raised again if data is waiting (used after the
    // receive handler stopped taking data, e.g. while suspended).
    virtual void rearmReceive() = 0;

    // Output taken by output() that has not gone out of the port yet: the port's own
    // queue plus the driver's where the system reports it. outputShrank() is raised
    // (coalesced) at least when this falls below outputLimit() and when it falls to 0.
    virtual qint64 bytesToWrite() const = 0;
    // How much output a sender lets wait before it writes more (see outputLimitFor()).
    virtual qint64 outputLimit() const = 0;
    // Closes the port once its queued output has gone out, waiting no longer than the
    // line needs for it plus a margin, at most kDrainLimitMs, and no longer once a
    // termination request arrives (platform/termination.h); what is still queued then is
    // discarded. Returns the number of bytes discarded. setPortOpen(false) discards at once.
    [[nodiscard]] virtual qint64 closeDraining() = 0;

    virtual Error lastError() const = 0;
    // Human readable detail about the port: the device a COM number selects, the rate
    // really applied, why the last open failed. Shown as a tooltip, never as status.
    virtual QString detail() const = 0;
    // The device a COM number selects, for showing to the user ("" when none).
    virtual QString deviceName(int port) const = 0;

    // The two output lines of the open port (both raised by an open); false while closed.
    virtual bool setDataTerminalReady(bool on) = 0;
    virtual bool setRequestToSend(bool on) = 0;
    virtual bool dataTerminalReady() const = 0;
    virtual bool requestToSend() const = 0;
    // Holds the line in the break state for ms milliseconds; returns at once.
    virtual bool sendBreak(int ms) = 0;

signals:
    void onComm();
    void outputShrank();
};

// Rates below this are refused by setSettings(): no port is used that slowly.
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
