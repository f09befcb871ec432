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

qint64 HexDocument::hexViewSize(const QString &text)
{
    // A pair at every third position; a lone last character counts as one.
    return (text.size() + 2) / 3;
}

qint64 HexDocument::asciiViewSize(const QString &text)
{
    const QChar *in = text.constData();
    const qsizetype length = text.size();
    qint64 count = 0;
    for (qsizetype i = 0; i < length; ++count) {
        if (in[i] == u'<' && i + 2 < length && in[i + 1] == u'0' && in[i + 2] == u'>')
            i += 3;
        else
            ++i;
    }
    return count;
}

std::optional<qint32> HexDocument::readHexView(const QString &text)
{
    if (hexViewSize(text) > kCapacity)
        return std::nullopt;
    size_ = hexViewToBuffer(text, store_);
    return size_;
}

std::optional<qint32> HexDocument::readAsciiView(const QString &text)
{
    if (asciiViewSize(text) > kCapacity)
        return std::nullopt;
    size_ = asciiViewToBuffer(text, store_);
    return size_;
}

void HexDocument::setContent(QByteArrayView bytes)
{
    const auto n = std::min<qsizetype>(bytes.size(), kCapacity);
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
