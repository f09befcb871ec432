#include "terminal/sessionlog.h"

#include "platform/savefile.h"
#include "terminal/terminalviews.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSocketNotifier>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr qint64 kNameCheckMs = 1000;

QString shown(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

QString systemReason(int error)
{
    if (error == EPIPE)
        return QStringLiteral("reader gone");
    return QString::fromLocal8Bit(std::strerror(error));
}

} // namespace

SessionLog::SessionLog(StatusLog &status, Clock clock) : status_(status), clock_(std::move(clock))
{
}

SessionLog::~SessionLog()
{
    room_.reset();
    release();
}

void SessionLog::protect(const QString &path, const QString &what)
{
    protected_.append({path, what});
}

bool SessionLog::open(const QString &path)
{
    close();
    const QString absolute = QFileInfo(path).absoluteFilePath();
    const auto refuse = [&](const QString &reason) {
        status_.add(QStringLiteral("Log not opened: %1: %2").arg(shown(absolute), reason));
        return false;
    };
    for (const auto &[file, what] : std::as_const(protected_))
        if (isSameFile(absolute, file))
            return refuse(QStringLiteral("it is the %1").arg(what));
    // Never waits: a FIFO without a reader fails at once instead of holding start-up.
    const int fd = ::open(QFile::encodeName(absolute).constData(),
                          O_WRONLY | O_APPEND | O_CREAT | O_NONBLOCK | O_CLOEXEC, 0666);
    if (fd < 0)
        return refuse(errno == ENXIO ? QStringLiteral("no reader") : systemReason(errno));
    struct stat st = {};
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
        // A file takes every write whole, at once: no byte waits in memory.
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    } else {
        room_ = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Write);
        room_->setEnabled(false);
        QObject::connect(room_.get(), &QSocketNotifier::activated, room_.get(),
                         [this] { writeWaiting(); });
    }
    fd_ = fd;
    path_ = absolute;
    written_ = 0;
    atLineStart_ = true;
    sinceNameCheck_.start();
    status_.add(QStringLiteral("Logging to %1").arg(shown(path_)));
    if (onOpenChanged)
        onOpenChanged(true);
    return true;
}

void SessionLog::close()
{
    finish(false);
}

void SessionLog::closeForExit()
{
    finish(true);
}

void SessionLog::finish(bool alsoToStderr)
{
    // A reader gets a short chance to take what waits; the window does not wait longer.
    QElapsedTimer grace;
    grace.start();
    while (isOpen() && waiting() > 0) {
        pollfd p{fd_, POLLOUT, 0};
        const int left = kCloseGraceMs - int(grace.elapsed());
        if (left <= 0 || ::poll(&p, 1, left) <= 0)
            break;
        writeWaiting(); // may stop the log: a reader gone says so in its own line
    }
    if (!isOpen())
        return;
    const qint64 lost = waiting();
    release();
    const QString line =
        lost > 0 ? QStringLiteral("Log closed (%1 bytes, %2 bytes the reader did not take)")
                       .arg(written_)
                       .arg(lost)
                 : QStringLiteral("Log closed (%1 bytes)").arg(written_);
    status_.add(line);
    if (alsoToStderr && lost > 0)
        std::fprintf(stderr, "orvo232: %s: %s\n", qPrintable(shown(path_)), qPrintable(line));
    if (onOpenChanged)
        onOpenChanged(false);
}

void SessionLog::stop(const QString &reason, qint64 alsoLost)
{
    const qint64 lost = waiting() + alsoLost;
    release();
    QString line = QStringLiteral("Log stopped: %1: %2").arg(shown(path_), reason);
    if (lost > 0)
        line += QStringLiteral(" (%1 bytes not written)").arg(lost);
    status_.add(line);
    if (onOpenChanged)
        onOpenChanged(false);
}

void SessionLog::release()
{
    // This may run inside the notifier's own signal: it goes once that has returned.
    if (room_) {
        room_->setEnabled(false);
        room_->disconnect();
        room_.release()->deleteLater();
    }
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
    waiting_.clear();
    waitingFrom_ = 0;
}

void SessionLog::write(QByteArrayView bytes, const QDateTime &arrived)
{
    if (!isOpen() || bytes.isEmpty())
        return;
    if (!room_ && sinceNameCheck_.elapsed() >= kNameCheckMs) {
        sinceNameCheck_.start();
        if (!QFileInfo::exists(path_))
            return stop(QStringLiteral("file removed"));
    }
    if (!timestamps_) {
        atLineStart_ = bytes.back() == '\n';
        return put(bytes);
    }
    // One event's bytes all arrived at the same moment.
    const QByteArray stamp = (arrived.isValid() ? arrived : clock_())
                                 .toString(QStringLiteral("[yyyy-MM-dd HH:mm:ss.zzz] "))
                                 .toLatin1();
    QByteArray out;
    out.reserve(bytes.size() + stamp.size());
    while (!bytes.isEmpty()) {
        if (atLineStart_)
            out.append(stamp);
        const qsizetype lf = bytes.indexOf('\n');
        const qsizetype n = lf < 0 ? bytes.size() : lf + 1;
        out.append(bytes.first(n));
        bytes = bytes.sliced(n);
        atLineStart_ = lf >= 0;
    }
    put(out);
}

void SessionLog::put(QByteArrayView bytes)
{
    // Behind bytes that wait, in order.
    if (waiting() > 0)
        return keep(bytes);
    // A write cut short says why only when it is tried again.
    while (!bytes.isEmpty()) {
        const ssize_t n = ::write(fd_, bytes.data(), size_t(bytes.size()));
        if (n > 0) {
            written_ += n;
            bytes = bytes.sliced(n);
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            return keep(bytes);
        } else {
            return stop(systemReason(n < 0 ? errno : EIO));
        }
    }
}

void SessionLog::keep(QByteArrayView bytes)
{
    if (!room_ || waiting() + bytes.size() > kMaxWaiting)
        return stop(QStringLiteral("reader too slow"), bytes.size());
    // What was written is dropped from the front only once it is most of the buffer, so
    // each byte is moved a bounded number of times.
    if (waitingFrom_ > 0 && waitingFrom_ >= waiting_.size() / 2) {
        waiting_.remove(0, waitingFrom_);
        waitingFrom_ = 0;
    }
    waiting_.append(bytes);
    room_->setEnabled(true);
}

void SessionLog::writeWaiting()
{
    while (waiting() > 0) {
        const ssize_t n = ::write(fd_, waiting_.constData() + waitingFrom_, size_t(waiting()));
        if (n > 0) {
            written_ += n;
            waitingFrom_ += n;
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            return;
        } else {
            return stop(systemReason(n < 0 ? errno : EIO));
        }
    }
    waiting_.clear();
    waitingFrom_ = 0;
    if (room_)
        room_->setEnabled(false);
}

void SessionLog::write(const Received &received)
{
    if (!timestamps_ || received.marks.isEmpty())
        return write(received.bytes);
    received.forEachRun(
        [this](QByteArrayView run, ArrivalTime at) { write(run, localDateTime(at)); });
}
