#pragma once

#include "platform/portworker.h"
#include "platform/ttylines.h"

#include <QSerialPort>

class QTimer;

// A serial device through QSerialPort, on the port thread: opens and configures it, says
// once why a device cannot be used, reads and writes, and watches the modem lines, the
// error counters and a hang-up.
class SerialWorker : public PortWorker
{
public:
    using PortWorker::PortWorker;

    Outcome open(const OpenRequest &request) override;
    Outcome apply(const PortSettings &settings) override;
    void close() override;
    qint64 closeDraining(const PortSettings &settings) override;
    void takeOutgoing() override;
    void pump() override;
    bool setLine(OutputLine line, bool on) override;
    bool line(OutputLine line) const override;
    bool startBreak(std::chrono::milliseconds length) override;

private:
    Outcome configure(const PortSettings &s);
    Outcome diagnose(const QString &device, const QSerialPort &failed) const;
    void onError(QSerialPort::SerialPortError error);
    void watch();
    void lose(const QString &why);
    void takeRest();
    qint64 measureOutput();
    // The terminal's file descriptor; -1 where the system has none (the tty helpers then
    // report nothing).
    static int descriptor(QSerialPort *port);

    QSerialPort *port_ = nullptr;
    QTimer *watch_ = nullptr;
    QTimer *outputPoll_ = nullptr;
    QString label_;
    PortSettings current_; // as applied last
    qint64 handed_ = 0;    // every byte handed to QSerialPort since the open
    bool haveLines_ = false;
    bool haveCounters_ = false;
    int lines_ = 0;
    TtyCounters counters_;
    int emptyReads_ = 0;
    quint64 openCount_ = 0; // tells a break's end which port it belongs to
};
