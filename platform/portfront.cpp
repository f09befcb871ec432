#include "platform/portfront.h"

#include "platform/networkworker.h"
#include "platform/portnames.h"
#include "platform/qtcommport.h"
#include "platform/serialworker.h"

#include <QMutexLocker>

#include <utility>

PortFront::PortFront()
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
    connect(&handOverTimer_, &QTimer::timeout, this, &PortFront::handOver);
    serial_ = new SerialWorker(shared_);
    network_ = new NetworkWorker(shared_);
    network_->onNotice = [this](const QString &text) {
        QMetaObject::invokeMethod(
            this, [this, text] { emit notice(text); }, Qt::QueuedConnection);
    };
    for (PortWorker *w :
         {static_cast<PortWorker *>(serial_), static_cast<PortWorker *>(network_)}) {
        w->moveToThread(&thread_);
        connect(&thread_, &QThread::finished, w, &QObject::deleteLater);
    }
    worker_ = serial_;
    thread_.setObjectName(QStringLiteral("serial port"));
    thread_.start();
}

PortFront::~PortFront()
{
    QMetaObject::invokeMethod(
        worker_, [w = worker_] { w->close(); }, Qt::BlockingQueuedConnection);
    thread_.quit();
    thread_.wait();
}

PortFailure PortFront::refuse(PortError error, const QString &detail, const QString &systemText)
{
    detail_ = detail;
    return {error, systemText};
}

PortFailure PortFront::refuseBaud(qint32 baud)
{
    return refuse(PortError::BadSettings,
                  QStringLiteral("%1 baud: below %2 baud, the lowest rate a port is used at")
                      .arg(baud)
                      .arg(kLowestBaud));
}

PortWorker *PortFront::workerFor(const PortAddress &address) const
{
    return address.isNetwork() ? static_cast<PortWorker *>(network_) : serial_;
}

PortFailure PortFront::open(const PortAddress &address, const PortSettings &settings)
{
    if (isOpen())
        return {PortError::Busy, {}};
    // Closed by a device loss the window has not heard of yet: that news is stale now.
    open_ = false;
    dropEvents();
    if (settings.baud < kLowestBaud)
        return refuseBaud(settings.baud);
    settings_ = settings;

    OpenRequest request{address, {}, {}, settings};
    switch (address.kind) {
    case PortAddress::Kind::Com:
        request.device = comPortDevice(address.com);
        request.label = QStringLiteral("COM%1").arg(address.com);
        if (request.device.isEmpty())
            return refuse(PortError::NoSuchPort,
                          request.label + QStringLiteral(": no such serial device"));
        request.label += QStringLiteral(" (%1)").arg(request.device);
        break;
    case PortAddress::Kind::Device:
        request.device = request.label = address.path;
        break;
    case PortAddress::Kind::Tcp:
    case PortAddress::Kind::Rfc2217:
        break;
    }
    worker_ = workerFor(address);
    Outcome opened;
    QMetaObject::invokeMethod(
        worker_, [&] { opened = worker_->open(request); }, Qt::BlockingQueuedConnection);
    detail_ = opened.text;
    if (!opened.ok())
        return {opened.error, opened.systemText};
    open_ = true;
    return {};
}

PortFailure PortFront::apply(const PortSettings &settings)
{
    if (settings.baud < kLowestBaud)
        return refuseBaud(settings.baud);
    if (!isOpen())
        return {PortError::NotOpen, {}};
    Outcome applied;
    QMetaObject::invokeMethod(
        worker_, [&] { applied = worker_->apply(settings); }, Qt::BlockingQueuedConnection);
    detail_ = applied.text;
    if (!applied.ok())
        return {applied.error, applied.systemText};
    settings_ = settings;
    return {};
}

void PortFront::close()
{
    if (!open_)
        return;
    QMetaObject::invokeMethod(
        worker_, [w = worker_] { w->close(); }, Qt::BlockingQueuedConnection);
    open_ = false;
    dropEvents();
}

qint64 PortFront::closeDraining()
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

qint64 PortFront::write(QByteArrayView bytes)
{
    if (!isOpen())
        return 0;
    qint64 taken = 0;
    bool now = false;
    {
        QMutexLocker lock(&shared_->mutex);
        PortShared &s = *shared_;
        taken = qBound<qint64>(0, kSendCap - s.outgoing.size() - s.queued, bytes.size());
        s.outgoing.append(bytes.data(), qsizetype(taken));
        // Byte-by-byte sends would wake the port thread for every byte: small writes
        // are gathered until half the output limit, until the sender is about to wait,
        // or for a millisecond.
        const qint64 limit = s.outputLimit;
        now = s.outgoing.size() >= limit / 2 || s.outgoing.size() + s.queued >= limit;
    }
    if (now)
        handOver();
    else if (taken > 0 && !handOverTimer_.isActive())
        handOverTimer_.start();
    return taken;
}

void PortFront::handOver()
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

qint64 PortFront::pendingOutput() const
{
    QMutexLocker lock(&shared_->mutex);
    return shared_->outgoing.size() + shared_->queued;
}

qint64 PortFront::outputLimit() const
{
    return shared_->outputLimit;
}

std::unique_ptr<CommPort> makeQtCommPort()
{
    return std::make_unique<PortFront>();
}
