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
    const qsizetype capacity = qsizetype(buffer.size());
    // Reused so that each pair costs no allocation.
    QString pair(2, QChar());
    QString single(1, QChar());
    qsizetype count = 0;
    for (qsizetype p = 0; p < length && count < capacity; p += 3) {
        qint32 value;
        if (p + 1 < length) {
            pair[0] = text.at(p);
            pair[1] = text.at(p + 1);
            value = Hex2Dec(pair);
        } else {
            single[0] = text.at(p);
            value = Hex2Dec(single);
        }
        if (value >= 0 && value <= 255)
            buffer[size_t(count)] = quint8(value);
        ++count;
    }
    return qint32(count);
}

qint32 asciiViewToBuffer(const QString &text, std::span<quint8> buffer)
{
    const qsizetype length = text.size();
    const qsizetype capacity = qsizetype(buffer.size());
    const QChar *in = text.constData();
    qsizetype count = 0;
    qsizetype i = 0;
    while (i < length && count < capacity) {
        if (in[i] == u'<' && i + 2 < length && in[i + 1] == u'0' && in[i + 2] == u'>') {
            buffer[size_t(count)] = 0;
            i += 3;
        } else {
            const char16_t c = in[i].unicode();
            buffer[size_t(count)] = c <= 0xFF ? quint8(c) : quint8('?');
            ++i;
        }
        ++count;
    }
    return qint32(count);
}
