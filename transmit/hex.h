#pragma once

#include <QString>

// The value of one hexadecimal digit: "0"-"9" and "A"-"F" only (case-sensitive), anything
// else -1.
int hexDigitValue(QChar c);

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
