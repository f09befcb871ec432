#include "hexeditor/hexviews.h"

#include "terminal/byteforms.h"
#include "transmit/hex.h"

#include <algorithm>
#include <array>
#include <cstring>

void readHexPairs(QStringView text, qsizetype first, qsizetype end, std::span<quint8> buffer)
{
    const qsizetype length = text.size();
    for (qsizetype k = first; k < end; ++k) {
        const qsizetype p = 3 * k;
        // hexValue16 of one or two digits; one that is no digit counts -1.
        const int value = p + 1 < length ? 16 * hexDigitValue(text[p]) + hexDigitValue(text[p + 1])
                                         : hexDigitValue(text[p]);
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

qint32 asciiViewToBuffer(const QString &text, std::span<quint8> buffer)
{
    const qsizetype length = text.size();
    // Counted first: a text that does not fit must leave the buffer as it was.
    qsizetype bytes = 0;
    for (qsizetype i = 0; i < length; ++bytes) {
        quint8 byte;
        i = readAsciiForm(text, i, byte);
    }
    if (bytes > qsizetype(buffer.size()))
        return -1;

    qsizetype count = 0;
    for (qsizetype i = 0; i < length; ++count)
        i = readAsciiForm(text, i, buffer[size_t(count)]);
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
