#pragma once

#include <QByteArray>
#include <QString>

// What the terminal needs of the screen, and what the senders need of the port. The main
// window implements the views over its widgets; tests use small fakes.

// The status box: every line is appended with CR LF and the box shows its end.
class StatusLog
{
public:
    virtual ~StatusLog() = default;
    virtual void add(const QString &line) = 0;
};

// The two receive panes and the receive counter.
class ReceivePanes
{
public:
    virtual ~ReceivePanes() = default;
    virtual qsizetype asciiLength() const = 0;
    virtual QString hexText() const = 0;
    virtual void append(const QString &ascii, const QString &hex) = 0;
    virtual void setTexts(const QString &ascii, const QString &hex) = 0;
    // Empties each pane that holds text; an empty pane is left alone, so no change event
    // runs for nothing.
    virtual void emptyFilled() = 0;
    virtual void showCount(qint32 count) = 0;
};

// The port box group: what the user typed, the lamp and the tooltips that explain it.
class ConnectionView
{
public:
    virtual ~ConnectionView() = default;
    virtual QString baudText() const = 0;
    virtual QString comText() const = 0;
    // Red while open, white while closed; the colour is set only when it changes.
    virtual void showOpen(bool open) = 0;
    // Why the last open failed, the device and rate in use (the lamp's tooltip).
    virtual void showDetail(const QString &detail) = 0;
    // The device the typed COM number selects (the COM box's tooltip).
    virtual void showComDevice(const QString &device) = 0;
    // The line settings in force, beside the rate box ("8,N,1 no control").
    virtual void showLineSettings(const QString &label) = 0;
};

// The port as the senders see it (the paced write over it is in transmit/).
class ByteWriter
{
public:
    virtual ~ByteWriter() = default;
    // Takes bytes for the line and says how many it took: none when closed, fewer than
    // given when it refuses.
    virtual qint64 output(const QByteArray &bytes) = 0;
    // Output taken that has not gone out yet, and how much of it a sender lets wait
    // before it writes more.
    virtual qint64 pendingOutput() const = 0;
    virtual qint64 outputLimit() const = 0;
    virtual bool isOpen() const = 0;
};
