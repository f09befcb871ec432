// Reconnect Automatically: the waiting after a lost device, on the fake port and on a pty
// that is unplugged and plugged in again under the same COM number.
#include "autoreconnect.h"
#include "partsrig.h"

#include <QtTest>

class TestAutoReconnect : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { QFile::remove(comPortLink(1)); }

    // The device comes back at the second tick; what ends the waiting before that.
    void waitsUntilTheDeviceIsBack_data()
    {
        QTest::addColumn<bool>("enabled");
        QTest::addColumn<QString>("ending"); // what the user does before the device is back
        QTest::addColumn<bool>("reopened");
        QTest::newRow("off") << false << "" << false;
        QTest::newRow("on") << true << "" << true;
        QTest::newRow("Disconnect or ReConnect") << true << "stop" << false;
        QTest::newRow("unchecked") << true << "off" << false;
    }
    void waitsUntilTheDeviceIsBack()
    {
        QFETCH(bool, enabled);
        QFETCH(QString, ending);
        QFETCH(bool, reopened);
        Parts p;
        ManualTicker ticker;
        AutoReconnect reconnect(p.port, ticker);
        reconnect.setEnabled(enabled);
        p.views.ascii = QStringLiteral("kept");
        p.fake->port = 3; // as set by the last open
        p.fake->loseDevice();
        QCOMPARE(ticker.isActive(), enabled);

        p.fake->refuseOpen = true; // still unplugged: a silent try
        ticker.fire();
        QCOMPARE(ticker.isActive(), enabled);
        p.fake->refuseOpen = false;
        if (ending == u"stop")
            reconnect.stop();
        else if (ending == u"off")
            reconnect.setEnabled(false);
        if (ticker.isActive())
            ticker.fire();

        QVERIFY(!ticker.isActive());
        QCOMPARE(p.views.open, reopened);
        QCOMPARE(p.fake->opens, reopened ? 2 : 1);
        QCOMPARE(p.fake->port, 3);
        QCOMPARE(p.fake->settings, QStringLiteral("9600,n,8,1"));
        QCOMPARE(p.views.status,
                 QStringLiteral("COM Port Disconnected\r\nthe device went away\r\n") +
                     (reopened ? QStringLiteral("Com Port Connected.\r\n") : ""));
        QCOMPARE(p.views.ascii, QStringLiteral("kept"));
    }

    void reopensTheDeviceALinkNamesNow()
    {
        Pty replug;
        QVERIFY(replug.isOpen());
        Parts p(Parts::RealPty);
        ManualTicker ticker;
        AutoReconnect reconnect(p.port, ticker);
        reconnect.setEnabled(true);
        p.views.baud = QStringLiteral("19200");
        p.port.disconnect();
        p.port.reconnect();
        p.views.status.clear();

        p.pty->hangUp();
        QTRY_VERIFY_WITH_TIMEOUT(ticker.isActive(), 10000);
        QVERIFY(!p.views.open);
        QVERIFY(linkComPort(1, replug.slavePath()));
        ticker.fire();
        QVERIFY(p.views.open);
        QVERIFY(!ticker.isActive());
        QVERIFY2(p.views.detail.startsWith(
                     QStringLiteral("COM1 (%1), 19200 baud").arg(replug.slavePath())),
                 qPrintable(p.views.detail));
        QVERIFY2(p.views.status.startsWith(QStringLiteral("COM Port Disconnected\r\n")) &&
                     p.views.status.endsWith(QStringLiteral("\r\nCom Port Connected.\r\n")),
                 qPrintable(p.views.status));

        QVERIFY(replug.send("in"));
        QTRY_COMPARE(p.capture.bytes().toByteArray(), QByteArray("in"));
        QCOMPARE(p.port.output("out"), 3);
        QCOMPARE(replug.receiveUntilQuiet(), QByteArray("out"));
    }
};

QTEST_GUILESS_MAIN(TestAutoReconnect)
#include "tst_autoreconnect.moc"
