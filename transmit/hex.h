#pragma once

#include <QString>

// String of hexadecimal digits to a number. Digits are looked up case-sensitively in
// "0123456789ABCDEF" (anything else counts as -1), rightmost first, in a 16-bit total:
// a step that would leave -32768..32767 is skipped.
qint32 Hex2Dec(const QString &sHex);
