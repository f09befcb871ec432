#include "scripting/headlesssession.h"

#include <QTimer>

#include <chrono>

HeadlessSession::HeadlessSession(std::unique_ptr<CommPort> port, std::FILE *out, std::FILE *err,
                                 QObject *parent)
    : QObject(parent), port_(std::move(port)), out_(out), err_(err), hub_(port_.get()), log_(*this),
      runner_(*this)
{
    // The log first: it has every byte before the script may end on one.
    hub_.attach(log_);
    hub_.attach(*this);
    CommPort *p = port_.get();
    connect(p, &CommPort::dataReady, this, [this] { hub_.take(); });
    connect(p, &CommPort::deviceLost, this, [this](const QString &why) {
        hub_.take(true);
        printError(QStringLiteral("Port lost: %1").arg(why.section(u'\n', 0, 0).trimmed()));
    });
    connect(&runner_, &ScriptRunner::ended, this, &HeadlessSession::scriptEnded);
}

HeadlessSession::~HeadlessSession()
{
    close();
}

bool HeadlessSession::openPort(const PortAddress &address, const PortSettings &settings)
{
    if (const PortFailure failure = port_->open(address, settings); !failure.ok()) {
        // The detail names the port and says why, as the window's lamp does.
        QString why = port_->detail();
        if (why.isEmpty())
            why = address.toString() + QStringLiteral(": ") + failure.systemText;
        printError(QStringLiteral("Port not opened: %1").arg(why));
        return false;
    }
    settings_ = settings;
    return true;
}

void HeadlessSession::start(const QString &path, const QStringList &args)
{
    runner_.start(path, args);
}

void HeadlessSession::stop(int exitCode)
{
    if (stopCode_ || ended_)
        return;
    stopCode_ = exitCode;
    runner_.stop();
    // A script inside a call that never returns (io.read) does not hold the program.
    QTimer::singleShot(kStopGraceMs, this, [this] { end(*stopCode_); });
}

void HeadlessSession::close()
{
    if (port_->isOpen()) {
        // Stopped by a signal, the user wants the end now, not the output still queued.
        qint64 discarded = 0;
        if (stopCode_) {
            discarded = port_->pendingOutput();
            port_->close();
        } else {
            discarded = port_->closeDraining();
        }
        if (discarded > 0)
            printError(
                QStringLiteral("Output discarded at close: %1 bytes not sent").arg(discarded));
    }
    hub_.take(true);
    log_.close();
}

void HeadlessSession::scriptEnded(const ScriptOutcome &outcome)
{
    if (outcome.end == ScriptOutcome::End::Failed)
        printError(outcome.error);
    end(stopCode_.value_or(outcome.exitCode));
}

void HeadlessSession::end(int exitCode)
{
    if (!std::exchange(ended_, true))
        emit finished(exitCode);
}

std::optional<qint64> HeadlessSession::send(const QByteArray &bytes)
{
    qint64 done = 0;
    while (done < bytes.size() && port_->isOpen() && !stopCode_) {
        const qint64 limit = port_->outputLimit();
        const qint64 pending = port_->pendingOutput();
        if (pending >= limit) {
            // The port wakes this wait when its queue falls below the limit; a lost port and
            // a stop are events too.
            if (!pacer_.waitForEvents())
                break;
            continue;
        }
        const qint64 n = qMin(limit - pending, bytes.size() - done);
        const qint64 took = port_->write(QByteArrayView(bytes).sliced(done, n));
        done += took;
        if (took < n)
            break;
    }
    return done;
}

bool HeadlessSession::setDtr(bool on)
{
    return port_->setLine(OutputLine::Dtr, on);
}

bool HeadlessSession::setRts(bool on)
{
    return port_->setLine(OutputLine::Rts, on);
}

bool HeadlessSession::sendBreak(int ms)
{
    return port_->sendBreak(std::chrono::milliseconds(ms));
}

bool HeadlessSession::setLineSettings(const PortSettings &settings)
{
    if (!port_->apply(settings).ok())
        return false;
    settings_ = settings;
    return true;
}

void HeadlessSession::output(const QByteArray &text)
{
    // Each line at once: a reader of a pipe follows the run as it goes.
    std::fwrite(text.constData(), 1, size_t(text.size()), out_);
    std::fputc('\n', out_);
    std::fflush(out_);
}

void HeadlessSession::received(const Received &bytes)
{
    runner_.received(bytes.bytes);
}

void HeadlessSession::add(const QString &line)
{
    printError(line);
}

void HeadlessSession::printError(const QString &line)
{
    std::fprintf(err_, "orvo232: %s\n", line.toLocal8Bit().constData());
    std::fflush(err_);
}
