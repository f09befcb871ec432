#pragma once

#include "fakecommport.h"
#include "fakes.h"
#include "frmserial.h"
#include "globals.h"
#include "ptydevice.h"
#include "qtcommport.h"
#include "testsupport.h"
#include "textbox.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>

#include <functional>
#include <limits>
#include <memory>
#include <utility>

using namespace Qt::StringLiterals;

// A main window on fake dialogs, with its files in a temporary folder and bank page 1
// shown. Its port is a fake, or the real serial port on a pty with the test as the device.
struct Rig
{
    enum Kind { Fake, RealPty };

    QTemporaryDir dir;
    FakeCommPort *port = nullptr; // the fake port; null on a pty
    std::unique_ptr<Pty> pty;
    std::shared_ptr<FakeMessageBox> box = std::make_shared<FakeMessageBox>();
    std::unique_ptr<frmSerial> w;

    explicit Rig(Kind kind = Fake)
    {
        if (kind == RealPty) {
            QStandardPaths::setTestModeEnabled(true);
            pty = std::make_unique<Pty>();
            if (!pty->isOpen() || !linkComPort(1, pty->slavePath()))
                qFatal("no pty for COM1");
        }
        open();
    }

    // What went out of the port since the last call: the fake's record, or what the device
    // on the pty received until nothing more arrived for 300 ms (the event loop runs
    // meanwhile, as the port hands output on from there).
    QByteArray takeWritten()
    {
        if (port)
            return std::exchange(port->written, QByteArray());
        QByteArray got;
        for (QElapsedTimer quiet; !quiet.isValid() || quiet.elapsed() < 300;) {
            QCoreApplication::processEvents();
            const QByteArray more = pty->receive(std::numeric_limits<int>::max(), 10);
            if (!more.isEmpty() || !quiet.isValid())
                quiet.start();
            got += more;
        }
        return got;
    }

    // A new window on the same folder, as after a restart of the program.
    void open()
    {
        QStandardPaths::setTestModeEnabled(true);
        w.reset();
        resetGlobals();
        Services s = testServices(dir.path());
        s.makeCommPort = [this]() -> std::unique_ptr<CommPort> {
            if (pty)
                return makeQtCommPort();
            auto p = std::make_unique<FakeCommPort>();
            port = p.get();
            return p;
        };
        s.makeFileDialog = [](QWidget *) { return std::make_unique<FakeDialog>(); };
        s.messageBox = box;
        w = std::make_unique<frmSerial>(s);
        if (port && !port->portOpen())
            (void)port->setPortOpen(true);
        if (pty && !w->MSComm1->portOpen())
            qFatal("COM1 on the pty did not open");
        w->Timer3->stop(); // page refreshes only when a test asks for one
        showPage(1);
        w->bankIndex = 1;
        w->ShowBankPage();
        takeWritten();
    }

    // Runs action once, from the event loop, as soon as the port holds its limit of
    // output: a send is then waiting for the device to take some.
    void whenSendWaits(std::function<void()> action)
    {
        auto *timer = new QTimer(w.get());
        timer->setInterval(5);
        QObject::connect(timer, &QTimer::timeout, w.get(), [this, timer, action] {
            if (w->MSComm1->bytesToWrite() < w->MSComm1->outputLimit())
                return;
            timer->stop();
            timer->deleteLater();
            action();
        });
        timer->start();
    }

    FakeDialog &dlgfile() { return static_cast<FakeDialog &>(*w->dlgfile); }
    FakeDialog &dlgfile3() { return static_cast<FakeDialog &>(*w->dlgfile3); }

    void fillRow(int page, int row, const QString &text, const QString &description = {})
    {
        w->bankText1[page][row] = text;
        w->bankText2[page][row] = description;
    }
    void showPage(int page) { w->Text3->setText(QString::number(page)); }
    void setEndings(bool cr, bool lf)
    {
        w->chkCR->setChecked(cr);
        w->Check2->setChecked(lf);
    }

    // The transmit log exactly as the box holds it.
    QString sent() const { return w->txtSent->text(); }

    QString path(const QString &name) const { return dir.filePath(name); }
    QString writeFile(const QString &name, const QByteArray &bytes) const
    {
        QFile f(path(name));
        if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
            qFatal("cannot write test file");
        return f.fileName();
    }
    static QByteArray readFile(const QString &p)
    {
        QFile f(p);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
    }
};
