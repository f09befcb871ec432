#include "echo.h"

#include "hex.h"
#include "latin1.h"

QString echoLine(const QString &text, bool hex)
{
    return hex ? hexEchoLine(text) : text + QStringLiteral("\r\n");
}

QString asBytes(const QString &text)
{
    return latin1Chars(text);
}
