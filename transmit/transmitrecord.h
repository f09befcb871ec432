#pragma once

#include <QByteArrayView>
#include <QtGlobal>

#include <array>

// The bytes of the last text, key-row or file send, for the hex editor's "Load TX buffer":
// only the first kSize bytes are kept while the count may be larger.
class TransmitRecord
{
public:
    static constexpr qsizetype kSize = 2511;

    qint32 count() const { return count_; }
    // The bytes there are to take: the first min(count, kSize), none for a count below 1.
    QByteArrayView stored() const;

    // A whole send at once.
    void record(QByteArrayView bytes);
    // A send that records as it goes (the file send): byte at pos, kept when it fits.
    void storeAt(qint64 pos, quint8 byte);
    // A run of such a send at once: as storeAt for each of its bytes from pos on.
    void storeRange(qint64 pos, QByteArrayView bytes);
    void setCount(qint32 count) { count_ = count; }

private:
    std::array<quint8, kSize> store_{};
    qint32 count_ = 0;
};
