#include "receive.h"

#include "globals.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace {

// "41 " for every byte value, built once.
const std::array<std::array<char16_t, 3>, 256> &hexForms()
{
    static const auto table = [] {
        std::array<std::array<char16_t, 3>, 256> t{};
        const char *digits = "0123456789ABCDEF";
        for (int b = 0; b < 256; ++b)
            t[b] = {char16_t(digits[b >> 4]), char16_t(digits[b & 15]), u' '};
        return t;
    }();
    return table;
}

void appendAscii(QString &out, const char *data, qsizetype n)
{
    // A zero byte is shown as "<0>"; everything else as the character with that code.
    while (n > 0) {
        const auto *zero = static_cast<const char *>(std::memchr(data, 0, size_t(n)));
        const qsizetype run = zero ? zero - data : n;
        out.append(QLatin1StringView(data, run));
        if (!zero)
            break;
        out.append(QLatin1StringView("<0>"));
        data += run + 1;
        n -= run + 1;
    }
}

void appendHex(QString &out, const uchar *data, qsizetype n)
{
    const qsizetype start = out.size();
    out.resize(start + 3 * n);
    char16_t *dst = reinterpret_cast<char16_t *>(out.data()) + start;
    const auto &table = hexForms();
    for (qsizetype i = 0; i < n; ++i, dst += 3)
        std::memcpy(dst, table[data[i]].data(), 3 * sizeof(char16_t));
}

} // namespace

QString Dec2Hex(int value)
{
    QString s = QString::number(quint16(value), 16).toUpper();
    if (s.size() < 2)
        s.prepend(u'0');
    return s;
}

bool sizeLimitReached(qsizetype asciiPaneLength, bool silent, qint32 captureCount)
{
    return (asciiPaneLength > kAsciiPaneLimit && !silent) || captureCount > kCaptureLimit;
}

ReceiveOutcome receiveBytes(QByteArrayView bytes, bool silent, qsizetype asciiPaneLength,
                            QString &asciiPending, QString &hexPending)
{
    ReceiveOutcome out;
    const qsizetype n = bytes.size();
    if (n == 0)
        return out;
    const auto *data = reinterpret_cast<const uchar *>(bytes.data());

    if (!silent) {
        out.textPending = true;
        hexPending.reserve(hexPending.size() + 3 * n);
        appendAscii(asciiPending, bytes.data(), n);
        appendHex(hexPending, data, n);
    }

    // A count outside the buffer (only possible if someone else corrupted it) restarts.
    if (rxCaptureCount < 0 || rxCaptureCount > kCaptureLimit)
        rxCaptureCount = 0;

    qsizetype i = 0;
    if (!silent && asciiPaneLength > kAsciiPaneLimit) {
        // The first byte's event finds the pane over its limit: the byte is captured and
        // the same event empties panes and capture. The panes then stay empty for the
        // rest of the batch.
        rxCaptureBuffer[size_t(rxCaptureCount)] = data[0];
        rxCaptureCount = 0;
        out.panesEmptied = true;
        i = 1;
    }
    while (i < n) {
        // Bytes until the capture passes its limit.
        const qsizetype room = qsizetype(kCaptureLimit) + 1 - rxCaptureCount;
        const qsizetype take = std::min(n - i, room);
        std::memcpy(rxCaptureBuffer.data() + rxCaptureCount, data + i, size_t(take));
        rxCaptureCount += qint32(take);
        i += take;
        if (rxCaptureCount > kCaptureLimit) {
            rxCaptureCount = 0;
            out.panesEmptied = true;
        }
    }
    return out;
}
