#include "terminal/portconnection.h"

#include "platform/commport.h"
#include "platform/linesettings.h"
#include "platform/portnames.h"
#include "terminal/baudrate.h"
#include "terminal/numbers.h"
#include "terminal/receiveengine.h"

#include <QObject>

#include <cstdio>
#include <limits>
#include <optional>

namespace {

// The settings for the rate as typed: digits only, at most ten, a positive 32-bit number;
// none for other text. The port refuses a rate it is never used at.
std::optional<PortSettings> typedSettings(const QString &baudText, const LineSettings &line)
{
    if (baudText.isEmpty() || baudText.size() > 10)
        return std::nullopt;
    for (const QChar c : baudText)
        if (c < u'0' || c > u'9')
            return std::nullopt;
    const qint64 rate = baudText.toLongLong();
    if (rate <= 0 || rate > std::numeric_limits<qint32>::max())
        return std::nullopt;
    return line.at(qint32(rate));
}

} // namespace

PortConnection::PortConnection(std::unique_ptr<CommPort> port, ConnectionView &view,
                               StatusLog &status, ReceiveEngine &receive, ReceivePanes &panes)
    : port_(std::move(port)), hub_(port_.get()), view_(view), status_(status), receive_(receive),
      panes_(panes)
{
    if (!port_)
        return;
    CommPort *p = port_.get();
    QObject::connect(p, &CommPort::dataReady, p, [this] { dataReady(); });
    QObject::connect(p, &CommPort::lineEvent, p, [this](LineEvent e) { lineEvent(e); });
    QObject::connect(p, &CommPort::deviceLost, p, [this](const QString &why) { deviceLost(why); });
    QObject::connect(p, &CommPort::notice, p, [this](const QString &text) { status_.add(text); });
}

PortConnection::~PortConnection() = default;

bool PortConnection::open(const PortAddress &address, const PortSettings &settings)
{
    address_ = address;
    settings_ = settings;
    return port_->open(address, settings).ok();
}

PortFailure PortConnection::setLineSettings(const LineSettings &line)
{
    return setPortSettings(line.at(settings_.baud));
}

PortSettings PortConnection::settingsInForce() const
{
    if (isOpen())
        return settings_;
    return typedSettings(view_.baudText(), line_).value_or(line_.at(baudRate_));
}

PortFailure PortConnection::setPortSettings(const PortSettings &settings)
{
    if (isOpen()) {
        if (PortFailure failure = port_->apply(settings); !failure.ok())
            return failure;
        settings_ = settings;
    }
    showLine(LineSettings::of(settings));
    return {};
}

// Every change of the line shows at once, whoever made it (the Port menu, a script).
void PortConnection::showLine(const LineSettings &line)
{
    line_ = line;
    view_.showLineSettings(framingLabel(line_));
}

void PortConnection::chooseLineSettings(const LineSettings &line)
{
    if (setLineSettings(line).ok())
        return;
    const QString why = port_->detail().section(u'\n', 0, 0).trimmed();
    status_.add(QStringLiteral("Line settings not applied: %1").arg(why));
}

void PortConnection::openAtStartup(const QString &baudText, qint16 comNumber,
                                   const std::optional<PortAddress> &chosen)
{
    chosen_ = chosen;
    // A number or rate the port refuses must not leave it on what it had: nothing opens, and
    // the lamp's tip says why.
    const auto settings = typedSettings(baudText, line_);
    if (port_ && settings && chosen)
        (void)open(*chosen, *settings);
    else if (port_ && settings && isComNumber(comNumber))
        (void)open(PortAddress::ofCom(comNumber), *settings);
    refreshLamp();
}

void PortConnection::openAddress(const PortAddress &address)
{
    if (isOpen())
        disconnect();
    chosen_ = address;
    reconnect();
}

void PortConnection::reconnect()
{
    // An open port is left as it is: new settings apply only after Disconnect.
    if (!port_ || !port_->isOpen()) {
        const auto settings = typedSettings(view_.baudText(), line_);
        const auto number = roundToInt16(numericPrefix(view_.comText()));
        bool opened = false;
        if (port_ && settings && chosen_)
            opened = open(*chosen_, *settings);
        else if (port_ && settings && number && isComNumber(*number))
            opened = open(PortAddress::ofCom(*number), *settings);
        else if (port_ && settings)
            (void)port_->apply(*settings); // a rate never used is refused with the reason

        if (!opened) {
            view_.showDetail(port_ ? port_->detail() : QString());
            status_.add(QStringLiteral("Selected COM Port Not Available."));
            return;
        }
        refreshLamp();
    }
    panes_.emptyFilled();
    reportConnected();
}

