#include "hexeditor/hexviews.h"

#include <algorithm>
#include <array>
#include <cstring>

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

namespace {

// Value of a digit as hexValue16 counts it: "0"-"9" and "A"-"F" only, anything else -1.
constexpr std::array<qint8, 128> kDigits = [] {
    std::array<qint8, 128> t{};
    t.fill(-1);
    for (int c = '0'; c <= '9'; ++c)
        t[size_t(c)] = qint8(c - '0');
    for (int c = 'A'; c <= 'F'; ++c)
        t[size_t(c)] = qint8(c - 'A' + 10);
    return t;
}();

int digit(QChar c)
{
    const char16_t u = c.unicode();
    return u < 128 ? kDigits[u] : -1;
}

bool zeroMarkerAt(QStringView text, qsizetype i)
{
    return text[i] == u'<' && i + 2 < text.size() && text[i + 1] == u'0' && text[i + 2] == u'>';
}

} // namespace

void readHexPairs(QStringView text, qsizetype first, qsizetype end, std::span<quint8> buffer)
{
    const qsizetype length = text.size();
    for (qsizetype k = first; k < end; ++k) {
        const qsizetype p = 3 * k;
        // hexValue16 of one or two digits; one that is no digit counts -1.
        const int value =
            p + 1 < length ? 16 * digit(text[p]) + digit(text[p + 1]) : digit(text[p]);
        if (value >= 0 && value <= 255)
            buffer[size_t(k)] = quint8(value);
    }
}

qint32 hexViewToBuffer(const QString &text, std::span<quint8> buffer)
{
    // Every started group of three characters is a byte.
    const qsizetype count = (text.size() + 2) / 3;
    if (count > qsizetype(buffer.size()))
        return -1;
    readHexPairs(text, 0, count, buffer);
    return qint32(count);
}

qsizetype readAsciiElement(QStringView text, qsizetype i, quint8 &byte)
{
    if (zeroMarkerAt(text, i)) {
        byte = 0;
        return i + 3;
    }
    const char16_t c = text[i].unicode();
    byte = c <= 0xFF ? quint8(c) : quint8('?');
    return i + 1;
}

qint32 asciiViewToBuffer(const QString &text, std::span<quint8> buffer)
{
    const qsizetype length = text.size();
    // Counted first: a text that does not fit must leave the buffer as it was.
    qsizetype bytes = 0;
    for (qsizetype i = 0; i < length; ++bytes)
        i += zeroMarkerAt(text, i) ? 3 : 1;
    if (bytes > qsizetype(buffer.size()))
        return -1;

    qsizetype count = 0;
    for (qsizetype i = 0; i < length; ++count)
        i = readAsciiElement(text, i, buffer[size_t(count)]);
    return qint32(count);
}

std::pair<qsizetype, qsizetype> commonEnds(QStringView a, QStringView b)
{
    const qsizetype shorter = std::min(a.size(), b.size());
    const char16_t *pa = a.utf16();
    const char16_t *pb = b.utf16();
    // Whole blocks by memcmp first: a view holds up to 1.5 million characters.
    constexpr qsizetype kBlock = 256;
    const auto same = [](const char16_t *x, const char16_t *y, qsizetype n) {
        return std::memcmp(x, y, size_t(n) * sizeof(char16_t)) == 0;
    };
    qsizetype pre = 0;
    while (pre + kBlock <= shorter && same(pa + pre, pb + pre, kBlock))
        pre += kBlock;
    while (pre < shorter && pa[pre] == pb[pre])
        ++pre;
    const qsizetype rest = shorter - pre;
    const char16_t *ea = pa + a.size();
    const char16_t *eb = pb + b.size();
    qsizetype suf = 0;
    while (suf + kBlock <= rest && same(ea - suf - kBlock, eb - suf - kBlock, kBlock))
        suf += kBlock;
    while (suf < rest && ea[-suf - 1] == eb[-suf - 1])
        ++suf;
    return {pre, suf};
}
