#include "hexviews.h"

#include "hex.h"

#include <algorithm>

QString hexViewText(std::span<const quint8> bytes)
{
    static constexpr char digits[] = "0123456789ABCDEF";
    QString text(qsizetype(bytes.size()) * 3, Qt::Uninitialized);
    QChar *out = text.data();
    for (const quint8 b : bytes) {
        *out++ = QLatin1Char(digits[b >> 4]);
        *out++ = QLatin1Char(digits[b & 0xF]);
        *out++ = QLatin1Char(' ');
    }
    return text;
}

QString asciiViewText(std::span<const quint8> bytes)
{
    const auto zeros = std::count(bytes.begin(), bytes.end(), quint8(0));
    QString text(qsizetype(bytes.size()) + 2 * qsizetype(zeros), Qt::Uninitialized);
    QChar *out = text.data();
    for (const quint8 b : bytes) {
        if (b == 0) {
            *out++ = QLatin1Char('<');
            *out++ = QLatin1Char('0');
            *out++ = QLatin1Char('>');
        } else {
            *out++ = QChar(b);
        }
    }
    return text;
}

qint32 hexViewToBuffer(const QString &text, std::span<quint8> buffer)
{
    const qsizetype length = text.size();
    // Every started group of three characters is a byte.
    if ((length + 2) / 3 > qsizetype(buffer.size()))
        return -1;
    // Reused so that each pair costs no allocation.
    QString pair(2, QChar());
    QString single(1, QChar());
    qsizetype count = 0;
    for (qsizetype p = 0; p < length; p += 3) {
        qint32 value;
        if (p + 1 < length) {
            pair[0] = text.at(p);
            pair[1] = text.at(p + 1);
            value = hexValue16(pair);
        } else {
            single[0] = text.at(p);
            value = hexValue16(single);
        }
        if (value >= 0 && value <= 255)
            buffer[size_t(count)] = quint8(value);
        ++count;
    }
    return qint32(count);
}

namespace {

bool zeroMarkerAt(const QChar *in, qsizetype i, qsizetype length)
{
    return in[i] == u'<' && i + 2 < length && in[i + 1] == u'0' && in[i + 2] == u'>';
}

} // namespace

qint32 asciiViewToBuffer(const QString &text, std::span<quint8> buffer)
{
    const qsizetype length = text.size();
    const QChar *in = text.constData();
    // Counted first: a text that does not fit must leave the buffer as it was.
    qsizetype bytes = 0;
    for (qsizetype i = 0; i < length; ++bytes)
        i += zeroMarkerAt(in, i, length) ? 3 : 1;
    if (bytes > qsizetype(buffer.size()))
        return -1;

    qsizetype count = 0;
    for (qsizetype i = 0; i < length; ++count) {
        if (zeroMarkerAt(in, i, length)) {
            buffer[size_t(count)] = 0;
            i += 3;
        } else {
            const char16_t c = in[i].unicode();
            buffer[size_t(count)] = c <= 0xFF ? quint8(c) : quint8('?');
            ++i;
        }
    }
    return qint32(count);
}
