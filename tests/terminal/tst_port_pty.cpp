// The port connection and the receive engine on a real port: a pseudo-terminal plays the
// device. The flush tick is fired by hand once the bytes are captured.
#include "tests/support/partsrig.h"

#include <QtTest>

#include <memory>
#include <tuple>

#include <termios.h>

using namespace Qt::StringLiterals;

class TestPortPty : public QObject
{
    Q_OBJECT

    std::unique_ptr<Parts> p;

    QByteArray capture() const { return p->capture.bytes().toByteArray(); }

private slots:
    void init()
    {
        p = std::make_unique<Parts>(Parts::RealPty);
        QVERIFY(p->views.open);
    }
    void cleanup()
    {
        p.reset();
        for (int n : {1, 2})
            QFile::remove(comPortLink(n));
    }

    void receivedBytesReachBothPanes()
    {
        QVERIFY(p->pty->send(QByteArray("AB\r\n\0\xff", 6)));
        QTRY_COMPARE(p->capture.count(), 6);
        p->ticker.fire();
        QCOMPARE(p->views.ascii, QStringLiteral("AB\r\n<0>\u00ff"));
        QCOMPARE(p->views.hex, QStringLiteral("41 42 0D 0A 00 FF "));
        QCOMPARE(p->views.rxCount, QStringLiteral("6"));
        QVERIFY(p->pty->send("C")); // appended, not rewritten
        QTRY_COMPARE(p->capture.count(), 7);
        p->ticker.fire();
        QCOMPARE(p->views.hex, QStringLiteral("41 42 0D 0A 00 FF 43 "));
        QCOMPARE(capture(), QByteArray("AB\r\n\0\377C", 7));
    }

    // 20000 characters are still allowed; beyond, the next byte empties the panes and,
    // after storing that byte, the capture.
    void overlongPaneEmptiesAtTheNextByte()
    {
        p->views.ascii = QString(20000, u'x');
        QVERIFY(p->pty->send("a"));
        QTRY_COMPARE(p->capture.count(), 1);
        p->ticker.fire();
        QCOMPARE(p->views.ascii.size(), 20001);
        QCOMPARE(capture(), QByteArray("a"));
        QVERIFY(p->pty->send("bc"));
        QTRY_COMPARE(p->receive.pendingAscii(), QStringLiteral("bc"));
        p->ticker.fire();
        QCOMPARE(p->views.ascii, QStringLiteral("bc"));
        QCOMPARE(capture(), QByteArray("c"));
    }

    void silentCaptureCountsEveryByte()
    {
        p->options.silentCapture = 2; // any non-zero value is silent
        p->views.ascii = QString(20001, u'x');
        QVERIFY(p->pty->send("ab"));
        QTRY_COMPARE(p->capture.count(), 2);
        QCOMPARE(p->views.ascii.size(), 20001); // the 20000-character rule is off

        QByteArray burst(250000, '\0');
        for (qsizetype i = 0; i < burst.size(); ++i)
            burst[i] = char(i % 251);
        QVERIFY(p->pty->send(burst));
        burst.prepend("ab");
        // Every 99999th byte is stored, then the capture and the panes are emptied.
        const qint32 expected = qint32(burst.size() % 99999);
        QTRY_COMPARE_WITH_TIMEOUT(capture(), burst.right(expected), 30000);
        QCOMPARE(p->capture.data()[99998], quint8(burst[2 * 99999 - 1]));
        QCOMPARE(p->views.rxCount, QString::number(expected));
        QCOMPARE(p->views.ascii.size() + p->views.hex.size(), 0);
        QVERIFY(p->receive.pendingHex().isEmpty() && !p->ticker.isActive());
    }

    void busyPortReconnectAndDisconnect()
    {
        // Another program holds the port: start-up says nothing, ReConnect says why.
        p->port.disconnect();
        p->views.status.clear();
        const auto other = makeQtCommPort();
        QVERIFY(other->open(PortAddress::ofCom(1), {}).ok());
        p->port.openAtStartup(p->views.baud, 1);
        QVERIFY(!p->port.isOpen());
        QVERIFY(!p->views.open);
        QCOMPARE(p->views.status, QString());
        // A number the port cannot be set to opens nothing, not the one set before; the COM
        // box keeps the last number that fits.
        other->close();
        QVERIFY(linkComPort(300, p->pty->slavePath()));
        p->port.openAtStartup(p->views.baud, 300);
        QVERIFY(QFile::remove(comPortLink(300)) && !p->port.isOpen() && !p->views.open);
        for (const char *typed : {"7", "0", "256", "-1", "x"})
            p->views.com = QString::fromLatin1(typed), p->port.comTextChanged();
        QCOMPARE(p->port.comNumber(), 7);
        QVERIFY(other->open(PortAddress::ofCom(1), {}).ok());
        p->views.ascii = QStringLiteral("kept");
        p->port.reconnect();
        other->close();
        QCOMPARE(p->views.status, QStringLiteral("Selected COM Port Not Available.\r\n"));
        QCOMPARE(p->views.ascii, QStringLiteral("kept"));

        QVERIFY(linkComPort(2, p->pty->slavePath()));
        p->views.baud = QStringLiteral("19200");
        p->views.com = QStringLiteral("2.5"); // halves to even
        p->port.reconnect();
        QVERIFY(p->port.isOpen());
        QVERIFY(p->views.open);
        QVERIFY2(p->views.detail.startsWith(
                     QStringLiteral("COM2 (%1), 19200 baud").arg(p->pty->slavePath())),
                 qPrintable(p->views.detail));
        QCOMPARE(p->views.ascii, QString());
        QVERIFY(p->pty->send("x"));
        QTRY_COMPARE(p->capture.count(), 1);

        p->port.disconnect();
        QVERIFY(!p->port.isOpen());
        QVERIFY(!p->views.open);
        QCOMPARE(p->views.status,
                 QStringLiteral("Selected COM Port Not Available.\r\nCom Port Connected.\r\n"
                                "COM Port Disconnected\r\n"));
    }

