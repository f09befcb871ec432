#pragma once

#include <QByteArrayView>
#include <QString>

// The receive path without widgets: text forms of a byte and the per-byte steps of the
// receive handler applied to a whole batch of bytes.

// Two uppercase hexadecimal digits, a leading "0" below 16 (10 -> "0A"). Values outside
// 0..255 give their 16-bit form, at least two digits.
QString Dec2Hex(int value);

// The ASCII pane never holds more than this many characters once a port event has run
// (unless capturing silently).
inline constexpr qsizetype kAsciiPaneLimit = 20000;
// The capture is emptied once it holds more than this many bytes.
inline constexpr qint32 kCaptureLimit = 99998;

struct ReceiveOutcome
{
    bool textPending = false;  // something was queued for the panes: the flush timer must run
    bool panesEmptied = false; // the size limit struck: both panes must be emptied
};

// Runs the receive steps for every byte of `bytes` in order, with the result that one
// event per byte would have had: queue the text and hexadecimal forms (unless silent),
// capture the byte into rxCaptureBuffer / rxCaptureCount, then apply the size limit.
// `asciiPaneLength` is the ASCII pane's length before the batch; the panes are not
// flushed within a batch, so after the limit strikes once the pane counts as empty.
ReceiveOutcome receiveBytes(QByteArrayView bytes, bool silent, qsizetype asciiPaneLength,
                            QString &asciiPending, QString &hexPending);

// The size limit checked after every port event.
bool sizeLimitReached(qsizetype asciiPaneLength, bool silent, qint32 captureCount);
