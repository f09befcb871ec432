// How a serial device is opened: why one cannot be used, said once, and how the settings
// are put to the driver.
#include "platform/serialworker.h"

#if defined(Q_OS_UNIX)
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

QSerialPort::Parity qtParity(Parity p)
{
    switch (p) {
    case Parity::None:
        break;
    case Parity::Odd:
        return QSerialPort::OddParity;
    case Parity::Even:
        return QSerialPort::EvenParity;
    case Parity::Mark:
        return QSerialPort::MarkParity;
    case Parity::Space:
        return QSerialPort::SpaceParity;
    }
    return QSerialPort::NoParity;
}

QSerialPort::FlowControl qtFlow(FlowControl f)
{
    return f == FlowControl::RtsCts    ? QSerialPort::HardwareControl
           : f == FlowControl::XonXoff ? QSerialPort::SoftwareControl
                                       : QSerialPort::NoFlowControl;
}

} // namespace

// Why QSerialPort could not open the device, in words the user can act on: its own errors
// do not tell a missing device, a plain file and a device of another group apart.
Outcome SerialWorker::diagnose(const QString &device, const QSerialPort &failed) const
{
    const QString why = failed.errorString();
    const auto refused = [&](PortError error, const QString &problem, const QString &system) {
        return Outcome{error, label_ + QStringLiteral(": ") + problem, system};
    };
#if defined(Q_OS_UNIX)
    const QByteArray path = device.toLocal8Bit();
    struct stat st
    {
    };
    if (::stat(path.constData(), &st) != 0) {
        const QString system = QString::fromLocal8Bit(std::strerror(errno));
        return errno == EACCES
                   ? refused(PortError::PermissionDenied, QStringLiteral("permission denied"),
                             system)
                   : refused(PortError::NoSuchPort, QStringLiteral("missing device"), system);
    }
    if (!S_ISCHR(st.st_mode))
        return refused(PortError::NotATty, QStringLiteral("not a tty"), {});
    if (::access(path.constData(), R_OK | W_OK) != 0 && errno == EACCES)
        return refused(PortError::PermissionDenied,
                       QStringLiteral("permission denied (the user must be a member of the "
                                      "device's group, usually dialout)"),
                       QString::fromLocal8Bit(std::strerror(EACCES)));
#endif
    if (failed.error() == QSerialPort::DeviceNotFoundError)
        return refused(PortError::NoSuchPort, QStringLiteral("missing device (%1)").arg(why), why);
    if (failed.error() == QSerialPort::PermissionError)
        return refused(PortError::Busy,
                       QStringLiteral("busy, in use by another program (%1)").arg(why), why);
#if defined(Q_OS_UNIX)
    const int fd = ::open(path.constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd >= 0) {
        const bool tty = ::isatty(fd);
        ::close(fd);
        if (!tty)
            return refused(PortError::NotATty, QStringLiteral("not a tty"), {});
    }
#endif
    return refused(PortError::OpenFailed, QStringLiteral("cannot be opened (%1)").arg(why), why);
}

Outcome SerialWorker::configure(const PortSettings &s)
{
    const QString rate = QStringLiteral("%1 baud").arg(s.baud);
    // Termios has no 1.5 stop bits: QSerialPort would apply one without a word.
    if (s.stopBits == StopBits::OneAndHalf)
        return {PortError::Unsupported,
                label_ + QStringLiteral(": a serial line here has no 1.5 stop bits"),
                {}};
    if (!port_->setBaudRate(s.baud))
        return {PortError::BadSettings,
                label_ + QStringLiteral(": the driver does not accept %1 (%2)")
                             .arg(rate, port_->errorString()),
                port_->errorString()};
    if (!port_->setDataBits(QSerialPort::DataBits(int(s.dataBits))) ||
        !port_->setParity(qtParity(s.parity)) ||
        !port_->setStopBits(s.stopBits == StopBits::Two ? QSerialPort::TwoStop
                                                        : QSerialPort::OneStop) ||
        !port_->setFlowControl(qtFlow(s.flow)))
        return {PortError::BadSettings,
                label_ + QStringLiteral(": the driver does not accept the framing (%1)")
                             .arg(port_->errorString()),
                port_->errorString()};
    QString text = label_ + QStringLiteral(", ") + rate;
    long applied = 0;
    if (ttyAppliedBaud(descriptor(port_), applied) && applied != s.baud)
        text += QStringLiteral(" (the driver applied %1 baud)").arg(applied);
    return {PortError::None, text, {}};
}
