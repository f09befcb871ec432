#pragma once

#include "platform/portworker.h"

class NetworkLink;
class QTimer;

// A device behind a network serial server, on the port thread: one NetworkLink (raw TCP or
// Telnet with the COM Port Control option), its received data and line events put in
// order into the shared queue, its output paced by what the server really takes.
class NetworkWorker : public PortWorker
{
public:
    explicit NetworkWorker(std::shared_ptr<PortShared> shared);
    ~NetworkWorker() override;

    Outcome open(const OpenRequest &request) override;
    Outcome apply(const PortSettings &settings) override;
    void close() override;
    qint64 closeDraining(const PortSettings &settings) override;
    void takeOutgoing() override;
    void pump() override;
    bool setLine(OutputLine line, bool on) override;
    bool line(OutputLine line) const override;
    bool startBreak(std::chrono::milliseconds length) override;

    // Told once each, on the port thread: something the user may want to know.
    std::function<void(const QString &)> onNotice;

private:
    void received(const QByteArray &data, const QList<LineEventAt> &events);
    void lost(const QString &why);
    qint64 measureOutput();
    QString appliedText() const;
    // The text with the address in front, unless it names it already.
    QString named(const QString &text) const;

    NetworkLink *link_ = nullptr;
    QTimer *outputPoll_ = nullptr;
    QString label_;
    bool dtr_ = false, rts_ = false;
    bool paused_ = false;
    quint64 openCount_ = 0; // tells a break's end which connection it belongs to
};
