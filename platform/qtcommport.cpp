#include "platform/qtcommport.h"

#include "platform/portnames.h"
#include "platform/termination.h"
#include "platform/ttylines.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QMutex>
#include <QMutexLocker>
#include <QSerialPort>
#include <QThread>
#include <QTimer>

#include <atomic>
#include <deque>
#include <functional>
#include <limits>
#include <optional>
#include <utility>

#if defined(Q_OS_UNIX)
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

// Received bytes waiting for the window. Above this the port thread stops reading, so
// the driver's buffer fills and the sender is held back instead of memory growing;
// QSerialPort's own buffer is capped at the same size. A close hands both to the window.
constexpr qsizetype kReceiveCap = qsizetype(1) << 20;
// How often the port thread looks at the modem lines, error counters and hang-up.
constexpr int kWatchIntervalMs = 50;
// At most this many events of one kind per look, so a flood of line errors cannot
// swamp the window.
constexpr int kMaxEventsPerKind = 64;
// Successive empty reads of a readable descriptor that mean the device is gone.
constexpr int kEmptyReadsLost = 20;
// Output taken but not yet gone out, above which output() takes no more: a device that
// does not read cannot make memory grow without bound.
constexpr qint64 kSendCap = qint64(1) << 20;
// How often the port thread looks at the driver's output queue while output is pending:
// the driver does not say when its queue shrinks.
constexpr int kOutputPollMs = 5;
// Added to the line time of what is queued when a close lets the output drain.
constexpr qint64 kDrainMarginMs = 250;

constexpr int errInvalidValue = 380;
constexpr int errInvalidPort = 8002;
constexpr int errPortOpen = 8005;
constexpr int errNoDevice = 8012;
constexpr int errSettings = 8015;
constexpr int errNotOpen = 8018;
constexpr int errOutputFull = 8020;

struct PortSettings
{
    qint32 baud = 9600;
    QSerialPort::Parity parity = QSerialPort::NoParity;
    QSerialPort::DataBits dataBits = QSerialPort::Data8;
    QSerialPort::StopBits stopBits = QSerialPort::OneStop;

    // Line time of one byte: start bit, data, parity, stop bits (1.5 counted as 2).
    qint64 bitsPerByte() const
    {
        return 1 + dataBits + (parity == QSerialPort::NoParity ? 0 : 1) +
               (stopBits == QSerialPort::OneStop ? 1 : 2);
    }
};

// "baud,parity,data bits,stop bits", e.g. "9600,n,8,1".
std::optional<PortSettings> parseSettings(const QString &text)
{
    const QStringList parts = text.split(u',');
    if (parts.size() != 4)
        return std::nullopt;
    PortSettings s;
    const QString &baud = parts[0];
    if (baud.isEmpty() || baud.size() > 10)
        return std::nullopt;
    for (const QChar c : baud)
        if (c < u'0' || c > u'9')
            return std::nullopt;
    const qint64 rate = baud.toLongLong();
    if (rate <= 0 || rate > std::numeric_limits<qint32>::max())
        return std::nullopt;
    s.baud = qint32(rate);

    const QString parity = parts[1].toLower();
    if (parity == u"n")
        s.parity = QSerialPort::NoParity;
    else if (parity == u"e")
        s.parity = QSerialPort::EvenParity;
    else if (parity == u"o")
        s.parity = QSerialPort::OddParity;
    else if (parity == u"m")
        s.parity = QSerialPort::MarkParity;
    else if (parity == u"s")
        s.parity = QSerialPort::SpaceParity;
    else
        return std::nullopt;

    const QString &bits = parts[2];
    if (bits.size() != 1 || bits[0] < u'5' || bits[0] > u'8')
        return std::nullopt;
    s.dataBits = QSerialPort::DataBits(bits[0].unicode() - u'0');

    const QString &stop = parts[3];
    if (stop == u"1")
        s.stopBits = QSerialPort::OneStop;
    else if (stop == u"1.5")
        s.stopBits = QSerialPort::OneAndHalfStop;
    else if (stop == u"2")
        s.stopBits = QSerialPort::TwoStop;
    else
        return std::nullopt;
    return s;
}

