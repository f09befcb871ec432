#include "platform/networkworker.h"

#include "platform/networklink.h"
#include "platform/termination.h"

#include <QEventLoop>
#include <QTimer>

NetworkWorker::NetworkWorker(std::shared_ptr<PortShared> shared) : PortWorker(std::move(shared)) {}

NetworkWorker::~NetworkWorker()
{
    close();
}

Outcome NetworkWorker::open(const OpenRequest &request)
{
    close();
    label_ = request.address.toString();
    if (!outputPoll_) {
        outputPoll_ = new QTimer(this);
        outputPoll_->setInterval(kOutputPollMs);
        QObject::connect(outputPoll_, &QTimer::timeout, this, [this] { measureOutput(); });
    }
    auto *link = new NetworkLink(this);
    QObject::connect(link, &NetworkLink::received, this, &NetworkWorker::received);
    QObject::connect(link, &NetworkLink::deviceLost, this, &NetworkWorker::lost);
    QObject::connect(link, &NetworkLink::outputShrank, this, [this] { measureOutput(); });
    QObject::connect(link, &NetworkLink::notice, this, [this](const QString &text) {
        if (onNotice)
            onNotice(named(text));
    });
    // The front waits for the answer; the link's own bounds end the wait.
    QString failure;
    bool answered = false;
    QEventLoop wait;
    QObject::connect(link, &NetworkLink::opened, &wait, [&](const QString &why) {
        failure = why;
        answered = true;
        wait.quit();
    });
    const auto protocol = request.address.kind == PortAddress::Kind::Rfc2217
                              ? NetworkLink::Protocol::Rfc2217
                              : NetworkLink::Protocol::Raw;
    link->open(protocol, request.address.host, request.address.port, request.settings);
    if (!answered)
        wait.exec(QEventLoop::ExcludeUserInputEvents);
    QObject::disconnect(link, &NetworkLink::opened, &wait, nullptr);
    if (!failure.isEmpty() || !link->isOpen()) {
        delete link;
        return {PortError::Unreachable, named(failure), failure};
    }
    link_ = link;
    ++openCount_;
    dtr_ = rts_ = link_->hasPortControl();
    paused_ = false;
    // Nothing is known of the server's pace until it has taken some output.
    resetMeter(DrainMeter::Floor);
    setOpen(true);
    return {PortError::None, appliedText(), {}};
}

QString NetworkWorker::named(const QString &text) const
{
    return text.contains(label_) ? text : label_ + QStringLiteral(": ") + text;
}

QString NetworkWorker::appliedText() const
{
    if (!link_)
        return label_;
    if (!link_->hasPortControl())
        return label_ + QStringLiteral(": raw bytes, the line settings are the server's");
    return link_->detail();
}

Outcome NetworkWorker::apply(const PortSettings &settings)
{
    if (!link_)
        return {PortError::NotOpen, {}, {}};
    // A server without port control keeps its own settings; the data still flows.
    (void)link_->apply(settings);
    return {PortError::None, appliedText(), {}};
}

void NetworkWorker::close()
{
    if (outputPoll_)
        outputPoll_->stop();
    if (link_) {
        NetworkLink *link = std::exchange(link_, nullptr);
        link->disconnect(this);
        link->close();
        // May run inside one of the link's own signals.
        link->deleteLater();
        setOpen(false);
    }
    clearOutgoing();
}

qint64 NetworkWorker::closeDraining(const PortSettings &settings)
{
    takeOutgoing();
    qint64 left = measureOutput();
    if (left > 0) {
        // The server's measured pace, else the nominal rate of its line.
        const qint64 rate =
            qMax<qint64>(drainRate().value_or(settings.baud / bitsPerByte(settings)), 1);
        const qint64 budgetMs = drainBudgetMs(left, rate);
        const quint32 requests = terminationRequests();
        QElapsedTimer clock;
        clock.start();
        QEventLoop wait;
        while (link_ && left > 0 && clock.elapsed() < budgetMs &&
               terminationRequests() == requests) {
            // The socket writes from the event loop.
            QTimer::singleShot(kOutputPollMs, &wait, &QEventLoop::quit);
            wait.exec(QEventLoop::ExcludeUserInputEvents);
            left = measureOutput();
        }
    }
    close();
    return left;
}

void NetworkWorker::takeOutgoing()
{
    const QByteArray chunk = takeOutgoingBytes();
    if (link_ && !chunk.isEmpty())
        (void)link_->write(chunk);
    measureOutput();
}

qint64 NetworkWorker::measureOutput()
{
    const qint64 now = link_ ? link_->pendingOutput() : 0;
    if (link_)
        meterOutput(link_->handedOutput(), now);
    noteOutput(now);
    // The socket says when it wrote to the kernel, not when the server took it.
    if (outputPoll_) {
        if (now == 0)
            outputPoll_->stop();
        else if (!outputPoll_->isActive())
            outputPoll_->start();
    }
    return now;
}

void NetworkWorker::received(const QByteArray &data, const QList<LineEventAt> &events)
{
    qsizetype at = 0;
    for (const LineEventAt &e : events) {
        deliver(data.mid(at, e.position - at), true);
        at = e.position;
        addEvent(e.event);
    }
    deliver(at == 0 ? data : data.mid(at), true);
    // The link holds at most its read buffer more; TCP holds the server back meanwhile.
    if (link_ && !paused_ && receiveRoom() == 0) {
        paused_ = true;
        link_->setReceivePaused(true);
    }
}

void NetworkWorker::pump()
{
    if (link_ && paused_ && receiveRoom() > 0) {
        paused_ = false;
        link_->setReceivePaused(false);
    }
}

void NetworkWorker::lost(const QString &why)
{
    close();
    addLoss(named(why));
}

bool NetworkWorker::setLine(OutputLine which, bool on)
{
    if (!link_ || !link_->setLine(which, on))
        return false;
    (which == OutputLine::Dtr ? dtr_ : rts_) = on;
    return true;
}

bool NetworkWorker::line(OutputLine which) const
{
    return link_ && (which == OutputLine::Dtr ? dtr_ : rts_);
}

bool NetworkWorker::startBreak(std::chrono::milliseconds length)
{
    if (!link_ || !link_->setBreak(true))
        return false;
    QTimer::singleShot(length, this, [this, opened = openCount_] {
        if (link_ && openCount_ == opened)
            (void)link_->setBreak(false);
    });
    return true;
}