bool PortConnection::reopenLost()
{
    if (!port_ || port_->isOpen() || !port_->open(address_, settings_).ok())
        return false;
    refreshLamp();
    reportConnected();
    return true;
}

void PortConnection::reportConnected()
{
    status_.add(QStringLiteral("Com Port Connected."));
}

void PortConnection::disconnect()
{
    if (port_ && port_->isOpen()) {
        closeDraining(false);
        refreshLamp();
    }
    status_.add(QStringLiteral("COM Port Disconnected"));
}

void PortConnection::switchPort()
{
    if (!isOpen())
        return;
    disconnect();
    reconnect();
}

void PortConnection::closeForExit()
{
    if (port_ && port_->isOpen())
        closeDraining(true);
}

void PortConnection::closeDraining(bool alsoToStderr)
{
    const qint64 discarded = port_->closeDraining();
    hub_.take(true);
    if (discarded <= 0)
        return;
    const QString line =
        QStringLiteral("Output discarded at close: %1 bytes not sent").arg(discarded);
    status_.add(line);
    if (alsoToStderr)
        std::fprintf(stderr, "%s\n", line.toLocal8Bit().constData());
}

void PortConnection::baudTextChanged()
{
    if (auto baud = roundToInt32(numericPrefix(view_.baudText())))
        baudRate_ = *baud;
    baudRate_ = usableBaudRate(baudRate_);
}

void PortConnection::comTextChanged()
{
    // A number the port cannot be set to does not fit: the last one is kept.
    chosen_.reset();
    auto number = roundToInt16(numericPrefix(view_.comText()));
    if (number && !isComNumber(*number))
        number.reset();
    if (number)
        comNumber_ = *number;
    view_.showComDevice(number && port_ ? comPortDevice(*number) : QString());
}

qint32 PortConnection::typedBaudRate() const
{
    // As typed, without the range rule; a text that gives no 32-bit number keeps the last.
    if (auto baud = roundToInt32(numericPrefix(view_.baudText())))
        return *baud;
    return baudRate_;
}

void PortConnection::setRxSuspended(bool suspended)
{
    receive_.setSuspended(suspended);
    // What the port kept while the held bytes filled their room is handled now.
    if (!suspended)
        hub_.resume();
}

bool PortConnection::rxSuspended() const
{
    return receive_.suspended();
}

void PortConnection::refreshLamp()
{
    view_.showOpen(port_ && port_->isOpen());
    view_.showDetail(port_ ? port_->detail() : QString());
}

void PortConnection::dataReady()
{
    hub_.take();
    afterPortEvent();
}

void PortConnection::deviceLost(const QString &why)
{
    // Suspending stops receiving, not the news that the device has gone; what it sent
    // before is taken first.
    hub_.take(true);
    status_.add(QStringLiteral("COM Port Disconnected"));
    const QString reason = why.section(u'\n', 0, 0).trimmed();
    if (!reason.isEmpty())
        status_.add(reason);
    if (onDeviceLost)
        onDeviceLost();
    afterPortEvent();
}

void PortConnection::lineEvent(LineEvent event)
{
    if (!rxSuspended()) {
        switch (event) {
        case LineEvent::Break:
            status_.add(QStringLiteral("Communications error Break"));
            disconnect();
            reconnect();
            break;
        case LineEvent::Frame:
            status_.add(QStringLiteral("Communications error Frame"));
            disconnect();
            reconnect();
            break;
        case LineEvent::Overrun:
            status_.add(QStringLiteral("Communications error Overrun"));
            break;
        case LineEvent::RxOver:
            status_.add(QStringLiteral("Communications error Rx Overrun"));
            break;
        case LineEvent::Cd:
            status_.add(QStringLiteral("Carrier Detect"));
            break;
        case LineEvent::Cts:
            status_.add(QStringLiteral("Clear To Send"));
            break;
        case LineEvent::Dsr:
            status_.add(QStringLiteral("Data Set Ready"));
            break;
        case LineEvent::Ring:
            status_.add(QStringLiteral("Ring"));
            break;
        case LineEvent::Parity: // passes silently
            break;
        }
    }
    afterPortEvent();
}

void PortConnection::afterPortEvent()
{
    refreshLamp();
    receive_.applySizeLimit();
}

qint64 PortConnection::output(const QByteArray &bytes)
{
    // A missing port takes nothing; no send reports that.
    return port_ ? port_->write(bytes) : 0;
}

qint64 PortConnection::pendingOutput() const
{
    return port_ ? port_->pendingOutput() : 0;
}

qint64 PortConnection::outputLimit() const
{
    return port_ ? port_->outputLimit() : 1;
}

bool PortConnection::isOpen() const
{
    return port_ && port_->isOpen();
}
