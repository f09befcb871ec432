#pragma once

#include "fakecommport.h"
#include "fakes.h"
#include "frmserial.h"
#include "globals.h"
#include "testsupport.h"
#include "textbox.h"

#include <QCheckBox>
#include <QFile>
#include <QLineEdit>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>

#include <memory>

using namespace Qt::StringLiterals;

// A main window on a fake port and fake dialogs, with its files in a temporary folder and
// bank page 1 shown.
struct Rig
{
    QTemporaryDir dir;
    FakeCommPort *port = nullptr;
    std::shared_ptr<FakeMessageBox> box = std::make_shared<FakeMessageBox>();
    std::unique_ptr<frmSerial> w;

    Rig() { open(); }

    // A new window on the same folder, as after a restart of the program.
    void open()
    {
        QStandardPaths::setTestModeEnabled(true);
        w.reset();
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
        w->Timer3->stop(); // page refreshes only when a test asks for one
        showPage(1);
        w->bankIndex = 1;
        w->ShowBankPage();
        port->written.clear();
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
