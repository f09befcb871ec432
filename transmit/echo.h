#pragma once

#include <QString>

// The echo line of a send: the text itself, or in hex mode two upper-case digits and a
// blank per character; then CR LF.
QString echoLine(const QString &text, bool hex);

// Characters are bytes: anything outside ISO-8859-1 goes out (and is echoed) as "?", one for
// each character, as the byte boxes show it.
QString asBytes(const QString &text);
