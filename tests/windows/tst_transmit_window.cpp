// The transmit controls on the real main window: what the byte boxes make of a character
// they cannot send, and a window closed in the middle of a run. The port is the real one on
// a pty, with the test as the device.
#include "mainsession.h"
#include "mainwindow.h"
#include "ptydevice.h"
#include "qtcommport.h"
#include "testsupport.h"
#include "textbox.h"

#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <limits>
#include <memory>

using namespace Qt::StringLiterals;

namespace {

// A main window whose settings file lies in a temporary folder, on COM1 pointed at a pty.
struct Window
{
    QTemporaryDir dir;
    Pty pty;
    std::unique_ptr<MainWindow> w;

    Window()
    {
        QStandardPaths::setTestModeEnabled(true);
        if (!pty.isOpen() || !linkComPort(1, pty.slavePath()))
            qFatal("no pty for COM1");
        open();
    }

    // A new window on the same folder, as after a restart of the program.
    void open()
    {
        w.reset();
        Services s = testServices(dir.path());
        s.makeCommPort = [] { return makeQtCommPort(); };
        w = std::make_unique<MainWindow>(s);
        w->startupPageTimer()->stop(); // page refreshes only when a test asks for one
        takeWritten();
    }

    // What the device received until nothing more arrived for 300 ms, events running
    // meanwhile.
    QByteArray takeWritten()
    {
        QByteArray got;
        for (QElapsedTimer quiet; !quiet.isValid() || quiet.elapsed() < 300;) {
            QCoreApplication::processEvents();
            const QByteArray more = pty.receive(std::numeric_limits<int>::max(), 10);
            if (!more.isEmpty() || !quiet.isValid())
                quiet.start();
            got += more;
        }
        return got;
    }

    QString sent() const { return w->ui.txEchoPane->text(); }
};

} // namespace

class TestTransmitWindow : public QObject
{
    Q_OBJECT
private slots:
    // A character outside ISO-8859-1 typed or pasted into a byte box is "?" in the box, and
    // so in the echo, on the port, in the bank and after a restart.
    void byteBoxesShowWhatTheySend_data()
    {
        QTest::addColumn<int>("kind"); // 0, 1: the send lines; 2, 3: row 2's string, description
        QTest::addColumn<bool>("paste");
        for (int kind = 0; kind < 4; ++kind)
            for (bool paste : {false, true})
                QTest::addRow("%d %s", kind, paste ? "pasted" : "typed") << kind << paste;
    }
    void byteBoxesShowWhatTheySend()
    {
        QFETCH(int, kind);
        QFETCH(bool, paste);
        const QString euro = QString::fromUtf8("\u20AC");
        Window r;
        const auto box = [&] {
            MainWidgets &ui = r.w->ui;
            return kind < 2    ? ui.sendLineBoxes[size_t(kind)]
                   : kind == 2 ? ui.keyStringBoxes[2]
                               : ui.keyDescriptionBoxes[2];
        };
        if (paste) {
            QGuiApplication::clipboard()->setText(u"a"_s + euro + u"b"_s);
            box()->paste();
        } else {
            QTest::keyClick(box(), Qt::Key_A);
            QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, euro);
            QApplication::sendEvent(box(), &press);
            QTest::keyClick(box(), Qt::Key_B);
        }
        QCOMPARE(box()->text(), u"a?b"_s);

        MainWidgets &ui = r.w->ui;
        QPushButton *send = kind < 2    ? ui.sendLineButtons[size_t(kind)]
                            : kind == 2 ? ui.sendKeyButtons[2]
                                        : nullptr;
        if (send) {
            send->click();
            QCOMPARE(r.takeWritten(), QByteArray("a?b"));
            QCOMPARE(r.sent(), u"a?b\r\n"_s);
        }
        if (kind == 2) { // the bank run sends what it stored of the row
            ui.itemDelayBox->setText(u"1"_s);
            ui.clearTxButton->click();
            ui.sendBankButton->click();
            QCOMPARE(r.takeWritten(), QByteArray("a?b"));
            QCOMPARE(r.sent(), u"\r\n\r\na?b"_s + u"\r\n"_s.repeated(18));
        }
        r.w->close();
        r.open();
        QCOMPARE(box()->text(), u"a?b"_s);
    }

    // Closing the window in an item pause ends the run at once: the pause's timer stops and
    // the next send may start.
    void closingEndsARun()
    {
        Window r;
        MainWidgets &ui = r.w->ui;
        ui.itemDelayBox->setText(u"100"_s);
        bool done = false;
        QObject::connect(
            ui.itemBeingSentBox, &QLineEdit::textChanged, r.w.get(), [&](const QString &t) {
                if (!done && t == u"2"_s)
                    done = true, QTimer::singleShot(0, r.w.get(), [&] { r.w->close(); });
            });
        ui.sendAllButton->click();
        MainSession &s = r.w->session();
        QVERIFY(s.pacer.closing());
        QVERIFY(!s.gate.busy());
        for (const QTimer *t : s.pacer.findChildren<QTimer *>())
            QVERIFY(!t->isActive());
        QCOMPARE(ui.itemBeingSentBox->text(), u"2"_s);
    }
};

QTEST_MAIN(TestTransmitWindow)
#include "tst_transmit_window.moc"
