#include "platform/networklink.h"

#include "platform/linesettings.h"
#include "platform/portaddress.h"

#include <QTcpSocket>

#if defined(Q_OS_LINUX)
#include <linux/sockios.h>
#include <sys/ioctl.h>
#endif

namespace {

// Which line errors and modem-line changes the server is asked to report: break,
// framing, parity and overrun; every modem line and its changes.
constexpr quint8 LineStateMask = 0x1e;
constexpr quint8 ModemStateMask = 0xff;
// A paused link stops reading at this much, so that TCP holds the server back.
constexpr qint64 ReadBuffer = 1 << 20;

QString requestName(PortRequest r)
{
    switch (r) {
    case PortRequest::Baud:
        return QStringLiteral("baud rate");
    case PortRequest::DataBits:
        return QStringLiteral("data bits");
    case PortRequest::Parity:
        return QStringLiteral("parity");
    case PortRequest::StopBits:
        return QStringLiteral("stop bits");
    case PortRequest::Flow:
        return QStringLiteral("flow control");
    case PortRequest::Break:
        return QStringLiteral("break");
    case PortRequest::Dtr:
        return QStringLiteral("DTR");
    case PortRequest::Rts:
        return QStringLiteral("RTS");
    }
    return {};
}

unsigned bit(PortRequest r)
{
    return 1u << unsigned(r);
}

} // namespace

NetworkLink::NetworkLink(QObject *parent)
    : QObject(parent), socket_(new QTcpSocket(this)), openTimer_(this), ackTimer_(this)
{
    socket_->setReadBufferSize(ReadBuffer);
    openTimer_.setSingleShot(true);
    ackTimer_.setSingleShot(true);
    connect(socket_, &QTcpSocket::connected, this, &NetworkLink::connected);
    connect(socket_, &QTcpSocket::readyRead, this, &NetworkLink::readWire);
    connect(socket_, &QTcpSocket::errorOccurred, this, &NetworkLink::socketFailed);
    connect(socket_, &QTcpSocket::disconnected, this, &NetworkLink::socketFailed);
    connect(socket_, &QTcpSocket::bytesWritten, this, &NetworkLink::outputShrank);
    connect(&ackTimer_, &QTimer::timeout, this, &NetworkLink::checkAcknowledgements);
    connect(&openTimer_, &QTimer::timeout, this, [this] {
        if (state_ == State::Connecting)
            fail(tr("No connection to %1 within %2 s")
                     .arg(peer())
                     .arg(double(timeouts_.connect.count()) / 1000));
        else if (state_ == State::Negotiating && !codec_.portControlAnswered())
            fail(tr("%1 did not answer the Telnet negotiation (a raw TCP port is tcp://)")
                     .arg(peer()));
        else if (state_ == State::Negotiating)
            finishOpen(); // the other options are not worth waiting for
    });
}

NetworkLink::~NetworkLink()
{
    close();
}

void NetworkLink::open(Protocol protocol, const QString &host, quint16 port,
                       const PortSettings &settings)
{
    close();
    protocol_ = protocol;
    host_ = host;
    port_ = port;
    settings_ = settings;
    state_ = State::Connecting;
    openTimer_.start(timeouts_.connect);
    socket_->connectToHost(host, port);
}

void NetworkLink::close()
{
    state_ = State::Closed;
    openTimer_.stop();
    ackTimer_.stop();
    socket_->abort();
    codec_ = TelnetCodec();
    controlStarted_ = suspended_ = paused_ = false;
    held_.clear();
    handed_ = 0;
    unread_.clear();
    unreadEvents_.clear();
    lostWhy_.clear();
    modemLines_.reset();
    awaited_.clear();
    unanswered_ = 0;
}

void NetworkLink::connected()
{
    if (state_ != State::Connecting)
        return;
    socket_->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    socket_->setSocketOption(QAbstractSocket::KeepAliveOption, 1);
    if (protocol_ == Protocol::Raw) {
        finishOpen();
        return;
    }
    state_ = State::Negotiating;
    openTimer_.start(timeouts_.negotiation);
    writeWire(codec_.start());
}

