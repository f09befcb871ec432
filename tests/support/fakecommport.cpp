#include "tests/support/fakecommport.h"

#include "platform/portnames.h"

#include <utility>

namespace {

// As a serial port: a rate never used, and 1.5 stop bits, which termios lacks.
PortError settingsError(const PortSettings &s)
{
    return s.baud < kLowestBaud                 ? PortError::BadSettings
           : s.stopBits == StopBits::OneAndHalf ? PortError::Unsupported
                                                : PortError::None;
}

} // namespace

PortFailure FakeCommPort::open(const PortAddress &a, const PortSettings &s)
{
    if (settingsError(s) != PortError::None)
        return {settingsError(s), {}};
    if (a.kind == PortAddress::Kind::Com && !isComNumber(a.com))
        return {PortError::NoSuchPort, {}};
    if (open_ || refuseOpen)
        return {PortError::Busy, {}};
    address = a;
    settings = s;
    open_ = true;
    ++opens;
    dtr = rts = true; // as the system raises them at an open
    queued_.clear();
    return {};
}

PortFailure FakeCommPort::apply(const PortSettings &s)
{
    if (settingsError(s) != PortError::None)
        return {settingsError(s), {}};
    if (!open_)
        return {PortError::NotOpen, {}};
    settings = s;
    return {};
}

void FakeCommPort::close()
{
    if (!std::exchange(open_, false))
        return;
    ++closes;
    dtr = rts = false;
    queued_.clear();
}

qint64 FakeCommPort::write(QByteArrayView bytes)
{
    if (!open_)
        return 0;
    (deviceReads ? written : queued_).append(bytes);
    if (onOutput)
        onOutput();
    return bytes.size();
}

qint64 FakeCommPort::closeDraining()
{
    const qint64 discarded = queued_.size();
    close();
    return discarded;
}

void FakeCommPort::deviceTakes(qsizetype n)
{
    n = qMin(n, queued_.size());
    if (n <= 0)
        return;
    written += queued_.left(n);
    queued_.remove(0, n);
    emit outputShrank();
}

Received FakeCommPort::takeReceived()
{
    return std::exchange(waiting_, Received());
}

void FakeCommPort::resumeReading()
{
    if (!waiting_.isEmpty())
        emit dataReady();
}

void FakeCommPort::injectData(const QByteArray &bytes)
{
    waiting_.append({bytes, {{0, arrivalNow()}}});
    emit dataReady();
}

void FakeCommPort::injectEvent(LineEvent event)
{
    emit lineEvent(event);
}

void FakeCommPort::loseDevice(const QString &reason)
{
    if (!open_)
        return;
    close();
    detail_ = reason;
    emit deviceLost(reason);
}

bool FakeCommPort::setLine(OutputLine which, bool on)
{
    if (!open_)
        return false;
    (which == OutputLine::Dtr ? dtr : rts) = on;
    return true;
}

bool FakeCommPort::sendBreak(std::chrono::milliseconds length)
{
    if (!open_)
        return false;
    breaks.append(int(length.count()));
    return true;
}
