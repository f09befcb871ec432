#include "terminal/portconnection.h"

#include "platform/commport.h"
#include "platform/portnames.h"
#include "terminal/baudrate.h"
#include "terminal/numbers.h"
#include "terminal/receiveengine.h"
#include "terminal/sessionlog.h"

#include <QObject>

#include <cstdio>
#include <utility>

namespace {

QString settingsText(const QString &baudText)
{
    return baudText + QStringLiteral(",n,8,1");
}

// Held bytes reach the engine in pieces of this size, each as one port event would bring it,
// so the early flush keeps the text waiting for the panes small.
constexpr qsizetype kReleaseSlice = kEarlyFlushChars / 3;

} // namespace

PortConnection::PortConnection(std::unique_ptr<CommPort> port, ConnectionView &view,
                               StatusLog &status, ReceiveEngine &receive, ReceivePanes &panes)
    : port_(std::move(port)), view_(view), status_(status), receive_(receive), panes_(panes)
{
    if (port_)
        QObject::connect(port_.get(), &CommPort::onComm, port_.get(), [this] { onPortEvent(); });
}

PortConnection::~PortConnection() = default;

void PortConnection::openAtStartup(const QString &baudText, qint16 comNumber)
{
    // A number or rate the port refuses must not leave it on what it had: nothing opens, and
    // the lamp's tip says why.
    if (port_)
        (void)(port_->setCommPort(comNumber) && port_->setSettings(settingsText(baudText)) &&
               port_->setPortOpen(true));
    refreshLamp();
}

void PortConnection::reconnect()
{
    // An open port is left as it is: new settings apply only after Disconnect.
    if (!port_ || !port_->portOpen()) {
        const auto number = roundToInt16(numericPrefix(view_.comText()));
        const bool opened = port_ && port_->setSettings(settingsText(view_.baudText())) && number &&
                            port_->setCommPort(*number) && port_->setPortOpen(true);
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
    if (!port_ || port_->portOpen() || !port_->setPortOpen(true))
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
    if (port_ && port_->portOpen()) {
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
    if (port_ && port_->portOpen())
        closeDraining(true);
}

void PortConnection::closeDraining(bool alsoToStderr)
{
    const qint64 discarded = port_->closeDraining();
    takeReceived(true);
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
    auto number = roundToInt16(numericPrefix(view_.comText()));
    if (number && !isComNumber(*number))
        number.reset();
    if (number)
        comNumber_ = *number;
    QString device;
    if (number && port_)
        device = port_->deviceName(*number);
    view_.showComDevice(device);
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
    rxSuspended_ = suspended;
    if (suspended)
        return;
    const Received held = std::exchange(held_, Received());
    for (qsizetype at = 0; at < held.bytes.size(); at += kReleaseSlice) {
        receive_.receive(QByteArrayView(held.bytes)
                             .sliced(at)
                             .first(qMin(kReleaseSlice, held.bytes.size() - at)));
        receive_.applySizeLimit();
    }
    // What the port kept while the held bytes filled their room is handled now.
    if (port_)
        port_->rearmReceive();
}

void PortConnection::takeReceived(bool closing)
{
    if (!port_ || (rxSuspended_ && !closing && held_.bytes.size() >= kHoldLimit))
        return;
    const Received received = port_->takeReceived();
    if (received.isEmpty())
        return;
    // The log has every byte taken, whatever the panes and the capture keep.
    if (log_)
        log_->write(received);
    if (rxSuspended_)
        held_.append(received);
    else
        receive_.receive(received.bytes);
}

void PortConnection::refreshLamp()
{
    view_.showOpen(port_ && port_->portOpen());
    view_.showDetail(port_ ? port_->detail() : QString());
}

void PortConnection::reportDeviceLost()
{
    status_.add(QStringLiteral("COM Port Disconnected"));
    const QString reason = port_->detail().section(u'\n', 0, 0).trimmed();
    if (!reason.isEmpty())
        status_.add(reason);
    if (onDeviceLost)
        onDeviceLost();
}

void PortConnection::onPortEvent()
{
    const int event = port_ ? port_->commEvent() : 0;
    if (event == CommPort::comEvReceive) {
        takeReceived(false);
    } else if (event == CommPort::comEventDeviceLost) {
        // Suspending stops receiving, not the news that the device has gone; what it sent
        // before is taken first.
        takeReceived(true);
        reportDeviceLost();
    } else if (!rxSuspended_) {
        switch (event) {
        case CommPort::comEventBreak:
            status_.add(QStringLiteral("Communications error Break"));
            disconnect();
            reconnect();
            break;
        case CommPort::comEventCDTO:
            status_.add(QStringLiteral("Communications error CDTO"));
            break;
        case CommPort::comEventCTSTO:
            status_.add(QStringLiteral("Communications error CTSTO"));
            break;
        case CommPort::comEventDSRTO:
            status_.add(QStringLiteral("Communications error DSRTO"));
            break;
        case CommPort::comEventFrame:
            status_.add(QStringLiteral("Communications error Frame"));
            disconnect();
            reconnect();
            break;
        case CommPort::comEventOverrun:
            status_.add(QStringLiteral("Communications error Overrun"));
            break;
        case CommPort::comEventRxOver:
            status_.add(QStringLiteral("Communications error Rx Overrun"));
            break;
        case CommPort::comEventTxFull:
            status_.add(QStringLiteral("Communications error Tx Full"));
            break;
        case CommPort::comEventDCB:
            status_.add(QStringLiteral("Communications error DCB"));
            break;
        case CommPort::comEvCD:
            status_.add(QStringLiteral("Carrier Detect"));
            break;
        case CommPort::comEvCTS:
            status_.add(QStringLiteral("Clear To Send"));
            break;
        case CommPort::comEvDSR:
            status_.add(QStringLiteral("Data Set Ready"));
            break;
        case CommPort::comEvRing:
            status_.add(QStringLiteral("Ring"));
            break;
        case CommPort::comEvSend:
            status_.add(QStringLiteral("Send Characters"));
            break;
        case CommPort::comEvEOF:
            status_.add(QStringLiteral("End of Frame"));
            break;
        default: // a parity error and anything else pass silently
            break;
        }
    }
    refreshLamp();
    receive_.applySizeLimit();
}

qint64 PortConnection::output(const QByteArray &bytes)
{
    // A missing port takes nothing; no send reports that.
    return port_ ? port_->output(bytes) : 0;
}

qint64 PortConnection::pendingOutput() const
{
    return port_ ? port_->bytesToWrite() : 0;
}

qint64 PortConnection::outputLimit() const
{
    return port_ ? port_->outputLimit() : 1;
}

bool PortConnection::isOpen() const
{
    return port_ && port_->portOpen();
}
