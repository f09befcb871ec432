#pragma once

#include "commondialog.h"
#include "fakecommport.h"
#include "fakes.h"
#include "frmserial.h"
#include "globals.h"
#include "testsupport.h"

#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <memory>

// A main window on a fake port and fake dialogs, with its files in a temporary folder.
struct Rig
{
    QTemporaryDir dir;
    FakeCommPort *port = nullptr;
    std::shared_ptr<FakeMessageBox> box = std::make_shared<FakeMessageBox>();
    std::unique_ptr<frmSerial> w;

    Rig()
    {
        QStandardPaths::setTestModeEnabled(true);
        resetGlobals();
        Services s = testServices(dir.path());
        s.makeCommPort = [this] {
            auto p = std::make_unique<FakeCommPort>();
            port = p.get();
            return p;
        };
        s.makeFileDialog = [](QWidget *) { return std::make_unique<FakeDialog>(); };
        s.messageBox = box;
        w = std::make_unique<frmSerial>(s);
        if (!port->portOpen())
            (void)port->setPortOpen(true);
        port->written.clear();
    }

    FakeDialog &dlgfile() { return static_cast<FakeDialog &>(*w->dlgfile); }
    FakeDialog &dlgfile3() { return static_cast<FakeDialog &>(*w->dlgfile3); }

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