void NetworkLink::finishOpen()
{
    openTimer_.stop();
    state_ = State::Open;
    emit opened(QString());
    if (state_ != State::Open)
        return;
    if (protocol_ == Protocol::Rfc2217 && !codec_.portControl())
        emit notice(tr("%1 does not control a serial port: line settings, DTR, RTS and break "
                       "are not applied")
                        .arg(peer()));
    deliver();
}

void NetworkLink::fail(const QString &why)
{
    const bool opening = state_ == State::Connecting || state_ == State::Negotiating;
    close();
    if (opening)
        emit opened(why);
}

void NetworkLink::socketFailed()
{
    if (state_ == State::Closed || state_ == State::Lost)
        return;
    if (state_ != State::Open) {
        fail(socket_->errorString());
        return;
    }
    take(socket_->readAll());
    lostWhy_ = socket_->errorString();
    if (socket_->error() == QAbstractSocket::UnknownSocketError)
        lostWhy_ = tr("%1 closed the connection").arg(peer());
    state_ = State::Lost;
    ackTimer_.stop();
    socket_->abort();
    // A receiver that paused reading gets the last bytes, then the loss, when it resumes.
    if (!paused_)
        finishLoss();
}

void NetworkLink::finishLoss()
{
    if (!unread_.isEmpty() || !unreadEvents_.isEmpty())
        emit received(std::exchange(unread_, {}), std::exchange(unreadEvents_, {}));
    if (state_ != State::Lost)
        return;
    const QString why = lostWhy_;
    close();
    emit deviceLost(why);
}

void NetworkLink::readWire()
{
    if ((state_ != State::Negotiating && state_ != State::Open) || paused_)
        return;
    take(socket_->readAll());
    if (state_ == State::Negotiating && !codec_.negotiating())
        finishOpen();
    else
        deliver();
}

void NetworkLink::deliver()
{
    if (state_ == State::Open && (!unread_.isEmpty() || !unreadEvents_.isEmpty()))
        emit received(std::exchange(unread_, {}), std::exchange(unreadEvents_, {}));
}

void NetworkLink::take(const QByteArray &wire)
{
    if (wire.isEmpty())
        return;
    if (protocol_ == Protocol::Raw) {
        unread_ += wire;
        return;
    }
    TelnetInput in = codec_.receive(wire);
    if (!in.reply.isEmpty())
        writeWire(in.reply);
    for (const PortRequest r : std::as_const(in.acknowledged))
        acknowledged(r);
    if (in.modemLines)
        modemLines_ = in.modemLines;
    if (codec_.portControl() && !controlStarted_) {
        controlStarted_ = true;
        request(TelnetCodec::lineStateMask(LineStateMask) +
                    TelnetCodec::modemStateMask(ModemStateMask),
                {});
        apply(settings_);
    }
    if (in.outputSuspended && *in.outputSuspended != suspended_) {
        suspended_ = *in.outputSuspended;
        if (!suspended_ && !held_.isEmpty()) {
            socket_->write(std::exchange(held_, {}));
            emit outputShrank();
        }
    }
    for (LineEventAt &e : in.events)
        e.position += unread_.size();
    unread_ += in.data;
    unreadEvents_ += in.events;
}

void NetworkLink::writeWire(const QByteArray &bytes)
{
    handed_ += bytes.size();
    socket_->write(bytes);
}

qint64 NetworkLink::write(QByteArrayView data)
{
    if (!isOpen() || data.isEmpty())
        return 0;
    const QByteArray wire =
        protocol_ == Protocol::Rfc2217 ? codec_.encode(data) : data.toByteArray();
    if (suspended_) {
        handed_ += wire.size();
        held_ += wire;
    } else {
        writeWire(wire);
    }
    return data.size();
}

qint64 NetworkLink::pendingOutput() const
{
    qint64 pending = held_.size() + socket_->bytesToWrite();
#if defined(Q_OS_LINUX)
    // Sent but not yet acknowledged by the peer, or not sent yet.
    int queued = 0;
    if (socket_->socketDescriptor() >= 0 &&
        ::ioctl(int(socket_->socketDescriptor()), SIOCOUTQ, &queued) == 0)
        pending += queued;
#endif
    return pending;
}