// The terminal's file descriptor; -1 where the system has none (the helpers then
// report nothing).
int descriptor(QSerialPort *port)
{
#if defined(Q_OS_UNIX)
    return int(port->handle());
#else
    Q_UNUSED(port);
    return -1;
#endif
}

struct PendingEvent
{
    qint64 position; // the number of received bytes that come before it
    int code;
    QString detail;
};

struct ArrivalMark
{
    qint64 position; // in the received stream, as for events
    ArrivalTime time;
};

// What the port thread hands to the window, under one mutex.
struct Shared
{
    QMutex mutex;
    QByteArray data;                 // received, not yet taken by takeReceived()
    qint64 removed = 0;              // bytes ever taken from data
    std::deque<PendingEvent> events; // line events and errors in order with the data
    // When the bytes from each position on arrived; the first covers data's first byte.
    std::deque<ArrivalMark> marks;
    bool dispatchQueued = false; // a dispatch call is on its way to the window
    bool readerStalled = false;  // the port thread stopped reading at the cap
    std::atomic<bool> deviceOpen{false};
    std::function<void()> queueDispatch; // posts a dispatch to the window's thread

    QByteArray outgoing;      // taken by output(), not yet handed to QSerialPort
    qint64 queued = 0;        // in QSerialPort's buffer and the driver's queue, last measured
    bool writeQueued = false; // a takeOutgoing call is on its way to the port thread
    bool wakeQueued = false;  // an outputShrank call is on its way to the window
    qint64 wakeBelow = 64;    // the window's output limit
    std::function<void()> queueWake;
};

struct OpenRequest
{
    QString device;
    QString label; // "COM3 (/dev/ttyUSB0)"
    PortSettings settings;
};

struct Outcome
{
    bool ok = false;
    int number = 0;
    QString text; // the reason on failure, the applied configuration on success
};

// Owns the QSerialPort; lives in the port thread.
class PortWorker : public QObject
{
public:
    explicit PortWorker(std::shared_ptr<Shared> shared) : shared_(std::move(shared)) {}

    Outcome open(const OpenRequest &request);
    Outcome apply(const PortSettings &settings);
    void close();
    qint64 closeDraining(const PortSettings &settings);
    void takeOutgoing();
    void pump();
    // The output lines and the break, on the open port; false when closed or refused.
    bool setLine(QSerialPort::PinoutSignal line, bool on);
    bool line(QSerialPort::PinoutSignal line) const;
    bool startBreak(int ms);

private:
    Outcome configure(const PortSettings &s);
    void onError(QSerialPort::SerialPortError error);
    void watch();
    void deviceLost(const QString &why);
    void addEvent(int code, const QString &detail = QString());
    void addEvents(int code, int count);
    void notifyLocked();
    void noteArrival(qint64 beyondData);
    void takeRest();
    qint64 measureOutput();

    std::shared_ptr<Shared> shared_;
    QSerialPort *port_ = nullptr;
    QTimer *watch_ = nullptr;
    QTimer *outputPoll_ = nullptr;
    QString label_;
    bool haveLines_ = false;
    bool haveCounters_ = false;
    int lines_ = 0;
    TtyCounters counters_;
    int emptyReads_ = 0;
    quint64 openCount_ = 0; // tells a break's end which port it belongs to
    qint64 markedEnd_ = 0;  // the received stream's position up to which arrival is marked
};

// Marks when the bytes read from the device since the last call arrived: those up to
// beyondData bytes past what the window has not taken yet (QSerialPort's buffer, or a chunk
// about to be appended).
void PortWorker::noteArrival(qint64 beyondData)
{
    const ArrivalTime now = arrivalNow();
    QMutexLocker lock(&shared_->mutex);
    Shared &s = *shared_;
    const qint64 end = s.removed + s.data.size() + beyondData;
    if (end <= markedEnd_)
        return;
    if (s.marks.empty() || s.marks.back().time != now)
        s.marks.push_back({markedEnd_, now});
    markedEnd_ = end;
}

