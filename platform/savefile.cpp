#include "platform/savefile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Where a file that does not exist would be made: links followed to their end, the
// folder's own links resolved.
QString placeOf(const QString &path)
{
    QFileInfo f(path);
    constexpr int kMostHops = 40; // the kernel gives up on a chain of links there too
    for (int hops = 0; f.isSymLink() && hops < kMostHops; ++hops)
        f = QFileInfo(f.symLinkTarget());
    const QString folder = QFileInfo(f.absolutePath()).canonicalFilePath();
    return (folder.isEmpty() ? QDir::cleanPath(f.absolutePath()) : folder) + u'/' + f.fileName();
}

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

bool openRegularFile(QFile &file, QString *error)
{
    const auto fail = [error](const QString &reason) {
        if (error)
            *error = reason;
        return false;
    };
    // Without O_NONBLOCK a FIFO would not open before a writer came.
    const int fd =
        ::open(QFile::encodeName(file.fileName()).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return fail(qt_error_string(errno));
    struct stat st = {};
    if (::fstat(fd, &st) != 0) {
        const int err = errno;
        ::close(fd);
        return fail(qt_error_string(err));
    }
    if (!S_ISREG(st.st_mode)) {
        ::close(fd);
        // A folder is refused with the reason QFile gives.
        return fail(S_ISDIR(st.st_mode)
                        ? QCoreApplication::translate("QIODevice", "file to open is a directory")
                        : QStringLiteral("Not a regular file"));
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    // The file owns the descriptor from here on.
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle))
        return fail(reasonOf(file));
    return true;
}

std::optional<QByteArray> readWholeFile(const QString &path, QString *error)
{
    QFile f(path);
    if (!openRegularFile(f, error))
        return std::nullopt;
    QByteArray bytes = f.readAll();
    if (f.error() == QFileDevice::NoError)
        return bytes;
    if (error)
        *error = reasonOf(f);
    return std::nullopt;
}

QString saveFailedMessage(const QString &path, const QString &reason)
{
    return QStringLiteral("Could not save %1:\r\n%2").arg(QDir::toNativeSeparators(path), reason);
}

QString readFailedMessage(const QString &path, const QString &reason)
{
    return QStringLiteral("Could not read %1:\r\n%2").arg(QDir::toNativeSeparators(path), reason);
}

bool isSameFile(const QString &a, const QString &b)
{
    struct stat sa = {}, sb = {};
    const bool aExists = ::stat(QFile::encodeName(a).constData(), &sa) == 0;
    const bool bExists = ::stat(QFile::encodeName(b).constData(), &sb) == 0;
    if (aExists || bExists)
        return aExists && bExists && sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
    return placeOf(a) == placeOf(b);
}
