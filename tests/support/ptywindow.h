#pragma once

// A main window on COM1 pointed at a pty (the test plays the device), with its settings file
// in a temporary folder.

#include "platform/qtcommport.h"
#include "tests/support/ptydevice.h"
#include "tests/support/testsupport.h"
#include "windows/mainwindow.h"

#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>

#include <functional>
#include <memory>

struct PtyWindow
{
    QTemporaryDir dir;
    Pty pty;
    std::unique_ptr<MainWindow> w;

    PtyWindow()
    {
        QStandardPaths::setTestModeEnabled(true);
        if (!pty.isOpen() || !linkComPort(1, pty.slavePath()))
            qFatal("no pty for COM1");
        open();
    }

    // A new window on the same folder, as after a restart of the program; adjust may
    // change its services.
    void open(const std::function<void(Services &)> &adjust = {})
    {
        w.reset();
        Services s = testServices(dir.path());
        s.makeCommPort = [] { return makeQtCommPort(); };
        if (adjust)
            adjust(s);
        w = std::make_unique<MainWindow>(s);
        w->startupPageTimer()->stop(); // page refreshes only when a test asks for one
        takeWritten();
    }

    // What the device received since the last call.
    QByteArray takeWritten() { return pty.receiveUntilQuiet(); }
};
