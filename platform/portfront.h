#pragma once

#include "platform/portworker.h"

#include <QThread>
#include <QTimer>

class NetworkWorker;
class SerialWorker;

// The port on the window's thread: gathers output for the port thread, hands received
// bytes over up to the next event, and signals the events in arrival order. The connection
// itself is a worker's (portworker.h), which runs on the port thread.
class PortFront : public CommPort
{
public:
    PortFront();
    ~PortFront() override;

    PortFailure open(const PortAddress &address, const PortSettings &settings) override;
    PortFailure apply(const PortSettings &settings) override;
    void close() override;
    qint64 closeDraining() override;
    bool isOpen() const override { return open_ && shared_->deviceOpen; }
    qint64 write(QByteArrayView bytes) override;
    qint64 pendingOutput() const override;
    qint64 outputLimit() const override;
    Received takeReceived() override;
    qint64 bytesWaiting() const override;
    void resumeReading() override;
    bool setLine(OutputLine which, bool on) override
    {
        return onWorker([&] { return worker_->setLine(which, on); });
    }
    bool line(OutputLine which) const override
    {
        return onWorker([&] { return worker_->line(which); });
    }
    bool sendBreak(std::chrono::milliseconds length) override
    {
        return onWorker([&] { return worker_->startBreak(length); });
    }
    QString detail() const override { return detail_; }

private:
    // Runs a short call on the port thread and waits for its answer; false while closed.
    template <typename F> bool onWorker(F call) const
    {
        bool result = false;
        if (isOpen())
            QMetaObject::invokeMethod(
                worker_, [&] { result = call(); }, Qt::BlockingQueuedConnection);
        return result;
    }
    // Sets the detail and says the refusal.
    PortFailure refuse(PortError error, const QString &detail, const QString &systemText = {});
    PortFailure refuseBaud(qint32 baud);
    // The worker for the kind of port an address names.
    PortWorker *workerFor(const PortAddress &address) const;

    void dispatch();
    void queueDispatch();
    void deliver(const PendingEvent &event);
    // Events of a port that was closed are stale; its received bytes are kept.
    void dropEvents();
    qint64 removedCount() const;
    // Passes what write() took to the port thread.
    void handOver();

    std::shared_ptr<PortShared> shared_ = std::make_shared<PortShared>();
    QThread thread_;
    SerialWorker *serial_ = nullptr;
    NetworkWorker *network_ = nullptr;
    PortWorker *worker_ = nullptr; // serial_ or network_: the one in use
    PortSettings settings_;
    bool open_ = false;
    QString detail_;
    bool dispatching_ = false;
    bool dispatchAgain_ = false;
    QTimer handOverTimer_;
};
