#include "platform/serialworker.h"

#include "platform/termination.h"

#include <QElapsedTimer>
#include <QThread>
#include <QTimer>

#include <utility>

namespace {

// How often the port thread looks at the modem lines, error counters and hang-up.
constexpr int kWatchIntervalMs = 50;
// Successive empty reads of a readable descriptor that mean the device is gone.
constexpr int kEmptyReadsLost = 20;

} // namespace

int SerialWorker::descriptor(QSerialPort *port)
{
#if defined(Q_OS_UNIX)
    return int(port->handle());
#else
    Q_UNUSED(port);
    return -1;
#endif
}

Outcome SerialWorker::open(const OpenRequest &request)
{
    close();
    label_ = request.label;
    auto *port = new QSerialPort(this);
    port->setPortName(request.device);
    port->setReadBufferSize(kReceiveCap);
    if (!port->open(QIODevice::ReadWrite)) {
        Outcome refused = diagnose(request.device, *port);
        delete port;
        return refused;
    }
    // QSerialPort's lock file does not stop programs that lock the device itself.
    if (!ttyLockExclusive(descriptor(port))) {
        port->close();
        delete port;
        return {PortError::Busy,
                label_ + QStringLiteral(": busy, another program holds a lock on it"),
                {}};
    }
    port_ = port;
    ++openCount_;
    Outcome configured = configure(request.settings);
    if (!configured.ok()) {
        close();
        return configured;
    }
    current_ = request.settings;
    handed_ = 0;
    // The line's nominal pace until the device's own is measured.
    resetMeter(DrainMeter::seedFor(request.settings.baud));
    // Bytes the driver kept from before the open belong to nobody.
    port_->clear(QSerialPort::AllDirections);

    const int fd = descriptor(port_);
    haveLines_ = ttyModemLines(fd, lines_);
    haveCounters_ = ttyCounters(fd, counters_);
    emptyReads_ = 0;
    connect(port_, &QSerialPort::readyRead, this, &SerialWorker::pump);
    connect(port_, &QSerialPort::errorOccurred, this, &SerialWorker::onError);
    connect(port_, &QSerialPort::bytesWritten, this, &SerialWorker::measureOutput);
    if (!watch_) {
        watch_ = new QTimer(this);
        watch_->setInterval(kWatchIntervalMs);
        connect(watch_, &QTimer::timeout, this, &SerialWorker::watch);
        outputPoll_ = new QTimer(this);
        outputPoll_->setInterval(kOutputPollMs);
        connect(outputPoll_, &QTimer::timeout, this, &SerialWorker::measureOutput);
    }
    watch_->start();
    setOpen(true);

    QString text = configured.text;
    if (!haveLines_)
        text += QStringLiteral("; modem lines not reported");
    if (!haveCounters_)
        text += QStringLiteral("; line errors not reported");
    return {PortError::None, text, {}};
}

Outcome SerialWorker::apply(const PortSettings &settings)
{
    if (!port_)
        return {PortError::NotOpen, {}, {}};
    Outcome applied = configure(settings);
    if (!applied.ok()) {
        // A refusal part way through leaves the port as it was.
        (void)configure(current_);
        return applied;
    }
    current_ = settings;
    resetMeter(DrainMeter::seedFor(settings.baud));
    return applied;
}

void SerialWorker::close()
{
    if (watch_) {
        watch_->stop();
        outputPoll_->stop();
    }
    if (port_) {
        if (port_->isOpen())
            takeRest();
        QSerialPort *port = std::exchange(port_, nullptr);
        port->disconnect(this);
        if (port->isOpen()) {
            // Output the device is not taking would make the driver wait at close. What
            // a pty holds is the far side's already (it reports no queue) and stays; so
            // no clear(Output), which would flush it.
            const int fd = descriptor(port);
            qint64 driver = 0;
            if (!ttyOutputQueue(fd, driver) || driver > 0)
                ttyDiscardOutput(fd);
            port->close();
        }
        // May run inside one of the port's own signals.
        port->deleteLater();
        setOpen(false);
    }
    clearOutgoing();
}

qint64 SerialWorker::closeDraining(const PortSettings &settings)
{
    takeOutgoing();
    qint64 left = measureOutput();
    if (left > 0) {
        // A slow line with much queued would hold the window for minutes. The device's
        // measured pace counts where known (a USB device far faster than its rate).
        const qint64 nominal = qMax<qint64>(settings.baud / bitsPerByte(settings), 1);
        const qint64 rate = qMax(drainRate().value_or(nominal), nominal);
        const qint64 budgetMs = drainBudgetMs(left, rate);
        const quint32 requests = terminationRequests();
        QElapsedTimer clock;
        clock.start();
        while (port_ && left > 0 && clock.elapsed() < budgetMs &&
               terminationRequests() == requests) {
            // Either QSerialPort still holds bytes for the driver, or only the driver's
            // queue is left, which says nothing when it shrinks.
            if (port_->bytesToWrite() > 0)
                port_->waitForBytesWritten(kOutputPollMs);
            else
                QThread::msleep(kOutputPollMs);
            if (port_)
                left = measureOutput();
        }
    }
    close();
    return left;
}

