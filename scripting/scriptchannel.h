#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QObject>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>

class ScriptHost;

// The one meeting point of the GUI thread and a script's thread: received bytes on their
// way to the script, calls the script makes of the host, and the stop. The GUI thread only
// ever appends or sets a flag under the lock; it never waits for the script.
//
// Bytes the script has not consumed are kept up to kInputCap; past it the oldest go (the
// panes, the capture and the log still get every byte): a script that waits for a prompt
// wants what arrives last, and a script that does not read must not grow without limit.
class ScriptChannel : public std::enable_shared_from_this<ScriptChannel>
{
public:
    using Clock = std::chrono::steady_clock;
    static constexpr qsizetype kInputCap = qsizetype(1024) * 1024;

    // host and dispatcher (which lives on the GUI thread) must stay until detach().
    ScriptChannel(ScriptHost &host, QObject *dispatcher);

    // GUI thread.
    void feed(QByteArrayView bytes);
    void requestStop();
    // The dispatcher goes: nothing is posted to it any more and the script stops.
    void detach();

    // Script thread.
    [[nodiscard]] bool stopRequested() const;
    // What arrived since the last take, and how many of the oldest unconsumed bytes the
    // cap dropped meanwhile (the taker drops them from its own front first).
    struct Arrivals
    {
        qsizetype dropFront = 0;
        QByteArray bytes;
    };
    Arrivals take();
    // The taker consumed n bytes from its front.
    void consumed(qsizetype n);
    quint64 droppedTotal() const;
    // Bytes fed but not taken yet.
    qsizetype untaken() const;

    enum class Wake { Input, Deadline, Stop };
    // Waits for new bytes (unless forInput is false), the deadline (none: no limit) or a
    // stop, whichever comes first.
    Wake wait(std::optional<Clock::time_point> deadline, bool forInput);
    // Runs f on the GUI thread with the host and waits until it ran; false when stopped
    // first (f may still run later: it must own what it writes to).
    [[nodiscard]] bool call(std::function<void(ScriptHost &)> f);
    // Posts f to the GUI thread without waiting (dropped once detached).
    void post(std::function<void()> f);

    // The run's end, for a dispatcher that goes before the script does.
    void markFinished();
    [[nodiscard]] bool waitFinished(std::chrono::milliseconds limit);

private:
    void postLocked(std::function<void()> f);

    ScriptHost &host_;
    mutable std::mutex mutex_;
    std::condition_variable wake_;
    QObject *dispatcher_;
    QByteArray incoming_;
    qsizetype incomingHead_ = 0; // bytes at the front of incoming_ dropped by the cap
    qsizetype owned_ = 0;        // unconsumed bytes the taker holds
    qsizetype dropOwned_ = 0;    // of those, the oldest the cap dropped
    quint64 dropped_ = 0;
    std::atomic<bool> stop_ = false; // set under the lock, read without it by the stop hook
    bool finished_ = false;
};
