#pragma once

#include <QString>

#include <array>

// The value of one hexadecimal digit: "0"-"9" and "A"-"F" only (case-sensitive), anything
// else -1. Inline: the hex editor reads whole views with it.
inline constexpr std::array<qint8, 128> kHexDigitValues = [] {
    std::array<qint8, 128> t{};
    t.fill(-1);
    for (int c = '0'; c <= '9'; ++c)
        t[size_t(c)] = qint8(c - '0');
    for (int c = 'A'; c <= 'F'; ++c)
        t[size_t(c)] = qint8(c - 'A' + 10);
    return t;
}();
inline int hexDigitValue(QChar c)
{
    const char16_t u = c.unicode();
    return u < 128 ? kHexDigitValues[u] : -1;
}

// String of hexadecimal digits to a number. Digits are read by hexDigitValue (anything
// else counts as -1), rightmost first, in a 16-bit total: a step that would leave
// -32768..32767 is skipped.
qint32 hexValue16(const QString &sHex);

// Hex-pair text to the characters it denotes. Pairs are read at every third position
// (the character after a pair is the separator, whatever it is); a pair whose value is
// negative adds nothing, a lone last character is read as a one-digit value.
QString hexPairsToText(const QString &hexText);

// The echo line of a send in hex: the hexadecimal form of every character, then CR LF.
// Characters are bytes (ISO-8859-1).
QString hexEchoLine(const QString &text);
