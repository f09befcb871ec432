#include "terminal/capturebuffer.h"

#include <algorithm>
#include <cstring>

QByteArrayView CaptureBuffer::bytes() const
{
    return QByteArrayView(reinterpret_cast<const char *>(store_.data()), std::max(count_, 0));
}

bool CaptureBuffer::store(QByteArrayView bytes)
{
    // A count outside the store can only come from a fault elsewhere: start again.
    if (count_ < 0 || count_ > kLimit)
        count_ = 0;
    bool emptied = false;
    const auto *data = reinterpret_cast<const quint8 *>(bytes.data());
    qsizetype i = 0;
    while (i < bytes.size()) {
        // Bytes until the capture passes its limit.
        const qsizetype room = qsizetype(kLimit) + 1 - count_;
        const qsizetype take = std::min(bytes.size() - i, room);
        std::memcpy(store_.data() + count_, data + i, size_t(take));
        count_ += qint32(take);
        i += take;
        if (count_ > kLimit) {
            count_ = 0;
            emptied = true;
        }
    }
    return emptied;
}

void CaptureBuffer::storeThenEmpty(quint8 byte)
{
    if (count_ < 0 || count_ > kLimit)
        count_ = 0;
    store_[size_t(count_)] = byte;
    count_ = 0;
}

void CaptureBuffer::clearHead()
{
    count_ = 0;
    std::fill_n(store_.begin(), kClearedHead, quint8(0));
}