void SerialWorker::takeOutgoing()
{
    const QByteArray chunk = takeOutgoingBytes();
    // QSerialPort hands it to the driver as the descriptor becomes writable. (Its flush()
    // would write without asking and report a full pty as a write error.)
    if (port_ && !chunk.isEmpty())
        handed_ += port_->write(chunk);
    measureOutput();
}

// Updates what the window sees as pending output and wakes it when that fell.
qint64 SerialWorker::measureOutput()
{
    qint64 now = 0;
    if (port_) {
        qint64 driver = 0;
        now = port_->bytesToWrite();
        if (ttyOutputQueue(descriptor(port_), driver))
            now += driver;
        meterOutput(handed_, now);
    }
    noteOutput(now);
    // QSerialPort reports what it hands to the driver, not what the driver sends.
    if (outputPoll_) {
        if (now == 0)
            outputPoll_->stop();
        else if (!outputPoll_->isActive())
            outputPoll_->start();
    }
    return now;
}

// What QSerialPort holds goes to the window ahead of a close, past the cap: bytes read from
// the device are never dropped, and QSerialPort holds at most its own cap.
void SerialWorker::takeRest()
{
    deliver(port_->readAll(), true);
}

void SerialWorker::pump()
{
    if (!port_)
        return;
    noteArrival(port_->bytesAvailable());
    while (const qsizetype room = receiveRoom()) {
        const QByteArray chunk = port_->read(room);
        if (chunk.isEmpty())
            return;
        emptyReads_ = 0;
        deliver(chunk);
    }
}

bool SerialWorker::setLine(OutputLine which, bool on)
{
    if (!port_)
        return false;
    return which == OutputLine::Dtr ? port_->setDataTerminalReady(on) : port_->setRequestToSend(on);
}

bool SerialWorker::line(OutputLine which) const
{
    return port_ && (port_->pinoutSignals() &
                     (which == OutputLine::Dtr ? QSerialPort::DataTerminalReadySignal
                                               : QSerialPort::RequestToSendSignal));
}

bool SerialWorker::startBreak(std::chrono::milliseconds length)
{
    if (!port_ || !port_->setBreakEnabled(true))
        return false;
    // Ended by a timer of this thread: neither thread waits out the break.
    QTimer::singleShot(length, this, [this, opened = openCount_] {
        if (port_ && openCount_ == opened)
            port_->setBreakEnabled(false);
    });
    return true;
}

void SerialWorker::onError(QSerialPort::SerialPortError error)
{
    if (!port_)
        return;
    switch (error) {
    case QSerialPort::ResourceError:
        lose(QStringLiteral("the device went away (%1)").arg(port_->errorString()));
        break;
    case QSerialPort::ReadError:
    case QSerialPort::WriteError:
        // A vanished device may read as empty for ever while the descriptor stays
        // readable; that would spin this thread.
        ++emptyReads_;
        if (ttyState(descriptor(port_)) == TtyState::HungUp)
            lose(QStringLiteral("the device hung up"));
        else if (emptyReads_ >= kEmptyReadsLost)
            lose(QStringLiteral("the device returns no data although readable"));
        break;
    default:
        break;
    }
}

void SerialWorker::watch()
{
    if (!port_)
        return;
    const int fd = descriptor(port_);
    if (ttyState(fd) == TtyState::HungUp) {
        lose(QStringLiteral("the device hung up"));
        return;
    }
    if (emptyReads_ >= kEmptyReadsLost) {
        lose(QStringLiteral("the device returns no data although readable"));
        return;
    }
    emptyReads_ = 0;
    // Take what has arrived so the events come after it.
    pump();
    if (haveLines_) {
        int now = 0;
        if (ttyModemLines(fd, now)) {
            for (const auto &[event, count] : lineEvents(lines_, now, haveCounters_))
                addEvent(event, count);
            lines_ = now;
        } else {
            haveLines_ = false;
        }
    }
    if (haveCounters_) {
        TtyCounters now;
        if (ttyCounters(fd, now)) {
            for (const auto &[event, count] : counterEvents(counters_, now))
                addEvent(event, count);
            counters_ = now;
        } else {
            haveCounters_ = false;
        }
    }
}

void SerialWorker::lose(const QString &why)
{
    if (!port_)
        return;
    // Every byte that arrived before goes to the window ahead of the loss; the cap is
    // ignored here since what the driver still holds is small.
    takeRest();
    deliver(ttyDrain(descriptor(port_), kReceiveCap), true);
    close();
    addLoss(label_ + QStringLiteral(": ") + why);
}