// What QSerialPort holds goes to the window ahead of a close, past the cap: bytes read from
// the device are never dropped, and QSerialPort holds at most its own cap.
void PortWorker::takeRest()
{
    QByteArray rest = port_->readAll();
    if (rest.isEmpty())
        return;
    noteArrival(rest.size());
    QMutexLocker lock(&shared_->mutex);
    shared_->data.append(rest);
    shared_->readerStalled = false;
    notifyLocked();
}

void PortWorker::notifyLocked()
{
    if (!shared_->dispatchQueued) {
        shared_->dispatchQueued = true;
        shared_->queueDispatch();
    }
}

Outcome PortWorker::open(const OpenRequest &request)
{
    close();
    label_ = request.label;
    auto *port = new QSerialPort(this);
    port->setPortName(request.device);
    port->setReadBufferSize(kReceiveCap);
    if (!port->open(QIODevice::ReadWrite)) {
        const QSerialPort::SerialPortError error = port->error();
        const QString why = port->errorString();
        delete port;
        if (error == QSerialPort::DeviceNotFoundError)
            return {false, errInvalidPort,
                    label_ + QStringLiteral(": missing device (%1)").arg(why)};
        if (error == QSerialPort::PermissionError)
            return {false, errPortOpen,
                    label_ + QStringLiteral(": busy, in use by another program (%1)").arg(why)};
#if defined(Q_OS_UNIX)
        const int fd = ::open(request.device.toLocal8Bit().constData(),
                              O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        if (fd >= 0) {
            const bool tty = ::isatty(fd);
            ::close(fd);
            if (!tty)
                return {false, errNoDevice, label_ + QStringLiteral(": not a tty")};
        }
#endif
        return {false, errNoDevice, label_ + QStringLiteral(": cannot be opened (%1)").arg(why)};
    }
    // QSerialPort's lock file does not stop programs that lock the device itself.
    if (!ttyLockExclusive(descriptor(port))) {
        port->close();
        delete port;
        return {false, errPortOpen,
                label_ + QStringLiteral(": busy, another program holds a lock on it")};
    }
    port_ = port;
    ++openCount_;
    const Outcome configured = configure(request.settings);
    if (!configured.ok) {
        close();
        return configured;
    }
    // Bytes the driver kept from before the open belong to nobody.
    port_->clear(QSerialPort::AllDirections);

    const int fd = descriptor(port_);
    haveLines_ = ttyModemLines(fd, lines_);
    haveCounters_ = ttyCounters(fd, counters_);
    emptyReads_ = 0;
    connect(port_, &QSerialPort::readyRead, this, &PortWorker::pump);
    connect(port_, &QSerialPort::errorOccurred, this, &PortWorker::onError);
    connect(port_, &QSerialPort::bytesWritten, this, &PortWorker::measureOutput);
    if (!watch_) {
        watch_ = new QTimer(this);
        watch_->setInterval(kWatchIntervalMs);
        connect(watch_, &QTimer::timeout, this, &PortWorker::watch);
        outputPoll_ = new QTimer(this);
        outputPoll_->setInterval(kOutputPollMs);
        connect(outputPoll_, &QTimer::timeout, this, &PortWorker::measureOutput);
    }
    watch_->start();
    shared_->deviceOpen = true;

    QString text = configured.text;
    if (!haveLines_)
        text += QStringLiteral("; modem lines not reported");
    if (!haveCounters_)
        text += QStringLiteral("; line errors not reported");
    return {true, 0, text};
}

Outcome PortWorker::configure(const PortSettings &s)
{
    const QString rate = QStringLiteral("%1 baud").arg(s.baud);
    if (!port_->setBaudRate(s.baud))
        return {false, errSettings,
                label_ + QStringLiteral(": the driver does not accept %1 (%2)")
                             .arg(rate, port_->errorString())};
    if (!port_->setDataBits(s.dataBits) || !port_->setParity(s.parity) ||
        !port_->setStopBits(s.stopBits) || !port_->setFlowControl(QSerialPort::NoFlowControl))
        return {false, errSettings,
                label_ + QStringLiteral(": the driver does not accept the framing (%1)")
                             .arg(port_->errorString())};
    QString text = label_ + QStringLiteral(", ") + rate;
    long applied = 0;
    if (ttyAppliedBaud(descriptor(port_), applied) && applied != s.baud)
        text += QStringLiteral(" (the driver applied %1 baud)").arg(applied);
    return {true, 0, text};
}

Outcome PortWorker::apply(const PortSettings &settings)
{
    if (!port_)
        return {true, 0, QString()};
    return configure(settings);
}

void PortWorker::close()
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
        shared_->deviceOpen = false;
    }
    QMutexLocker lock(&shared_->mutex);
    shared_->outgoing.clear();
    shared_->queued = 0;
}