bool NetworkLink::hasPortControl() const
{
    return (state_ == State::Negotiating || state_ == State::Open) &&
           protocol_ == Protocol::Rfc2217 && codec_.portControl();
}

bool NetworkLink::apply(const PortSettings &settings)
{
    settings_ = settings;
    if (!hasPortControl())
        return false;
    request(TelnetCodec::settingsRequest(settings),
            {PortRequest::Baud, PortRequest::DataBits, PortRequest::Parity, PortRequest::StopBits,
             PortRequest::Flow});
    return true;
}

bool NetworkLink::setLine(OutputLine line, bool on)
{
    if (!hasPortControl())
        return false;
    request(TelnetCodec::lineRequest(line, on),
            {line == OutputLine::Dtr ? PortRequest::Dtr : PortRequest::Rts});
    return true;
}

bool NetworkLink::setBreak(bool on)
{
    if (!hasPortControl())
        return false;
    request(TelnetCodec::breakRequest(on), {PortRequest::Break});
    return true;
}

// Requests bypass the server's flow control: it holds back data, not commands.
void NetworkLink::request(const QByteArray &bytes, std::initializer_list<PortRequest> answers)
{
    writeWire(bytes);
    for (const PortRequest r : answers) {
        if (!(unanswered_ & bit(r)))
            awaited_.append({r, QDeadlineTimer(timeouts_.acknowledgement)});
    }
    if (!awaited_.isEmpty() && !ackTimer_.isActive())
        ackTimer_.start(std::chrono::milliseconds(awaited_.first().due.remainingTime()));
}

void NetworkLink::acknowledged(PortRequest r)
{
    for (qsizetype i = 0; i < awaited_.size(); ++i) {
        if (awaited_[i].request == r) {
            awaited_.remove(i);
            break;
        }
    }
    if (awaited_.isEmpty())
        ackTimer_.stop();
}

void NetworkLink::checkAcknowledgements()
{
    // Deadlines are appended in order, so the expired ones lead.
    while (!awaited_.isEmpty() && awaited_.first().due.hasExpired()) {
        const PortRequest r = awaited_.takeFirst().request;
        if (unanswered_ & bit(r))
            continue;
        unanswered_ |= bit(r);
        awaited_.removeIf([r](const Awaited &a) { return a.request == r; });
        emit notice(tr("%1 did not acknowledge the %2 request within %3 s; it may not apply it")
                        .arg(peer(), requestName(r))
                        .arg(double(timeouts_.acknowledgement.count()) / 1000));
    }
    if (!awaited_.isEmpty())
        ackTimer_.start(std::chrono::milliseconds(awaited_.first().due.remainingTime()));
}

QString NetworkLink::peer() const
{
    PortAddress a;
    a.kind = protocol_ == Protocol::Raw ? PortAddress::Kind::Tcp : PortAddress::Kind::Rfc2217;
    a.host = host_;
    a.port = port_;
    return a.toString();
}

QString NetworkLink::detail() const
{
    if (!hasPortControl())
        return peer();
    const AppliedSettings &a = codec_.applied();
    QStringList parts;
    if (a.baud)
        parts << tr("%1 baud").arg(*a.baud);
    if (a.dataBits && a.parity && a.stopBits && a.flow)
        parts << framingLabel({{*a.dataBits, *a.parity, *a.stopBits}, *a.flow});
    return parts.isEmpty() ? peer() : tr("%1: %2 applied").arg(peer(), parts.join(u' '));
}

void NetworkLink::setReceivePaused(bool paused)
{
    paused_ = paused;
    // Data that waited is delivered from the event loop, not inside this call.
    if (!paused)
        QMetaObject::invokeMethod(
            this,
            [this] {
                if (state_ == State::Lost)
                    finishLoss();
                else
                    readWire();
            },
            Qt::QueuedConnection);
}
