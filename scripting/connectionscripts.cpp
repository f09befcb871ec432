#include "scripting/connectionscripts.h"

#include "platform/commport.h"
#include "scripting/scriptsend.h"
#include "terminal/portconnection.h"
#include "terminal/terminalviews.h"

ConnectionScripts::ConnectionScripts(TransmitContext &transmit, PortConnection &port,
                                     StatusLog &status)
    : transmit_(transmit), port_(port), status_(status)
{
}

// The hub must not hand bytes to a sink that is gone.
ConnectionScripts::~ConnectionScripts()
{
    port_.receiveHub().detach(*this);
}

bool ConnectionScripts::start(const QString &path, const QStringList &args)
{
    return runner_.start(path, args);
}

std::optional<qint64> ConnectionScripts::send(const QByteArray &bytes)
{
    return sendFromScript(transmit_, bytes);
}

bool ConnectionScripts::setDtr(bool on)
{
    return port_.isOpen() && port_.port()->setLine(OutputLine::Dtr, on);
}

bool ConnectionScripts::setRts(bool on)
{
    return port_.isOpen() && port_.port()->setLine(OutputLine::Rts, on);
}

bool ConnectionScripts::sendBreak(int ms)
{
    return port_.isOpen() && port_.port()->sendBreak(std::chrono::milliseconds(ms));
}

PortSettings ConnectionScripts::lineSettings() const
{
    return port_.settingsInForce();
}

bool ConnectionScripts::setLineSettings(const PortSettings &settings)
{
    const qint32 rate = port_.settingsInForce().baud;
    if (!port_.setPortSettings(settings).ok())
        return false;
    if (settings.baud != rate && onRateChanged)
        onRateChanged(settings.baud);
    return true;
}

// One status line per line of the text, as the box holds lines.
void ConnectionScripts::output(const QByteArray &text)
{
    for (const QByteArray &line : text.split('\n'))
        status_.add(QString::fromLatin1(line.endsWith('\r') ? line.chopped(1) : line));
}

void ConnectionScripts::status(const QString &line)
{
    status_.add(line);
}

void ConnectionScripts::received(const Received &bytes)
{
    if (runner_.running())
        runner_.received(bytes.bytes);
}
