#pragma once

#include "fakecommport.h"
#include "fakes.h"
#include "frmserial.h"
#include "globals.h"
#include "testsupport.h"
#include "textbox.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>

#include <memory>

// A main window on a fake port and a fake file dialog, in a folder of its own.
struct Rig
{
    QTemporaryDir dir;
    FakeCommPort *port = nullptr;
    FakeDialog *dialog = nullptr; // dlgfile
    std::shared_ptr<FakeMessageBox> messages = std::make_shared<FakeMessageBox>();
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
        s.makeFileDialog = [this](QWidget *) {
            auto d = std::make_unique<FakeDialog>();
            if (!dialog)
                dialog = d.get();
            return d;
        };
        s.messageBox = messages;
        w = std::make_unique<frmSerial>(s);
        // Form_Load opens the port; open it here if it did not.
        if (!port->portOpen()) {
            (void)port->setSettings(QStringLiteral("9600,n,8,1"));
            (void)port->setPortOpen(true);
        }
        // Page refreshes only when a test asks for one.
        w->Timer3->stop();
        w->Text3->setText(QStringLiteral("1"));
        w->bankIndex = 1;
        w->ShowBankPage();
        port->written.clear();
    }

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

    // The transmit log with line ends made uniform: a multi-line box may keep a lone CR
    // as a line end of its own.
    QString sent() const { return norm(w->txtSent->text()); }
    static QString norm(QString text)
    {
        return text.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(u'\r', u'\n');
    }
};
