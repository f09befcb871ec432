#include "tests/support/fakecommport.h"

#include "platform/portnames.h"

#include <QRegularExpression>

#include <limits>
#include <utility>

bool FakeCommPort::setSettings(const QString &s)
{
    static const QRegularExpression valid(QStringLiteral("^\\d+,[nNeEoOmMsS],[5-8],(1|1\\.5|2)$"));
    const qint64 baud = s.section(u',', 0, 0).toLongLong();
    if (!valid.match(s).hasMatch() || baud < kLowestBaud ||
        baud > std::numeric_limits<qint32>::max()) {
        error_ = {380, QStringLiteral("Invalid property value")};
        return false;
    }
    settings = s;
    return true;
}

bool FakeCommPort::setCommPort(int p)
{
    if (!isComNumber(p)) {
        error_ = {8002, QStringLiteral("Invalid port number")};
        return false;
    }
    port = p;
    return true;
}

bool FakeCommPort::setPortOpen(bool open)
{
    if (open == open_) {
        if (open) {
            error_ = {8005, QStringLiteral("Port already open")};
            return false;
        }
        return true;
    }
    if (open && refuseOpen) {
        error_ = {8005, QStringLiteral("Port already open")};
        return false;
    }
    open_ = open;
    open ? ++opens : ++closes;
    dtr = rts = open; // as the system raises them at an open
    queued_.clear();
    return true;
}

qint64 FakeCommPort::output(const QByteArray &bytes)
{
    if (!requireOpen())
        return 0;
    (deviceReads ? written : queued_) += bytes;
    if (onOutput)
        onOutput();
    return bytes.size();
}

qint64 FakeCommPort::outputLimit() const
{
    const qint64 baud = settings.section(u',', 0, 0).toLongLong();
    return outputLimitFor(baud > 0 ? baud : 9600);
}

qint64 FakeCommPort::closeDraining()
{
    const qint64 discarded = queued_.size();
    (void)setPortOpen(false);
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

void FakeCommPort::rearmReceive()
{
    if (!waiting_.isEmpty())
        raise(comEvReceive);
}

void FakeCommPort::injectData(const QByteArray &bytes)
{
    waiting_.append({bytes, {{0, arrivalNow()}}});
    raise(comEvReceive);
}

void FakeCommPort::injectEvent(int code)
{
    raise(code);
}

void FakeCommPort::loseDevice(const QString &reason)
{
    if (!open_)
        return;
    open_ = false;
    ++closes;
    queued_.clear();
    detail_ = reason;
    raise(comEventDeviceLost);
}

void FakeCommPort::raise(int code)
{
    event_ = code;
    emit onComm();
}

bool FakeCommPort::requireOpen()
{
    if (!open_)
        error_ = {8018, QStringLiteral("Operation valid only when the port is open")};
    return open_;
}

bool FakeCommPort::setLine(bool &line, bool on)
{
    if (!requireOpen())
        return false;
    line = on;
    return true;
}

bool FakeCommPort::sendBreak(int ms)
{
    if (!requireOpen())
        return false;
    breaks.append(ms);
    return true;
}
