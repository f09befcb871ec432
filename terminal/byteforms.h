#pragma once

#include <QByteArrayView>
#include <QString>
#include <QStringView>

// The two text forms of a byte, used by the receive panes, the echoes, the capture exports
// and the hex editor. ASCII form: the character with the byte's code, but a zero byte is the
// three characters "<0>". Hexadecimal form: two uppercase digits and one blank ("0A ").

// Appends the forms of every byte; the hexadecimal one costs one table copy a byte.
void appendAsciiForms(QString &out, QByteArrayView bytes);
void appendHexForms(QString &out, QByteArrayView bytes);
// The same into a string of exactly the right size.
[[nodiscard]] QString asciiForms(QByteArrayView bytes);
[[nodiscard]] QString hexForms(QByteArrayView bytes);

// The ASCII form of a zero byte.
inline constexpr char kZeroMarker[] = "<0>";

// Reads one element of ASCII forms at text[i] ("<0>" or one character; a character outside
// ISO-8859-1 becomes "?"): stores its byte and returns where the next element starts.
// Inline: the hex editor reads whole views with it.
inline qsizetype readAsciiForm(QStringView text, qsizetype i, quint8 &byte)
{
    if (text[i] == QLatin1Char(kZeroMarker[0]) && i + 2 < text.size() &&
        text[i + 1] == QLatin1Char(kZeroMarker[1]) && text[i + 2] == QLatin1Char(kZeroMarker[2])) {
        byte = 0;
        return i + 3;
    }
    const char16_t c = text[i].unicode();
    byte = c <= 0xFF ? quint8(c) : quint8('?');
    return i + 1;
}

// Whether the ASCII forms of bytes read back as the same bytes: not so when they hold the
// characters "<0>" themselves, which read back as a zero byte.
[[nodiscard]] bool asciiFormsReadBack(QByteArrayView bytes);