qint64 PortWorker::closeDraining(const PortSettings &settings)
{
    takeOutgoing();
    qint64 left = measureOutput();
    if (left > 0) {
        // A slow line with much queued would hold the window for minutes.
        const qint64 budgetMs = qMin(
            left * settings.bitsPerByte() * 1000 / qMax<qint64>(settings.baud, 1) + kDrainMarginMs,
            kDrainLimitMs);
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

void PortWorker::takeOutgoing()
{
    QByteArray chunk;
    {
        QMutexLocker lock(&shared_->mutex);
        chunk.swap(shared_->outgoing);
        shared_->writeQueued = false;
        shared_->queued += chunk.size();
    }
    // QSerialPort hands it to the driver as the descriptor becomes writable. (Its
    // flush() would write without asking and report a full pty as a write error.)
    if (port_ && !chunk.isEmpty())
        port_->write(chunk);
    measureOutput();
}

// Updates what the window sees as pending output and wakes it when that fell.
qint64 PortWorker::measureOutput()
{
    qint64 now = 0;
    if (port_) {
        qint64 driver = 0;
        now = port_->bytesToWrite();
        if (ttyOutputQueue(descriptor(port_), driver))
            now += driver;
    }
    {
        QMutexLocker lock(&shared_->mutex);
        Shared &s = *shared_;
        // Only a sender waiting at the limit needs to hear of it.
        const qint64 before = s.outgoing.size() + s.queued;
        const qint64 after = s.outgoing.size() + now;
        const bool wake =
            after < before && (after == 0 || (before >= s.wakeBelow && after < s.wakeBelow));
        if (wake && !s.wakeQueued) {
            s.wakeQueued = true;
            s.queueWake();
        }
        s.queued = now;
    }
    // QSerialPort reports what it hands to the driver, not what the driver sends.
    if (outputPoll_) {
        if (now == 0)
            outputPoll_->stop();
        else if (!outputPoll_->isActive())
            outputPoll_->start();
    }
    return now;
}

void PortWorker::pump()
{
    if (!port_)
        return;
    noteArrival(port_->bytesAvailable());
    for (;;) {
        qsizetype room;
        {
            QMutexLocker lock(&shared_->mutex);
            room = kReceiveCap - shared_->data.size();
            if (room <= 0) {
                shared_->readerStalled = true;
                return;
            }
        }
        const QByteArray chunk = port_->read(room);
        if (chunk.isEmpty())
            return;
        emptyReads_ = 0;
        QMutexLocker lock(&shared_->mutex);
        shared_->data.append(chunk);
        notifyLocked();
    }
}

bool PortWorker::setLine(QSerialPort::PinoutSignal which, bool on)
{
    if (!port_)
        return false;
    return which == QSerialPort::DataTerminalReadySignal ? port_->setDataTerminalReady(on)
                                                         : port_->setRequestToSend(on);
}

bool PortWorker::line(QSerialPort::PinoutSignal which) const
{
    return port_ && (port_->pinoutSignals() & which);
}

bool PortWorker::startBreak(int ms)
{
    if (!port_ || !port_->setBreakEnabled(true))
        return false;
    // Ended by a timer of this thread: neither thread waits out the break.
    QTimer::singleShot(ms, this, [this, opened = openCount_] {
        if (port_ && openCount_ == opened)
            port_->setBreakEnabled(false);
    });
    return true;
}

void PortWorker::onError(QSerialPort::SerialPortError error)
{
    if (!port_)
        return;
    switch (error) {
    case QSerialPort::ResourceError:
        deviceLost(QStringLiteral("the device went away (%1)").arg(port_->errorString()));
        break;
    case QSerialPort::ReadError:
    case QSerialPort::WriteError:
        // A vanished device may read as empty for ever while the descriptor stays
        // readable; that would spin this thread.
        ++emptyReads_;
        if (ttyState(descriptor(port_)) == TtyState::HungUp)
            deviceLost(QStringLiteral("the device hung up"));
        else if (emptyReads_ >= kEmptyReadsLost)
            deviceLost(QStringLiteral("the device returns no data although readable"));
        break;
    default:
        break;
    }
}

void PortWorker::watch()
{
    if (!port_)
        return;
    const int fd = descriptor(port_);
    if (ttyState(fd) == TtyState::HungUp) {
        deviceLost(QStringLiteral("the device hung up"));
        return;
    }
    if (emptyReads_ >= kEmptyReadsLost) {
        deviceLost(QStringLiteral("the device returns no data although readable"));
        return;
    }
    emptyReads_ = 0;
    // Take what has arrived so the events come after it.
    pump();
    if (haveLines_) {
        int now = 0;
        if (ttyModemLines(fd, now)) {
            for (const auto &[code, count] : lineEvents(lines_, now, haveCounters_))
                addEvents(code, count);
            lines_ = now;
        } else {
            haveLines_ = false;
        }
    }
    if (haveCounters_) {
        TtyCounters now;
        if (ttyCounters(fd, now)) {
            for (const auto &[code, count] : counterEvents(counters_, now))
                addEvents(code, count);
            counters_ = now;
        } else {
            haveCounters_ = false;
        }
    }
}

void PortWorker::deviceLost(const QString &why)
{
    if (!port_)
        return;
    // Every byte that arrived before goes to the window ahead of the loss; the cap is
    // ignored here since what the driver still holds is small.
    takeRest();
    const QByteArray rest = ttyDrain(descriptor(port_), kReceiveCap);
    if (!rest.isEmpty()) {
        noteArrival(rest.size());
        QMutexLocker lock(&shared_->mutex);
        shared_->data.append(rest);
    }
    close();
    addEvent(CommPort::comEventDeviceLost, label_ + QStringLiteral(": ") + why);
}

void PortWorker::addEvent(int code, const QString &detail)
{
    QMutexLocker lock(&shared_->mutex);
    shared_->events.push_back({shared_->removed + shared_->data.size(), code, detail});
    notifyLocked();
}

void PortWorker::addEvents(int code, int count)
{
    for (int i = 0; i < std::min(count, kMaxEventsPerKind); ++i)
        addEvent(code);
}

class QtCommPort : public CommPort
{
public:
    QtCommPort();
    ~QtCommPort() override;

    bool setSettings(const QString &settings) override;
    bool setCommPort(int port) override;
    bool setPortOpen(bool open) override;
    bool portOpen() const override { return open_ && shared_->deviceOpen; }
    qint64 output(const QByteArray &bytes) override;
    Received takeReceived() override;
    int commEvent() const override { return event_; }
    qint64 bytesWaiting() const override;
    void rearmReceive() override;
    qint64 bytesToWrite() const override;
    qint64 outputLimit() const override { return outputLimitFor(settings_.baud); }
    qint64 closeDraining() override;
    Error lastError() const override { return error_; }
    QString detail() const override { return detail_; }
    QString deviceName(int port) const override { return comPortDevice(port); }
    bool setDataTerminalReady(bool on) override
    {
        return onWorker([&] { return worker_->setLine(QSerialPort::DataTerminalReadySignal, on); });
    }
    bool setRequestToSend(bool on) override
    {
        return onWorker([&] { return worker_->setLine(QSerialPort::RequestToSendSignal, on); });
    }
    bool dataTerminalReady() const override
    {
        return onWorker([&] { return worker_->line(QSerialPort::DataTerminalReadySignal); });
    }
    bool requestToSend() const override
    {
        return onWorker([&] { return worker_->line(QSerialPort::RequestToSendSignal); });
    }
    bool sendBreak(int ms) override
    {
        return onWorker([&] { return worker_->startBreak(ms); });
    }

private:
    // Runs a short call on the port thread and waits for its answer; false while closed.
    template <typename F> bool onWorker(F call) const
    {
        bool result = false;
        if (portOpen())
            QMetaObject::invokeMethod(
                worker_, [&] { result = call(); }, Qt::BlockingQueuedConnection);
        return result;
    }

    void dispatch();
    void queueDispatch();
    void deliver(const PendingEvent &event);
    void raise(int code);
    bool fail(int number, const QString &description);
    // Line events of a port that was closed are stale; its received bytes are kept.
    void dropEvents();
    qint64 removedCount() const;
    // Passes what output() took to the port thread.
    void handOver();

    std::shared_ptr<Shared> shared_ = std::make_shared<Shared>();
    QThread thread_;
    PortWorker *worker_ = nullptr;
    PortSettings settings_;
    int port_ = 1;
    bool open_ = false;
    int event_ = 0;
    Error error_;
    QString detail_;
    bool dispatching_ = false;
    bool dispatchAgain_ = false;
    QTimer handOverTimer_;
};

QtCommPort::QtCommPort()
{
    shared_->queueDispatch = [this] {
        QMetaObject::invokeMethod(
            this, [this] { dispatch(); }, Qt::QueuedConnection);
    };
    shared_->queueWake = [this] {
        QMetaObject::invokeMethod(
            this,
            [this] {
                {
                    QMutexLocker lock(&shared_->mutex);
                    shared_->wakeQueued = false;
                }
                emit outputShrank();
            },
            Qt::QueuedConnection);
    };
    handOverTimer_.setSingleShot(true);
    handOverTimer_.setInterval(1);
    handOverTimer_.setTimerType(Qt::PreciseTimer);
    connect(&handOverTimer_, &QTimer::timeout, this, &QtCommPort::handOver);
    worker_ = new PortWorker(shared_);
    worker_->moveToThread(&thread_);
    connect(&thread_, &QThread::finished, worker_, &QObject::deleteLater);
    thread_.setObjectName(QStringLiteral("serial port"));
    thread_.start();
}

QtCommPort::~QtCommPort()
{
    QMetaObject::invokeMethod(
        worker_, [w = worker_] { w->close(); }, Qt::BlockingQueuedConnection);
    thread_.quit();
    thread_.wait();
}

bool QtCommPort::fail(int number, const QString &description)
{
    error_ = {number, description};
    return false;
}

bool QtCommPort::setSettings(const QString &text)
{
    const auto parsed = parseSettings(text);
    if (!parsed)
        return fail(errInvalidValue, QStringLiteral("Invalid property value"));
    if (parsed->baud < kLowestBaud) {
        detail_ = QStringLiteral("%1 baud: below %2 baud, the lowest rate a port is used at")
                      .arg(parsed->baud)
                      .arg(kLowestBaud);
        return fail(errInvalidValue, QStringLiteral("Invalid property value"));
    }
    if (portOpen()) {
        Outcome applied;
        QMetaObject::invokeMethod(
            worker_, [&] { applied = worker_->apply(*parsed); }, Qt::BlockingQueuedConnection);
        if (!applied.ok) {
            detail_ = applied.text;
            return fail(errInvalidValue, applied.text);
        }
        detail_ = applied.text;
    }
    settings_ = *parsed;
    QMutexLocker lock(&shared_->mutex);
    shared_->wakeBelow = outputLimit();
    return true;
}

bool QtCommPort::setCommPort(int port)
{
    if (!isComNumber(port))
        return fail(errInvalidPort, QStringLiteral("Invalid port number"));
    if (portOpen())
        return fail(errPortOpen, QStringLiteral("Port already open"));
    port_ = port;
    return true;
}

bool QtCommPort::setPortOpen(bool open)
{
    if (!open) {
        if (open_) {
            QMetaObject::invokeMethod(
                worker_, [w = worker_] { w->close(); }, Qt::BlockingQueuedConnection);
            open_ = false;
            dropEvents();
        }
        return true;
    }
    if (portOpen())
        return fail(errPortOpen, QStringLiteral("Port already open"));
    // Closed by a device loss the window has not heard of yet: that news is stale now.
    open_ = false;
    dropEvents();

    OpenRequest request;
    request.device = comPortDevice(port_);
    request.label = QStringLiteral("COM%1").arg(port_);
    request.settings = settings_;
    if (request.device.isEmpty()) {
        detail_ = request.label + QStringLiteral(": no such serial device");
        return fail(errInvalidPort, detail_);
    }
    request.label += QStringLiteral(" (%1)").arg(request.device);
#if defined(Q_OS_UNIX)
    // Say precisely why the device cannot be used before asking QSerialPort, whose
    // errors do not tell these apart.
    const QByteArray path = request.device.toLocal8Bit();
    struct stat st
    {
    };
    QString problem;
    int number = errNoDevice;
    if (::stat(path.constData(), &st) != 0) {
        problem = errno == EACCES ? QStringLiteral("permission denied")
                                  : QStringLiteral("missing device");
        number = errInvalidPort;
    } else if (!S_ISCHR(st.st_mode)) {
        problem = QStringLiteral("not a tty");
    } else if (::access(path.constData(), R_OK | W_OK) != 0 && errno == EACCES) {
        problem = QStringLiteral(
            "permission denied (the user must be a member of the device's group, usually dialout)");
    }
    if (!problem.isEmpty()) {
        detail_ = request.label + QStringLiteral(": ") + problem;
        return fail(number, detail_);
    }
#endif
    Outcome opened;
    QMetaObject::invokeMethod(
        worker_, [&] { opened = worker_->open(request); }, Qt::BlockingQueuedConnection);
    detail_ = opened.text;
    if (!opened.ok)
        return fail(opened.number, opened.text);
    open_ = true;
    return true;
}

qint64 QtCommPort::output(const QByteArray &bytes)
{
    if (!portOpen()) {
        fail(errNotOpen, QStringLiteral("Operation valid only when the port is open"));
        return 0;
    }
    qint64 taken = 0;
    bool now = false;
    {
        QMutexLocker lock(&shared_->mutex);
        Shared &s = *shared_;
        taken = qBound<qint64>(0, kSendCap - s.outgoing.size() - s.queued, bytes.size());
        s.outgoing.append(bytes.constData(), qsizetype(taken));
        // Byte-by-byte sends would wake the port thread for every byte: small writes
        // are gathered until half the output limit, until the sender is about to wait,
        // or for a millisecond.
        const qint64 limit = outputLimit();
        now = s.outgoing.size() >= limit / 2 || s.outgoing.size() + s.queued >= limit;
    }
    if (now)
        handOver();
    else if (taken > 0 && !handOverTimer_.isActive())
        handOverTimer_.start();
    if (taken < bytes.size())
        fail(errOutputFull, QStringLiteral("Output buffer full"));
    return taken;
}

void QtCommPort::handOver()
{
    handOverTimer_.stop();
    {
        QMutexLocker lock(&shared_->mutex);
        // One call on its way is enough: it takes everything added meanwhile.
        if (shared_->outgoing.isEmpty() || std::exchange(shared_->writeQueued, true))
            return;
    }
    QMetaObject::invokeMethod(
        worker_, [w = worker_] { w->takeOutgoing(); }, Qt::QueuedConnection);
}

qint64 QtCommPort::bytesToWrite() const
{
    QMutexLocker lock(&shared_->mutex);
    return shared_->outgoing.size() + shared_->queued;
}

qint64 QtCommPort::closeDraining()
{
    if (!open_)
        return 0;
    qint64 discarded = 0;
    QMetaObject::invokeMethod(
        worker_, [&] { discarded = worker_->closeDraining(settings_); },
        Qt::BlockingQueuedConnection);
    open_ = false;
    dropEvents();
    return discarded;
}

Received QtCommPort::takeReceived()
{
    QMutexLocker lock(&shared_->mutex);
    Shared &s = *shared_;
    // Only up to the next line event, so the event is seen after the bytes before it.
    qsizetype n = s.data.size();
    if (!s.events.empty())
        n = qsizetype(qBound(qint64(0), s.events.front().position - s.removed, qint64(n)));
    Received out;
    if (n == s.data.size()) {
        out.bytes.swap(s.data);
    } else {
        out.bytes = s.data.left(n);
        s.data.remove(0, n);
    }
    const qint64 end = s.removed + n;
    for (const ArrivalMark &m : s.marks) {
        if (m.position >= end)
            break;
        out.marks.append({qsizetype(qMax(m.position, s.removed) - s.removed), m.time});
    }
    // The last mark at or before the end still covers the bytes after it.
    while (s.marks.size() > 1 && s.marks[1].position <= end)
        s.marks.pop_front();
    s.removed = end;
    if (!out.bytes.isEmpty() && out.marks.isEmpty())
        out.marks.append({0, arrivalNow()});
    if (s.readerStalled && s.data.size() < kReceiveCap) {
        s.readerStalled = false;
        QMetaObject::invokeMethod(
            worker_, [w = worker_] { w->pump(); }, Qt::QueuedConnection);
    }
    return out;
}

qint64 QtCommPort::bytesWaiting() const
{
    QMutexLocker lock(&shared_->mutex);
    return shared_->data.size();
}

qint64 QtCommPort::removedCount() const
{
    QMutexLocker lock(&shared_->mutex);
    return shared_->removed;
}

void QtCommPort::rearmReceive()
{
    if (bytesWaiting() > 0)
        queueDispatch();
}

void QtCommPort::queueDispatch()
{
    QMutexLocker lock(&shared_->mutex);
    if (!shared_->dispatchQueued) {
        shared_->dispatchQueued = true;
        shared_->queueDispatch();
    }
}

void QtCommPort::dropEvents()
{
    QMutexLocker lock(&shared_->mutex);
    shared_->events.clear();
}

void QtCommPort::raise(int code)
{
    event_ = code;
    emit onComm();
}

void QtCommPort::deliver(const PendingEvent &event)
{
    if (event.code == comEventDeviceLost) {
        open_ = false;
        detail_ = event.detail;
        error_ = {errNoDevice, event.detail};
    }
    raise(event.code);
}

// Runs on the window's thread: raises the line events and one receive notification
// for the data waiting, in arrival order.
void QtCommPort::dispatch()
{
    {
        QMutexLocker lock(&shared_->mutex);
        shared_->dispatchQueued = false;
    }
    if (dispatching_) {
        // A handler let events run; come back once it has returned.
        dispatchAgain_ = true;
        return;
    }
    dispatching_ = true;
    bool more = false;
    for (;;) {
        std::optional<PendingEvent> event;
        bool dataWaiting = false;
        {
            QMutexLocker lock(&shared_->mutex);
            Shared &s = *shared_;
            if (!s.events.empty() && s.events.front().position <= s.removed) {
                event = std::move(s.events.front());
                s.events.pop_front();
            } else {
                dataWaiting = !s.data.isEmpty();
            }
        }
        if (event) {
            deliver(*event);
            continue;
        }
        if (!dataWaiting)
            break;
        const qint64 before = removedCount();
        raise(comEvReceive);
        if (removedCount() == before) {
            // The handler leaves the data waiting (receiving is suspended): the line
            // events still go out; the data waits for rearmReceive() or new data.
            std::deque<PendingEvent> events;
            {
                QMutexLocker lock(&shared_->mutex);
                events.swap(shared_->events);
            }
            for (const PendingEvent &e : events)
                deliver(e);
            break;
        }
        // One batch per turn of the event loop, so timers and user input run between.
        QMutexLocker lock(&shared_->mutex);
        more = !shared_->data.isEmpty() || !shared_->events.empty();
        break;
    }
    dispatching_ = false;
    if (more || std::exchange(dispatchAgain_, false))
        queueDispatch();
}

} // namespace

std::unique_ptr<CommPort> makeQtCommPort()
{
    return std::make_unique<QtCommPort>();
}
