#pragma once

#include <QString>
#include <QStringView>

#include <cstdint>
#include <span>
#include <utility>

// The hex editor's two views read back into its byte buffer. The hex view holds the
// hexadecimal forms of the bytes, the ASCII view their ASCII forms (terminal/byteforms.h).

// Reads the hex view strictly by position: the characters at 0-1, 3-4, 6-7, ... are
// read with hexValue16, whatever lies between them is skipped, a lone last character is
// read alone. A value outside 0..255 leaves that byte of the buffer as it was but still
// counts. Returns the number of bytes, or -1 without touching the buffer when the text
// holds more bytes than the buffer.
qint32 hexViewToBuffer(const QString &text, std::span<quint8> buffer);

// Reads the ASCII view element by element (readAsciiForm). Returns the number of bytes, or -1
// without touching the buffer when the text holds more bytes than the buffer.
qint32 asciiViewToBuffer(const QString &text, std::span<quint8> buffer);

// Reads pairs [first, end) of a hex view into buffer[first, end), by the rules above.
void readHexPairs(QStringView text, qsizetype first, qsizetype end, std::span<quint8> buffer);

// Lengths of the common start and the common end of two texts; together they never
// exceed the shorter text.
std::pair<qsizetype, qsizetype> commonEnds(QStringView a, QStringView b);
