#pragma once

// Stand-ins for the main window's screen, the pacer and the flush timer, so the program's
// parts run without widgets.

#include "platform/pacer.h"
#include "platform/ticker.h"
#include "terminal/terminalviews.h"
#include "transmit/bankpager.h"
#include "transmit/transmitcontext.h"

#include <QCoreApplication>
#include <QStringList>

#include <array>
#include <functional>
#include <map>

// The screen as plain texts. Like a text box, setting the page box to a different text
// raises its change (bound to pageChanged).
class FakeViews : public StatusLog,
                  public ReceivePanes,
                  public ConnectionView,
                  public TransmitView,
                  public BankScreen
{
public:
    QString status, ascii, hex, rxCount = QStringLiteral("0");
    QString baud = QStringLiteral("9600"), com = QStringLiteral("1");
    bool open = false;
    QString detail, comDevice, lineLabel;
    QString echo, txCount = QStringLiteral("0"), itemRow = QStringLiteral("0");
    bool cr = false, lf = false;
    std::array<QString, 20> descriptions, strings;
    QString page = QStringLiteral("1"), delay = QStringLiteral("100");
    std::function<void()> pageChanged;
    std::function<void()> onEcho; // after every echo change, for tests that act mid-send

    void add(const QString &line) override { status += line + QStringLiteral("\r\n"); }

    qsizetype asciiLength() const override { return ascii.size(); }
    QString hexText() const override { return hex; }
    void append(const QString &a, const QString &h) override
    {
        ascii += a;
        hex += h;
    }
    void setTexts(const QString &a, const QString &h) override
    {
        ascii = a;
        hex = h;
    }
    void emptyFilled() override
    {
        ascii.clear();
        hex.clear();
    }
    void showCount(qint32 count) override { rxCount = QString::number(count); }

    QString baudText() const override { return baud; }
    QString comText() const override { return com; }
    void showOpen(bool o) override { open = o; }
    void showDetail(const QString &d) override { detail = d; }
    void showComDevice(const QString &d) override { comDevice = d; }
    void showLineSettings(const QString &label) override { lineLabel = label; }

    void clearEcho() override { setEcho(QString()); }
    void appendEcho(const QString &text) override { setEcho(echo + text); }
    void showSentCount(qint64 count) override { txCount = QString::number(count); }
    void showItemRow(int row) override { itemRow = QString::number(row); }
    bool addCr() const override { return cr; }
    bool addLf() const override { return lf; }

    QString rowDescription(int row) const override { return descriptions[size_t(row)]; }
    QString rowString(int row) const override { return strings[size_t(row)]; }
    void showRow(int row, const QString &d, const QString &s) override
    {
        descriptions[size_t(row)] = d;
        strings[size_t(row)] = s;
    }
    QString pageText() const override { return page; }
    void setPageText(const QString &text) override
    {
        if (text == page)
            return;
        page = text;
        if (pageChanged)
            pageChanged();
    }
    QString delayText() const override { return delay; }

private:
    void setEcho(const QString &text)
    {
        echo = text;
        if (onEcho)
            onEcho();
    }
};

// A pacer that keeps a trace ("y" for a yield, "i"/"p" for an item or page pause) and can
// run an action at a given step of it. Yields and waits let real events run (a port on a
// pty delivers through the event loop); pauses take no time.
class ScriptedPacer : public Pacer
{
public:
    QString trace;
    bool closing = false;
    std::map<qsizetype, std::function<void()>> at; // trace length -> action run there
    int itemMs = 100, pageMs = 1000;

    bool yieldOnce() override { return step(u'y'); }
    bool pause(Pause which) override { return step(which == Pause::Item ? u'i' : u'p'); }
    bool waitForEvents() override
    {
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 50);
        return !closing;
    }
    void setPauseMs(Pause which, int ms) override { (which == Pause::Item ? itemMs : pageMs) = ms; }
    int pauseMs(Pause which) const override { return which == Pause::Item ? itemMs : pageMs; }

private:
    bool step(QChar kind)
    {
        trace += kind;
        QCoreApplication::processEvents();
        if (auto it = at.find(trace.size()); it != at.end())
            it->second();
        return !closing;
    }
};

// The receive flush timer, ticked by hand.
class ManualTicker : public Ticker
{
public:
    bool active = false;
    void start() override { active = true; }
    void stop() override { active = false; }
    bool isActive() const override { return active; }
    void fire()
    {
        if (onTimeout)
            onTimeout();
    }
};