    // Rates below 110 are refused, at start-up too, with the reason in the lamp's tip; at
    // 110 baud, Disconnect gives up what a device that takes nothing leaves queued.
    void slowRatesAndTheDrainAtClose()
    {
        p->port.disconnect();
        p->views.status.clear();
        for (const QString &baud : {u"109"_s, u"1"_s}) {
            p->views.baud = baud;
            p->port.reconnect();
            p->port.openAtStartup(baud, 1);
            QVERIFY(!p->views.open && p->views.detail.startsWith(baud + u" baud: below 110"_s));
        }
        p->views.baud = u"110"_s;
        p->port.reconnect();
        QVERIFY(p->pty->stopReading() && p->port.output(QByteArray(100000, 'x')) == 100000);
        p->port.disconnect();
        p->pty->resumeReading();
        QVERIFY2(
            p->views.status.contains(QRegularExpression(
                u"^(Selected COM Port Not Available.\r\n){2}Com Port Connected.\r\n"
                "Output discarded at close: [1-9]\\d* bytes not sent\r\nCOM Port Disconnected\r\n$"_s)),
            qPrintable(p->views.status));
    }

    // The line settings reach the open pty at once (a pty keeps the stop bits and flow
    // control flags); 1.5 stop bits, and framing a pty cannot keep, are refused with a
    // status line and leave the port as it was.
    void lineSettingsApplyToTheOpenPort()
    {
        const auto termiosFlags = [this] {
            termios t{};
            ::tcgetattr(p->pty->slave(), &t);
            return std::tuple{bool(t.c_cflag & CSTOPB), bool(t.c_cflag & CRTSCTS),
                              bool(t.c_iflag & IXON), bool(t.c_iflag & IXOFF)};
        };
        struct Row
        {
            const char *line, *flow, *refusal;
            std::tuple<bool, bool, bool, bool> flags; // CSTOPB, CRTSCTS, IXON, IXOFF
        };
        for (const Row &r : {Row{"8N2", "rtscts", nullptr, {true, true, false, false}},
                             Row{"8N1", "xonxoff", nullptr, {false, false, true, true}},
                             Row{"8N1.5", "none", "no 1.5 stop bits", {false, false, true, true}},
                             // QSerialPort sees the pty drop the framing.
                             Row{"7E2", "none", "framing", {false, false, true, true}},
                             Row{"8N1", "none", nullptr, {false, false, false, false}}}) {
            p->views.status.clear();
            const LineSettings before = p->port.lineSettings();
            const LineSettings asked{*parseFraming(QString::fromLatin1(r.line)),
                                     *parseFlowControl(QString::fromLatin1(r.flow))};
            p->port.chooseLineSettings(asked);
            QVERIFY(p->port.isOpen());
            QVERIFY(p->port.lineSettings() == (r.refusal ? before : asked));
            QVERIFY2(r.refusal ? p->views.status.startsWith(u"Line settings not applied: "_s) &&
                                     p->views.status.contains(QString::fromLatin1(r.refusal))
                               : p->views.status.isEmpty(),
                     qPrintable(p->views.status));
            QCOMPARE(termiosFlags(), r.flags);
        }
    }

    // With XON/XOFF on, an XOFF from the device stops the output and an XON resumes it; the
    // two bytes are not data.
    void xoffStopsASend()
    {
        p->port.chooseLineSettings({{}, FlowControl::XonXoff});
        QVERIFY(p->pty->send("\x13"));
        QTest::qWait(200);
        QCOMPARE(p->port.output("held"), 4);
        QTest::qWait(300);
        QCOMPARE(p->pty->receive(4, 0), QByteArray());
        QVERIFY(p->pty->send("\x11"));
        QCOMPARE(p->takeWritten(), "held");
        QCOMPARE(p->capture.count(), 0);
    }

    void unpluggedDeviceIsReported()
    {
        p->pty->hangUp();
        QTRY_VERIFY_WITH_TIMEOUT(!p->port.isOpen(), 10000);
        QTRY_VERIFY(!p->views.open);
        const QStringList lines = p->views.status.split(QStringLiteral("\r\n"));
        QVERIFY(lines.size() == 2 || lines.size() == 3); // the message, maybe a reason, ""
        QCOMPARE(lines.first(), QStringLiteral("COM Port Disconnected"));
    }
};

QTEST_GUILESS_MAIN(TestPortPty)
#include "tst_port_pty.moc"
