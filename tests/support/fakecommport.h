#pragma once

#include "platform/commport.h"

#include <QList>

#include <functional>

// A port for tests: records what was written, delivers injected bytes and events, and
// can be told to refuse an open or to play a device that does not read. Signals are
// raised synchronously by the inject calls.
class FakeCommPort : public CommPort
{
    Q_OBJECT
public:
    using CommPort::CommPort;

    PortFailure open(const PortAddress &address, const PortSettings &settings) override;
    PortFailure apply(const PortSettings &settings) override;
    void close() override;
    qint64 closeDraining() override;
    bool isOpen() const override { return open_; }
    qint64 write(QByteArrayView bytes) override;
    qint64 pendingOutput() const override { return queued_.size(); }
    qint64 outputLimit() const override { return outputLimitFor(settings.baud); }
    Received takeReceived() override;
    qint64 bytesWaiting() const override { return waiting_.bytes.size(); }
    void resumeReading() override;
    bool setLine(OutputLine which, bool on) override;
    bool line(OutputLine which) const override
    {
        return open_ && (which == OutputLine::Dtr ? dtr : rts);
    }
    bool sendBreak(std::chrono::milliseconds length) override;
    QString detail() const override { return detail_; }

    // Test side.
    // Queues bytes arriving now and signals dataReady(); they stay across a close.
    void injectData(const QByteArray &bytes);
    void injectEvent(LineEvent event);
    // The device goes away: the port closes, the bytes waiting stay, then deviceLost() is
    // signalled with detail() naming the reason.
    void loseDevice(const QString &reason = QStringLiteral("the device went away"));
    // While false, output stays queued until deviceTakes() lets the device read it.
    bool deviceReads = true;
    void deviceTakes(qsizetype n);
    QByteArray written;             // every byte that went out to the device, in order
    std::function<void()> onOutput; // after every write() the port took, for tests of order
    PortAddress address;
    PortSettings settings;
    bool refuseOpen = false; // the next opens fail as a busy port would
    int opens = 0;
    int closes = 0;
    bool dtr = false;
    bool rts = false;
    QList<int> breaks; // the length of each break sent, in ms

private:
    bool open_ = false;
    Received waiting_;
    QByteArray queued_;
    QString detail_;
};
