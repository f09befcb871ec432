#pragma once

#include "scripting/scriptchannel.h"

#include <QByteArray>
#include <QByteArrayView>

#include <functional>
#include <optional>

// The script thread's side of the received bytes: the bytes not consumed yet (the window)
// and the waits on them. A match consumes the window up to its end, so the next wait never
// sees those bytes again.
class ScriptInput
{
public:
    using Deadline = std::optional<ScriptChannel::Clock::time_point>; // none: no limit
    enum class Outcome { Found, TimedOut, Stopped };

    explicit ScriptInput(ScriptChannel &channel) : channel_(channel) {}

    // Looks at the window (whose first byte is at stream position `start`) and says how
    // many bytes to consume when it found what it waits for.
    using Scan = std::function<std::optional<qsizetype>(QByteArrayView window, qint64 start)>;
    // Runs scan over the window whenever bytes arrived, until it finds, the deadline
    // passes (the window is scanned once more if it grew) or the script is stopped. A
    // scan is held back for nine times its own duration after it, so a costly pattern
    // over a large window takes no more than a tenth of a core, however fast bytes come.
    Outcome waitFor(Deadline deadline, const Scan &scan);

    // The first occurrence of text, scanning each byte once.
    Outcome expectPlain(QByteArrayView text, Deadline deadline);
    // A line without its end (CR LF, LF or CR); a CR LF split between arrivals is one end.
    Outcome readLine(Deadline deadline, QByteArray &line);
    Outcome read(qsizetype n, Deadline deadline, QByteArray &bytes);
    // Drops the window; returns how many bytes it held.
    qsizetype flush();
    qsizetype available();

private:
    bool pull();
    void consume(qsizetype n);
    QByteArrayView window() const { return QByteArrayView(buf_).sliced(head_); }

    ScriptChannel &channel_;
    QByteArray buf_;
    qsizetype head_ = 0; // consumed bytes still at the front of buf_
    qint64 start_ = 0;   // stream position of the window's first byte
    bool skipLf_ = false;
};
