#include "transmit/transmitrecord.h"

#include <algorithm>
#include <cstring>

QByteArrayView TransmitRecord::stored() const
{
    const qsizetype n = std::clamp<qsizetype>(count_, 0, kSize);
    return QByteArrayView(reinterpret_cast<const char *>(store_.data()), n);
}

void TransmitRecord::record(QByteArrayView bytes)
{
    const auto kept = std::min<qsizetype>(bytes.size(), kSize);
    std::memcpy(store_.data(), bytes.data(), size_t(kept));
    count_ = qint32(bytes.size());
}

void TransmitRecord::storeAt(qint64 pos, quint8 byte)
{
    if (pos >= 0 && pos < kSize)
        store_[size_t(pos)] = byte;
}

void TransmitRecord::storeRange(qint64 pos, QByteArrayView bytes)
{
    const qint64 from = std::max<qint64>(pos, 0);
    const qint64 to = std::min<qint64>(pos + bytes.size(), kSize);
    if (from < to)
        std::memcpy(store_.data() + from, bytes.data() + (from - pos), size_t(to - from));
}
