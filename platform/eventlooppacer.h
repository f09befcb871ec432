#pragma once

#include "platform/pacer.h"

#include <QElapsedTimer>
#include <QObject>

#include <memory>

class QTimer;

// The program's Pacer: yields with QCoreApplication::processEvents, pauses on two
// single-shot precise timers. A pause waits for exactly one tick: a timer that had ticked
// twice before the wait looked would flip the flag back and stretch the pause.
class EventLoopPacer : public QObject, public Pacer
{
    Q_OBJECT
public:
    explicit EventLoopPacer(QObject *parent = nullptr);
    ~EventLoopPacer() override;

    bool yieldOnce() override;
    bool yieldDue() const override;
    bool pause(Pause which) override;
    bool waitForEvents() override;
    void setPauseMs(Pause which, int ms) override;
    int pauseMs(Pause which) const override;

    // The window is closing: every wait ends and every command returns at once.
    void setClosing(bool closing) { closing_ = closing; }
    bool closing() const { return closing_; }

    // How often yieldOnce() has run (tests compare it around a command).
    long long yields() const { return yields_; }

private:
    QTimer *timer(Pause which) const;

    QTimer *itemTimer_;
    QTimer *pageTimer_;
    int itemTicks_ = 0;
    int pageTicks_ = 0;
    bool closing_ = false;
    long long yields_ = 0;
    QElapsedTimer sinceEvents_; // since the last yieldOnce()
    // Cleared when this object goes, so a wait that outlives it returns false.
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};
