#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QDateTime>
#include <QList>

#include <chrono>

// When received bytes came from the device: the wall clock to the millisecond, read on the
// port's thread as the bytes were read from the driver. A plain value, cheap to keep per
// chunk and to pass between threads; the log shows it as local time, and a plot's axis or a
// time-out reckons with it in std::chrono durations.
using ArrivalTime = std::chrono::sys_time<std::chrono::milliseconds>;

inline ArrivalTime arrivalNow()
{
    return std::chrono::time_point_cast<std::chrono::milliseconds>(
        std::chrono::system_clock::now());
}

inline QDateTime localDateTime(ArrivalTime t)
{
    return QDateTime::fromMSecsSinceEpoch(t.time_since_epoch().count());
}

// Bytes taken from a port with the times they arrived: the bytes from marks[i].offset up to
// the next mark arrived at marks[i].time. Whenever there are bytes, the first mark is at 0.
struct Received
{
    struct Mark
    {
        qsizetype offset;
        ArrivalTime time;
        friend bool operator==(const Mark &, const Mark &) = default;
    };
    QByteArray bytes;
    QList<Mark> marks;

    bool isEmpty() const { return bytes.isEmpty(); }
    void clear()
    {
        bytes.clear();
        marks.clear();
    }
    // Keeps each byte's time; a mark with the time of the one before says nothing new.
    void append(const Received &more)
    {
        if (more.isEmpty())
            return;
        for (const Mark &m : more.marks)
            if (marks.isEmpty() || marks.back().time != m.time)
                marks.append({bytes.size() + m.offset, m.time});
        bytes.append(more.bytes);
    }
    // Calls f(run, time) for each run of bytes that arrived together, in order.
    template <typename F> void forEachRun(F f) const
    {
        for (qsizetype i = 0; i < marks.size(); ++i) {
            const qsizetype end = i + 1 < marks.size() ? marks[i + 1].offset : bytes.size();
            f(QByteArrayView(bytes).sliced(marks[i].offset, end - marks[i].offset), marks[i].time);
        }
    }
};
