#include "terminal/receiveengine.h"

#include "platform/ticker.h"
#include "terminal/capturebuffer.h"
#include "terminal/options.h"
#include "terminal/terminalviews.h"

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

QString hexByteText(int value)
{
    QString s = QString::number(quint16(value), 16).toUpper();
    if (s.size() < 2)
        s.prepend(u'0');
    return s;
}

bool sizeLimitReached(qsizetype asciiPaneLength, bool silent, qint32 captureCount)
{
    return (asciiPaneLength > kAsciiPaneLimit && !silent) || captureCount > CaptureBuffer::kLimit;
}

ReceiveEngine::ReceiveEngine(CaptureBuffer &capture, const Options &options, ReceivePanes &panes,
                             Ticker &flushTicker)
    : capture_(capture), options_(options), panes_(panes), ticker_(flushTicker)
{
    ticker_.onTimeout = [this] { flush(); };
}

void ReceiveEngine::receive(QByteArrayView bytes)
{
    // A line faster than the panes would pile up megabytes between two ticks: tick now,
    // as if the timer had fired just before this event, so the text shown at once stays
    // small and this event's size rule empties the panes as usual.
    if (pendingHex_.size() >= kEarlyFlushChars)
        flush();
    if (bytes.isEmpty())
        return;
    const bool silent = options_.capturesSilently();
    if (!silent) {
        pendingHex_.reserve(pendingHex_.size() + 3 * bytes.size());
        appendAscii(pendingAscii_, bytes.data(), bytes.size());
        appendHex(pendingHex_, reinterpret_cast<const uchar *>(bytes.data()), bytes.size());
    }
    bool emptied = false;
    if (!silent && panes_.asciiLength() > kAsciiPaneLimit) {
        // The first byte's event finds the pane over its limit: the byte is captured and
        // the same event empties panes and capture. The panes then stay empty for the rest
        // of the batch (they are not flushed within it).
        capture_.storeThenEmpty(quint8(bytes.front()));
        bytes = bytes.sliced(1);
        emptied = true;
    }
    if (capture_.store(bytes))
        emptied = true;
    // A running timer is not restarted, so the panes refresh about every 100 ms.
    if (!silent && !ticker_.isActive())
        ticker_.start();
    if (emptied)
        panes_.emptyFilled();
}

void ReceiveEngine::flush()
{
    panes_.append(pendingAscii_, pendingHex_);
    pendingAscii_.clear();
    pendingHex_.clear();
    ticker_.stop();
}

void ReceiveEngine::applySizeLimit()
{
    if (sizeLimitReached(panes_.asciiLength(), options_.capturesSilently(), capture_.count())) {
        panes_.emptyFilled();
        capture_.empty();
    }
    panes_.showCount(capture_.count());
}
