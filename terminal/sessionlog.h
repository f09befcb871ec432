#pragma once

#include "platform/received.h"
#include "terminal/receivehub.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QDateTime>
#include <QElapsedTimer>
#include <QList>
#include <QString>

#include <functional>
#include <memory>

class QSocketNotifier;
class StatusLog;

// The log of a session: every byte taken from the port is appended to a file, unchanged,
// whatever the panes and the capture make of it. Into a regular file each receive event is
// written at once (`tail -f` follows, nothing waits in memory at a crash). A pipe or FIFO
// never holds the window up: what its reader has not taken yet waits in memory, up to
// kMaxWaiting, and goes out as the reader reads. A write that fails, a reader that is gone
// or falls too far behind stops the log with one status line; receiving goes on.
// Writing into a pipe whose reader is gone raises SIGPIPE: the program ignores it.
class SessionLog : public ReceiveSink
{
public:
    using Clock = std::function<QDateTime()>;
    static constexpr qint64 kMaxWaiting = qint64(4) * 1024 * 1024;
    // At close, how long what waits for a slow reader may still take to go out.
    static constexpr int kCloseGraceMs = 500;

    explicit SessionLog(StatusLog &status, Clock clock = &QDateTime::currentDateTime);
    ~SessionLog() override;

    // Files the log must never write, however their path is spelt: what names "the <what>".
    void protect(const QString &path, const QString &what);

    // Appends to path (never truncates); a relative path is taken from the current folder.
    // A FIFO without a reader is refused at once.
    bool open(const QString &path);
    // "Log closed (<n> bytes)" when a log was open, with what a reader did not take.
    void close();
    // Closing the program: as close(), and bytes a reader did not take are also reported on
    // standard error, as the window goes away with the status line in it.
    void closeForExit();
    bool isOpen() const { return fd_ >= 0; }
    QString path() const { return path_; }
    // Bytes the file or the reader has taken.
    qint64 bytesWritten() const { return written_; }

    // Each line then starts with the local time its first byte arrived.
    void setTimestamps(bool on) { timestamps_ = on; }
    bool timestamps() const { return timestamps_; }

    // arrived: when the bytes came from the device (a line's stamp is its first byte's);
    // invalid means now.
    void write(QByteArrayView bytes, const QDateTime &arrived = QDateTime());
    // Each line stamped with the time its first byte arrived.
    void write(const Received &received);
    void received(const Received &bytes) override { write(bytes); }

    // Told whenever the log opens or stops, also when a failed write stops it.
    std::function<void(bool open)> onOpenChanged;

private:
    void put(QByteArrayView bytes);
    void keep(QByteArrayView bytes);
    void writeWaiting();
    qint64 waiting() const { return waiting_.size() - waitingFrom_; }
    void finish(bool alsoToStderr);
    // alsoLost: bytes given now that are lost with those waiting.
    void stop(const QString &reason, qint64 alsoLost = 0);
    void release();

    StatusLog &status_;
    Clock clock_;
    QList<std::pair<QString, QString>> protected_;
    int fd_ = -1;
    QString path_;
    qint64 written_ = 0;
    bool timestamps_ = false;
    bool atLineStart_ = true;
    // Bytes a pipe could not take yet, from waitingFrom_ on; written when it has room.
    QByteArray waiting_;
    qsizetype waitingFrom_ = 0;
    std::unique_ptr<QSocketNotifier> room_; // only for what is not a regular file
    // Writing to a regular file that was removed succeeds: its name is looked up now and
    // then. (A pipe's name need not stay, e.g. /dev/stdout.)
    QElapsedTimer sinceNameCheck_;
};
