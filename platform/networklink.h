#pragma once

#include "platform/lineevent.h"
#include "platform/portsettings.h"
#include "platform/telnetcodec.h"

#include <QByteArray>
#include <QDeadlineTimer>
#include <QList>
#include <QObject>
#include <QString>
#include <QTimer>

#include <chrono>
#include <optional>

class QTcpSocket;

// One connection to a device behind a network serial server: raw TCP, or Telnet with the
// COM Port Control option, whose requests carry the line settings, DTR, RTS and break to
// the server's serial port and whose notifications bring its line events back. Lives on
// the thread that creates it (a port's worker thread); its socket is its child.
//
// Nothing waits for the server: requests go out at once, an acknowledgement that does not
// come within a bound is reported once per kind of request (a server's pty has no modem
// lines to acknowledge), and data flows meanwhile.
class NetworkLink : public QObject
{
    Q_OBJECT
public:
    enum class Protocol { Raw, Rfc2217 };
    struct Timeouts
    {
        static constexpr std::chrono::milliseconds kConnect{5000};
        static constexpr std::chrono::milliseconds kAnswer{3000};
        std::chrono::milliseconds connect = kConnect;
        // How long a Telnet server may take to answer the options; one that has not
        // answered the COM Port Control option by then fails the open.
        std::chrono::milliseconds negotiation = kAnswer;
        std::chrono::milliseconds acknowledgement = kAnswer;
    };

    explicit NetworkLink(QObject *parent = nullptr);
    ~NetworkLink() override;

    void setTimeouts(const Timeouts &timeouts) { timeouts_ = timeouts; }
    // Connects and answers with opened(); the settings reach a server that agrees to
    // port control as soon as it has agreed.
    void open(Protocol protocol, const QString &host, quint16 port, const PortSettings &);
    // Drops the connection at once, with what is still unsent; reports nothing.
    void close();
    bool isOpen() const { return state_ == State::Open; }

    // Takes all the data (none when not open); the server's flow control may hold it.
    qint64 write(QByteArrayView data);
    // Bytes handed to the connection (Telnet's doubling and commands included) that the
    // far side has not taken yet: held, in the socket, in the kernel's send queue.
    qint64 pendingOutput() const;
    // All bytes ever handed to the connection, counted as pendingOutput() counts them.
    qint64 handedOutput() const { return handed_; }
    bool outputSuspended() const { return suspended_; }

    // The requests of the COM Port Control option; false where the link has none.
    bool hasPortControl() const;
    bool apply(const PortSettings &settings);
    bool setLine(OutputLine line, bool on);
    bool setBreak(bool on);
    // The server's modem lines as TtyLine bits, once it has reported them.
    std::optional<int> modemLines() const { return modemLines_; }
    const AppliedSettings &applied() const { return codec_.applied(); }
    // The address and what the server says it applied, for a tooltip.
    QString detail() const;

    // While paused nothing is read: the socket's buffer fills and holds the server back.
    void setReceivePaused(bool paused);

signals:
    // An empty failure means the link is open.
    void opened(const QString &failure);
    // Received data with the line events among it; either may be empty.
    void received(const QByteArray &data, const QList<LineEventAt> &events);
    // Something the user may want to know that changes nothing (an unanswered request).
    void notice(const QString &text);
    // The connection broke while open; the link is closed, every byte received before
    // was delivered first (after the receiver resumed, if it had paused).
    void deviceLost(const QString &why);
    // Output left the socket, or the server let it go on.
    void outputShrank();

private:
    enum class State { Closed, Connecting, Negotiating, Open, Lost };
    struct Awaited
    {
        PortRequest request;
        QDeadlineTimer due;
    };

    void connected();
    void readWire();
    void take(const QByteArray &wire);
    void deliver();
    void socketFailed();
    void finishLoss();
    void finishOpen();
    void fail(const QString &why);
    void writeWire(const QByteArray &bytes);
    void request(const QByteArray &bytes, std::initializer_list<PortRequest> answers);
    void acknowledged(PortRequest request);
    void checkAcknowledgements();
    QString peer() const;

    // Children all, so that they move with the link to the thread it serves.
    QTcpSocket *socket_;
    QTimer openTimer_;
    QTimer ackTimer_;
    Timeouts timeouts_;
    TelnetCodec codec_;
    Protocol protocol_ = Protocol::Raw;
    QString host_;
    quint16 port_ = 0;
    PortSettings settings_;
    State state_ = State::Closed;
    bool controlStarted_ = false;
    bool suspended_ = false;
    bool paused_ = false;
    QByteArray held_;
    qint64 handed_ = 0;
    QByteArray unread_; // decoded, not delivered yet (before the open, while paused)
    QList<LineEventAt> unreadEvents_;
    QString lostWhy_;
    std::optional<int> modemLines_;
    QList<Awaited> awaited_;
    unsigned unanswered_ = 0; // a bit per PortRequest already reported
};
