#include "terminal/sessionlog.h"

#include "terminal/terminalviews.h"

#include <QDir>
#include <QFileInfo>

namespace {

constexpr qint64 kNameCheckMs = 1000;

QString shown(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

} // namespace

SessionLog::SessionLog(StatusLog &status, Clock clock) : status_(status), clock_(std::move(clock))
{
}

bool SessionLog::open(const QString &path)
{
    close();
    file_.setFileName(QFileInfo(path).absoluteFilePath());
    if (!file_.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered)) {
        status_.add(QStringLiteral("Log not opened: %1: %2")
                        .arg(shown(file_.fileName()), file_.errorString()));
        return false;
    }
    written_ = 0;
    atLineStart_ = true;
    sinceNameCheck_.start();
    status_.add(QStringLiteral("Logging to %1").arg(shown(file_.fileName())));
    if (onOpenChanged)
        onOpenChanged(true);
    return true;
}

void SessionLog::close()
{
    if (!file_.isOpen())
        return;
    file_.close();
    status_.add(QStringLiteral("Log closed (%1 bytes)").arg(written_));
    if (onOpenChanged)
        onOpenChanged(false);
}

void SessionLog::stop(const QString &reason)
{
    file_.close();
    status_.add(QStringLiteral("Log stopped: %1: %2").arg(shown(file_.fileName()), reason));
    if (onOpenChanged)
        onOpenChanged(false);
}

void SessionLog::write(QByteArrayView bytes, const QDateTime &arrived)
{
    if (!file_.isOpen() || bytes.isEmpty())
        return;
    if (sinceNameCheck_.elapsed() >= kNameCheckMs) {
        sinceNameCheck_.start();
        if (!QFileInfo::exists(file_.fileName()))
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
    // A write cut short says why only when it is tried again.
    while (!bytes.isEmpty()) {
        const qint64 n = file_.write(bytes.data(), bytes.size());
        if (n <= 0)
            return stop(file_.errorString());
        written_ += n;
        bytes = bytes.sliced(n);
    }
}
