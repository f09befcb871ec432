#pragma once

#include <QByteArrayView>
#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QString>

#include <functional>

class StatusLog;

// The log of a session: every byte taken from the port is appended to a file, unchanged,
// whatever the panes and the capture make of it. Each receive event is written at once
// (the file is unbuffered), so `tail -f` follows and nothing waits in memory at a crash.
// A write that fails stops the log with one status line; receiving goes on.
class SessionLog
{
public:
    using Clock = std::function<QDateTime()>;

    explicit SessionLog(StatusLog &status, Clock clock = &QDateTime::currentDateTime);

    // Appends to path (never truncates); a relative path is taken from the current folder.
    bool open(const QString &path);
    // "Log closed (<n> bytes)" when a log was open.
    void close();
    bool isOpen() const { return file_.isOpen(); }
    QString path() const { return file_.fileName(); }
    qint64 bytesWritten() const { return written_; }

    // Each line then starts with the local time its first byte arrived.
    void setTimestamps(bool on) { timestamps_ = on; }
    bool timestamps() const { return timestamps_; }

    // arrived: when the bytes came from the device (a line's stamp is its first byte's);
    // invalid means now.
    void write(QByteArrayView bytes, const QDateTime &arrived = QDateTime());

    // Told whenever the log opens or stops, also when a failed write stops it.
    std::function<void(bool open)> onOpenChanged;

private:
    void put(QByteArrayView bytes);
    void stop(const QString &reason);

    StatusLog &status_;
    Clock clock_;
    QFile file_;
    qint64 written_ = 0;
    bool timestamps_ = false;
    bool atLineStart_ = true;
    // Writing to a file that was removed succeeds: its name is looked up now and then.
    QElapsedTimer sinceNameCheck_;
};
