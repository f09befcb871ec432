#include "transmit/echo.h"

#include "platform/latin1.h"
#include "transmit/hex.h"

QString echoLine(const QString &text, bool hex)
{
    return hex ? hexEchoLine(text) : text + QStringLiteral("\r\n");
}

QString asBytes(const QString &text)
{
    return latin1Chars(text);
}
