#pragma once

#include <QString>
#include <QStringView>

#include <cstdint>
#include <span>
#include <utility>

// The two text forms of the hex editor's byte buffer and their conversion back.
//
// Hex view: each byte as two uppercase digits followed by one space ("41 0A FF ").
// ASCII view: each byte as the character with that code, a zero byte as "<0>".

// Bytes the editor's buffer holds (indices 0 to 512000).
inline constexpr qsizetype kEditBufferSize = 512001;

QString hexViewText(std::span<const quint8> bytes);
QString asciiViewText(std::span<const quint8> bytes);

// Reads the hex view strictly by position: the characters at 0-1, 3-4, 6-7, ... are
// read with hexValue16, whatever lies between them is skipped, a lone last character is
// read alone. A value outside 0..255 leaves that byte of the buffer as it was but still
// counts. Returns the number of bytes, or -1 without touching the buffer when the text
// holds more bytes than the buffer.
qint32 hexViewToBuffer(const QString &text, std::span<quint8> buffer);

// Reads the ASCII view: "<0>" is a zero byte, any other character its code; a character
// outside ISO-8859-1 becomes "?". Returns the number of bytes, or -1 without touching the
// buffer when the text holds more bytes than the buffer.
qint32 asciiViewToBuffer(const QString &text, std::span<quint8> buffer);

// Reads pairs [first, end) of a hex view into buffer[first, end), by the rules above.
void readHexPairs(QStringView text, qsizetype first, qsizetype end, std::span<quint8> buffer);

// One element of the ASCII view at text[i] ("<0>" or one character): stores its byte in
// `byte` and returns where the next element starts.
qsizetype readAsciiElement(QStringView text, qsizetype i, quint8 &byte);

// Lengths of the common start and the common end of two texts; together they never
// exceed the shorter text.
std::pair<qsizetype, qsizetype> commonEnds(QStringView a, QStringView b);
