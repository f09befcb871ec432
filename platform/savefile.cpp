#include "platform/savefile.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>

namespace {

QString reasonOf(const QFileDevice &f)
{
    const QString reason = f.errorString();
    return reason.isEmpty() ? QStringLiteral("Unknown error") : reason;
}

} // namespace

WriteResult writeFileSafely(const QString &path, const QByteArray &data)
{
    QSaveFile f(path);
    // Unbuffered, so that each write reaches the system and a failure carries its reason.
    if (!f.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return {reasonOf(f)};
    // A short write (at a file size limit, on a full disk) reports no error of its own;
    // writing the rest again fails with the system's reason.
    for (qint64 done = 0; done < data.size();) {
        const qint64 n = f.write(data.constData() + done, data.size() - done);
        if (n <= 0) {
            const QString reason = reasonOf(f);
            f.cancelWriting();
            return {reason};
        }
        done += n;
    }
    if (!f.commit())
        return {reasonOf(f)};
    return {};
}

std::optional<QByteArray> readWholeFile(const QString &path, QString *error)
{
    QFile f(path);
    if (f.open(QIODevice::ReadOnly)) {
        QByteArray bytes = f.readAll();
        if (f.error() == QFileDevice::NoError)
            return bytes;
    }
    if (error)
        *error = reasonOf(f);
    return std::nullopt;
}

QString saveFailedMessage(const QString &path, const QString &reason)
{
    return QStringLiteral("Could not save %1:\r\n%2").arg(QDir::toNativeSeparators(path), reason);
}
