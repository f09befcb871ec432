#pragma once

// The main window's parts wired as the window wires them, on fake views, a scripted pacer
// and a hand-ticked flush, with a fake port or the real port on a pty (the test plays the
// device). No widget anywhere.

#include "files_views/captureexport.h"
#include "files_views/filesender.h"
#include "files_views/projectfiles.h"
#include "platform/qtcommport.h"
#include "terminal/capturebuffer.h"
#include "terminal/options.h"
#include "terminal/portconnection.h"
#include "terminal/receiveengine.h"
#include "tests/support/fakecommport.h"
#include "tests/support/fakes.h"
#include "tests/support/fakeviews.h"
#include "tests/support/ptydevice.h"
#include "tests/support/samples.h"
#include "transmit/bank.h"
#include "transmit/bankpager.h"
#include "transmit/commandrunner.h"
#include "transmit/sequencer.h"
#include "transmit/textsender.h"
#include "transmit/transmitcontext.h"
#include "transmit/transmitrecord.h"

#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <memory>
#include <utility>

#include <sys/stat.h>

struct Parts
{
    enum Kind { Fake, RealPty };

    QTemporaryDir dir;
    std::unique_ptr<Pty> pty;
    FakeCommPort *fake = nullptr; // the fake port; null on a pty
    FakeViews views;
    ScriptedPacer pacer;
    ManualTicker ticker;
    FakeDialog fileDialog, captureDialog;
    FakeMessageBox messages;

    Options options;
    CaptureBuffer capture;
    TransmitRecord record;
    CommandLane gate;
    TransmitState state;
    ReceiveEngine receive{capture, options, views, ticker};
    PortConnection port;
    SendKeyBank bank;
    BankPager pager{bank, views, pacer};
    TransmitContext transmit{gate, state, options, port, views, views, pacer, record};
    TextSender textSender{transmit};
    Sequencer sequencer{transmit, bank, pager, views};
    FileSender fileSender{transmit, fileDialog, messages};
    ProjectFiles projects{bank, pager, fileDialog, messages};
    CaptureExport captureExport{capture, views, captureDialog, messages};

    explicit Parts(Kind kind = Fake)
        : pty(kind == RealPty ? makePty() : nullptr),
          port(makePort(kind), views, views, receive, views)
    {
        views.pageChanged = [this] { pager.pageTextChanged(); };
        port.receiveHub().attach(receive);
        port.openAtStartup(views.baud, 1);
        if (!port.port()->isOpen())
            qFatal("COM1 did not open");
        pager.setCurrentPage(1);
        pager.showCurrentPage();
    }

    // What went out of the port since the last call: the fake's record, or what the device
    // on the pty received until nothing more arrived for 300 ms (the event loop runs
    // meanwhile: the port hands small writes to its thread from there).
    QByteArray takeWritten()
    {
        if (fake)
            return std::exchange(fake->written, QByteArray());
        return pty->receiveUntilQuiet();
    }

    void fillRow(int page, int row, const QString &text, const QString &description = {})
    {
        bank.setString(page, row, text);
        bank.setDescription(page, row, description);
    }

    QString path(const QString &name) const { return dir.filePath(name); }
    QString writeFile(const QString &name, const QByteArray &bytes) const
    {
        return writeTestFile(path(name), bytes);
    }
    static QByteArray readFile(const QString &p) { return readTestFile(p); }
    // A FIFO nobody writes to: opened plainly for reading, it would wait for a writer.
    QString fifo(const QString &name) const
    {
        return ::mkfifo(QFile::encodeName(path(name)).constData(), 0600) == 0 ? path(name)
                                                                              : QString();
    }

private:
    static std::unique_ptr<Pty> makePty()
    {
        QStandardPaths::setTestModeEnabled(true);
        auto pty = std::make_unique<Pty>();
        if (!pty->isOpen() || !linkComPort(1, pty->slavePath()))
            qFatal("no pty for COM1");
        return pty;
    }
    std::unique_ptr<CommPort> makePort(Kind kind)
    {
        if (kind == RealPty)
            return makeQtCommPort();
        auto p = std::make_unique<FakeCommPort>();
        fake = p.get();
        return p;
    }
};
