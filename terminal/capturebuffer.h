#pragma once

#include <QByteArrayView>
#include <QtGlobal>

#include <array>

// Every received byte in order of arrival: bytes 0 .. count() - 1 of a fixed store.
// Once it holds more than kLimit bytes it starts again from empty.
class CaptureBuffer
{
public:
    static constexpr qsizetype kSize = 100001;
    static constexpr qint32 kLimit = 99998;
    // "Clear RX window" zeroes only this many bytes at the start.
    static constexpr qsizetype kClearedHead = 2511;

    qint32 count() const { return count_; }
    QByteArrayView bytes() const;
    const quint8 *data() const { return store_.data(); }

    // Stores the bytes in order; each time the count passes kLimit the capture empties
    // (after storing that byte). Returns true when it emptied at least once.
    bool store(QByteArrayView bytes);
    // Stores one byte at the current count and then empties (the size rule struck
    // before the byte counted).
    void storeThenEmpty(quint8 byte);
    void empty() { count_ = 0; }
    // "Clear RX window": empty, and the first kClearedHead bytes zeroed.
    void clearHead();

private:
    std::array<quint8, kSize> store_{};
    qint32 count_ = 0;
};
