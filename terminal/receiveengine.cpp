#include "terminal/receiveengine.h"

#include "platform/ticker.h"
#include "terminal/byteforms.h"
#include "terminal/capturebuffer.h"
#include "terminal/options.h"
#include "terminal/terminalviews.h"

#include <utility>

namespace {

// Held bytes reach the receive steps in pieces of this size, each as one port event would
// bring it, so the early flush keeps the text waiting for the panes small.
constexpr qsizetype kReleaseSlice = kEarlyFlushChars / 3;

} // namespace

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
        appendAsciiForms(pendingAscii_, bytes);
        appendHexForms(pendingHex_, bytes);
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

void ReceiveEngine::received(const Received &bytes)
{
    if (suspended_)
        held_.append(bytes.bytes);
    else
        receive(bytes.bytes);
}

void ReceiveEngine::setSuspended(bool suspended)
{
    suspended_ = suspended;
    if (suspended)
        return;
    const QByteArray held = std::exchange(held_, QByteArray());
    for (qsizetype at = 0; at < held.size(); at += kReleaseSlice) {
        receive(QByteArrayView(held).sliced(at).first(qMin(kReleaseSlice, held.size() - at)));
        applySizeLimit();
    }
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
