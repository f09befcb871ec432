#include "hexeditor/hexdocument.h"

#include "hexeditor/hexviews.h"
#include "terminal/byteforms.h"

#include <algorithm>
#include <cstring>
#include <span>

QByteArrayView HexDocument::bytes() const
{
    return QByteArrayView(reinterpret_cast<const char *>(store_.data()), size_);
}

QString HexDocument::hexView() const
{
    return hexForms(bytes());
}

QString HexDocument::asciiView() const
{
    return asciiForms(bytes());
}

std::optional<qint32> HexDocument::readHexView(const QString &text)
{
    const qint32 size = hexViewToBuffer(text, store_);
    if (size < 0)
        return std::nullopt;
    return size_ = size;
}

std::optional<qint32> HexDocument::readAsciiView(const QString &text)
{
    const qint32 size = asciiViewToBuffer(text, store_);
    if (size < 0)
        return std::nullopt;
    return size_ = size;
}

QByteArrayView HexDocument::range(qint32 from, qint32 to) const
{
    return QByteArrayView(reinterpret_cast<const char *>(store_.data()) + from, to - from);
}

qsizetype HexDocument::zerosIn(qint32 from, qint32 to) const
{
    const auto bytes = range(from, to);
    return std::count(bytes.begin(), bytes.end(), '\0');
}

std::optional<ViewEdit> HexDocument::readHexEdit(const QString &before, const QString &after)
{
    const qsizetype length = after.size();
    if ((length + 2) / 3 > kCapacity)
        return std::nullopt;
    const auto [same, sameEnd] = commonEnds(before, after);
    if (length == before.size() && same == length)
        return ViewEdit{};
    // A pair is read from its place only, so one whose characters did not change reads as
    // before; a change of length moves every later pair.
    const auto first = qint32(same / 3);
    qint32 oldEnd = size_;
    qint32 newEnd = qint32((length + 2) / 3);
    if (length == before.size())
        oldEnd = newEnd = qint32((length - sameEnd + 2) / 3);
    // In the ASCII view a zero byte takes three characters.
    const qsizetype start = first + 2 * zerosIn(0, first);
    const qsizetype end = start + (oldEnd - first) + 2 * zerosIn(first, oldEnd);
    readHexPairs(after, first, newEnd, store_);
    size_ = qint32((length + 2) / 3);
    return ViewEdit{start, end, asciiForms(range(first, newEnd))};
}

std::optional<ViewEdit> HexDocument::readAsciiEdit(const QString &before, const QString &after)
{
    const auto [same, sameEnd] = commonEnds(before, after);
    if (before.size() == after.size() && same == after.size())
        return ViewEdit{};
    // An element is known from its first three characters: those starting over two
    // characters before the first change read as before.
    qsizetype from = 0;
    qint32 first = 0;
    for (quint8 b; from + 2 < same; ++first)
        from = readAsciiForm(after, from, b);
    // From there both texts are read on until they reach the same element of their
    // common end, after which they read alike.
    const qsizetype oldLength = before.size(), newLength = after.size();
    qsizetype oldAt = from, newAt = from;
    qint32 removed = 0, added = 0;
    for (quint8 b;;) {
        const bool oldInEnd = oldAt >= oldLength - sameEnd, newInEnd = newAt >= newLength - sameEnd;
        if (oldInEnd && newInEnd && oldLength - oldAt == newLength - newAt)
            break;
        if (!oldInEnd || (newInEnd && oldLength - oldAt > newLength - newAt)) {
            oldAt = readAsciiForm(before, oldAt, b);
            ++removed;
        } else {
            newAt = readAsciiForm(after, newAt, b);
            ++added;
        }
    }
    const qint32 size = size_ - removed + added;
    if (size > kCapacity)
        return std::nullopt;
    if (added != removed)
        std::memmove(store_.data() + first + added, store_.data() + first + removed,
                     size_t(size_ - first - removed));
    for (qsizetype i = from, k = first; i < newAt; ++k)
        i = readAsciiForm(after, i, store_[size_t(k)]);
    size_ = size;
    // The hex view has three characters for every byte.
    return ViewEdit{3 * qsizetype(first), 3 * qsizetype(first + removed),
                    hexForms(range(first, first + added))};
}

void HexDocument::setContent(QByteArrayView bytes)
{
    const auto n = std::min<qsizetype>(bytes.size(), kCapacity);
    if (n > 0) // an empty view may have no data at all, which memcpy must not be given
        std::memcpy(store_.data(), bytes.data(), size_t(n));
    if (n < kCapacity)
        store_[size_t(n)] = 0;
    size_ = qint32(n);
}

void HexDocument::clear()
{
    store_.fill(0);
    size_ = 0;
}
