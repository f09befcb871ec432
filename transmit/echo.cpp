#include "echo.h"

#include "hex.h"

QString echoLine(const QString &text, bool hex)
{
    return hex ? HexEchoLine(text) : text + QStringLiteral("\r\n");
}

QString asBytes(const QString &text)
{
    return QString::fromLatin1(text.toLatin1());
}
