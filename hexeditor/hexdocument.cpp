#include "hexdocument.h"

#include "hexviews.h"

#include <algorithm>
#include <cstring>
#include <span>

QByteArrayView HexDocument::bytes() const
{
    return QByteArrayView(reinterpret_cast<const char *>(store_.data()), size_);
}

QString HexDocument::hexView() const
{
    return hexViewText(std::span(store_).first(size_t(size_)));
}

QString HexDocument::asciiView() const
{
    return asciiViewText(std::span(store_).first(size_t(size_)));
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
