#pragma once

#include <QByteArray>
#include <QString>

class QFile;

#include <optional>

// The outcome of replacing a file: empty error on success, otherwise why it failed (the
// system's reason, such as "No space left on device" or "Permission denied").
struct [[nodiscard]] WriteResult
{
    QString error;
    explicit operator bool() const { return error.isEmpty(); }
};

// Replaces the file at path with data without ever leaving a half-written file: the
// old file stays intact when anything fails.
WriteResult writeFileSafely(const QString &path, const QByteArray &data);

// Opens file (named already) for reading without ever waiting: anything but a regular file
// is refused, a FIFO or a device with "Not a regular file", so that no writer or carrier is
// waited for. False with the reason in *error.
[[nodiscard]] bool openRegularFile(QFile &file, QString *error = nullptr);

// Reads a whole regular file (openRegularFile); nothing when it cannot be read, with the
// reason in *error.
std::optional<QByteArray> readWholeFile(const QString &path, QString *error = nullptr);

// The one message for a file the user asked to save that was not saved, and for one the
// user asked to load that could not be read.
QString saveFailedMessage(const QString &path, const QString &reason);
QString readFailedMessage(const QString &path, const QString &reason);

// Whether two paths name the same file, however spelt (links, "..", hard links): the same
// file when both exist, else the same place once the folders' links are resolved.
bool isSameFile(const QString &a, const QString &b);
