#pragma once

#include "platform/commport.h"

#include <QList>
#include <QStringList>

#include <functional>

// A port for tests: records what was written, delivers injected bytes and events, and
// can be told to refuse an open or to play a device that does not read. Events are
// raised synchronously by the inject calls.
class FakeCommPort : public CommPort
{
    Q_OBJECT
public:
    using CommPort::CommPort;

    bool setSettings(const QString &settings) override;
    bool setCommPort(int port) override;
    bool setPortOpen(bool open) override;
    bool portOpen() const override { return open_; }
    qint64 output(const QByteArray &bytes) override;
    Received takeReceived() override;
    int commEvent() const override { return event_; }
    qint64 bytesWaiting() const override { return waiting_.bytes.size(); }
    void rearmReceive() override;
    qint64 bytesToWrite() const override { return queued_.size(); }
    qint64 outputLimit() const override;
    qint64 closeDraining() override;
    Error lastError() const override { return error_; }
    QString detail() const override { return detail_; }
    QString deviceName(int p) const override { return QStringLiteral("fake%1").arg(p); }
    bool setDataTerminalReady(bool on) override { return setLine(dtr, on); }
    bool setRequestToSend(bool on) override { return setLine(rts, on); }
    bool dataTerminalReady() const override { return open_ && dtr; }
    bool requestToSend() const override { return open_ && rts; }
    bool sendBreak(int ms) override;

    // Test side.
    // Queues bytes arriving now and raises comEvReceive; they stay across a close.
    void injectData(const QByteArray &bytes);
    void injectEvent(int code); // raises a line event or error
    // The device goes away: the port closes, the bytes waiting stay, then
    // comEventDeviceLost is raised with detail() naming the reason.
    void loseDevice(const QString &reason = QStringLiteral("the device went away"));
    // While false, output stays queued until deviceTakes() lets the device read it.
    bool deviceReads = true;
    void deviceTakes(qsizetype n);
    QByteArray written;             // every byte that went out to the device, in order
    std::function<void()> onOutput; // after every output() the port took, for tests of order
    QString settings;
    int port = 1;
    bool refuseOpen = false; // the next opens fail as a busy port would
    int opens = 0;
    int closes = 0;
    bool dtr = false;
    bool rts = false;
    QList<int> breaks; // the length of each break sent, in ms

private:
    void raise(int code);
    bool requireOpen();
    bool setLine(bool &line, bool on);
    bool open_ = false;
    int event_ = 0;
    Received waiting_;
    QByteArray queued_;
    Error error_;
    QString detail_;
};
