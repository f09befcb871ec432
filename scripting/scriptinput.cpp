#include "scripting/scriptinput.h"

#include <algorithm>

using Clock = ScriptChannel::Clock;

bool ScriptInput::pull()
{
    ScriptChannel::Arrivals a = channel_.take();
    head_ += a.dropFront;
    start_ += a.dropFront;
    const bool fresh = !a.bytes.isEmpty();
    if (head_ > buf_.size() / 2) {
        buf_.remove(0, head_);
        head_ = 0;
    }
    buf_.append(a.bytes);
    if (skipLf_ && head_ < buf_.size()) {
        skipLf_ = false;
        if (buf_[head_] == '\n')
            consume(1);
    }
    return fresh;
}

void ScriptInput::consume(qsizetype n)
{
    head_ += n;
    start_ += n;
    channel_.consumed(n);
}

ScriptInput::Outcome ScriptInput::waitFor(Deadline deadline, const Scan &scan)
{
    bool unscanned = true;
    Clock::time_point earliest{};
    for (;;) {
        if (pull())
            unscanned = true;
        if (channel_.stopRequested())
            return Outcome::Stopped;
        const auto now = Clock::now();
        const bool due = deadline && now >= *deadline;
        if (unscanned && (now >= earliest || due)) {
            if (const auto n = scan(window(), start_)) {
                consume(*n);
                return Outcome::Found;
            }
            unscanned = false;
            const auto end = Clock::now();
            constexpr int kIdleShare = 9; // a scan takes at most a tenth of the thread's time
            earliest = end + kIdleShare * (end - now);
        }
        if (due)
            return Outcome::TimedOut;
        Deadline until = deadline;
        if (unscanned)
            until = deadline ? std::min(*deadline, earliest) : earliest;
        if (channel_.wait(until, !unscanned) == ScriptChannel::Wake::Stop)
            return Outcome::Stopped;
    }
}

ScriptInput::Outcome ScriptInput::expectPlain(QByteArrayView text, Deadline deadline)
{
    qint64 scanned = start_; // stream position up to which text cannot start
    return waitFor(deadline, [&](QByteArrayView w, qint64 start) -> std::optional<qsizetype> {
        const qsizetype from = qsizetype(std::max<qint64>(0, scanned - start));
        const qsizetype at = w.indexOf(text, from);
        if (at >= 0)
            return at + text.size();
        scanned = start + std::max<qsizetype>(0, w.size() - text.size() + 1);
        return std::nullopt;
    });
}

ScriptInput::Outcome ScriptInput::readLine(Deadline deadline, QByteArray &line)
{
    qint64 scanned = start_;
    return waitFor(deadline, [&](QByteArrayView w, qint64 start) -> std::optional<qsizetype> {
        for (qsizetype i = qsizetype(std::max<qint64>(0, scanned - start)); i < w.size(); ++i) {
            if (w[i] != '\r' && w[i] != '\n')
                continue;
            line = w.first(i).toByteArray();
            if (w[i] == '\n')
                return i + 1;
            if (i + 1 < w.size())
                return w[i + 1] == '\n' ? i + 2 : i + 1;
            skipLf_ = true; // its LF may still be on the way
            return i + 1;
        }
        scanned = start + w.size();
        return std::nullopt;
    });
}

ScriptInput::Outcome ScriptInput::read(qsizetype n, Deadline deadline, QByteArray &bytes)
{
    return waitFor(deadline, [&](QByteArrayView w, qint64) -> std::optional<qsizetype> {
        if (w.size() < n)
            return std::nullopt;
        bytes = w.first(n).toByteArray();
        return n;
    });
}

qsizetype ScriptInput::flush()
{
    pull();
    const qsizetype n = buf_.size() - head_;
    consume(n);
    return n;
}

qsizetype ScriptInput::available()
{
    pull();
    return buf_.size() - head_;
}
