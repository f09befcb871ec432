// The transmit controls on the real main window: what the byte boxes make of a character
// they cannot send, and a window closed in the middle of a run. The port is the real one on
// a pty, with the test as the device.
#include "platform/qtcommport.h"
#include "platform/widgets/textbox.h"
#include "tests/support/ptywindow.h"
#include "tests/support/testsupport.h"
#include "windows/mainsession.h"
#include "windows/mainwindow.h"

#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

// The transmit log exactly as the box holds it.
QString sent(const PtyWindow &r)
{
    return r.w->ui.txEchoPane->text();
}

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
        PtyWindow r;
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
            QCOMPARE(sent(r), u"a?b\r\n"_s);
        }
        if (kind == 2) { // the bank run sends what it stored of the row
            ui.itemDelayBox->setText(u"1"_s);
            ui.clearTxButton->click();
            ui.sendBankButton->click();
            QCOMPARE(r.takeWritten(), QByteArray("a?b"));
            QCOMPARE(sent(r), u"\r\n\r\na?b"_s + u"\r\n"_s.repeated(18));
        }
        r.w->close();
        r.open();
        QCOMPARE(box()->text(), u"a?b"_s);
    }

    // Closing the window in an item pause ends the run at once: the pause's timer stops and
    // the next send may start.
    void closingEndsARun()
    {
        PtyWindow r;
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
