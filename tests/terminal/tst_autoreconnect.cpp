// Reconnect Automatically on the fake port, and on a pty unplugged and plugged in again.
#include "terminal/autoreconnect.h"
#include "tests/support/partsrig.h"
#include "tests/support/ser2net.h"

#include <QtTest>

class TestAutoReconnect : public QObject
{
    Q_OBJECT

private slots:
    // The device comes back at the second tick, unless the user ended the waiting before.
    void waitsUntilTheDeviceIsBack_data()
    {
        QTest::addColumn<QString>("user");
        for (const char *user :
             {"leaves it off", "turns it on", "clicks Disconnect", "unchecks it"})
            QTest::newRow(user) << QString::fromLatin1(user);
    }
    void waitsUntilTheDeviceIsBack()
    {
        QFETCH(QString, user);
        const bool enabled = user != u"leaves it off", reopened = user == u"turns it on";
        Parts p;
        ManualTicker ticker;
        AutoReconnect reconnect(p.port, ticker);
        reconnect.setEnabled(enabled);
        p.views.ascii = QStringLiteral("kept");
        p.fake->loseDevice();
        p.fake->refuseOpen = true; // still unplugged: a silent try
        ticker.fire();
        QCOMPARE(ticker.isActive(), enabled);
        p.fake->refuseOpen = false;
        if (user == u"clicks Disconnect")
            reconnect.stop();
        else if (user == u"unchecks it")
            reconnect.setEnabled(false);
        if (ticker.isActive())
            ticker.fire();

        QVERIFY(!ticker.isActive() && p.views.open == reopened);
        QCOMPARE(p.views.status,
                 QStringLiteral("COM Port Disconnected\r\nthe device went away\r\n") +
                     (reopened ? QStringLiteral("Com Port Connected.\r\n") : ""));
        QCOMPARE(p.views.ascii, QStringLiteral("kept"));
    }

    void reopensTheDeviceALinkNamesNow()
    {
        Pty replug; // made first: it outlives the port opened on it
        Parts p(Parts::RealPty);
        ManualTicker ticker;
        AutoReconnect reconnect(p.port, ticker);
        reconnect.setEnabled(true);
        p.pty->hangUp();
        QTRY_VERIFY_WITH_TIMEOUT(ticker.isActive(), 10000);
        QVERIFY(linkComPort(1, replug.slavePath()));
        ticker.fire();
        QVERIFY(p.views.open && !ticker.isActive());
        QVERIFY(p.views.status.endsWith(QStringLiteral("\r\nCom Port Connected.\r\n")));
        QVERIFY(replug.send("in"));
        QTRY_COMPARE(p.capture.bytes().toByteArray(), QByteArray("in"));
        QFile::remove(comPortLink(1));
    }

    // A network port opened from the menu: the COM box keeps its number, the lamp's tip
    // names the address; a killed server is a lost device, reopened at the same address.
    // ReConnect opens the address again until the COM box changes.
    void networkPortIsReopenedAtItsAddress()
    {
        if (const QString why = Ser2net::unavailable(); !why.isEmpty())
            QSKIP(qPrintable(why));
        Pty device;
        Ser2net server(device.slavePath());
        QVERIFY2(server.start(), qPrintable(server.errorText()));
        Parts p(Parts::RealPty);
        ManualTicker ticker;
        AutoReconnect reconnect(p.port, ticker);
        reconnect.setEnabled(true);
        const auto at =
            PortAddress::parse(QStringLiteral("rfc2217://127.0.0.1:%1").arg(server.port()));
        const QString com = p.views.com;
        p.port.openAddress(*at);
        QVERIFY2(p.views.open && p.views.detail.startsWith(at->toString()),
                 qPrintable(p.views.detail));
        QCOMPARE(p.views.com, com);
        QCOMPARE(p.views.status, "COM Port Disconnected\r\nCom Port Connected.\r\n");
        QVERIFY(device.send("in"));
        QTRY_COMPARE_WITH_TIMEOUT(p.capture.bytes().toByteArray(), "in", 20000);

        server.stop();
        QTRY_VERIFY_WITH_TIMEOUT(ticker.isActive(), 20000);
        QVERIFY(!p.views.open);
        QVERIFY2(p.views.status.contains("Connected.\r\nCOM Port Disconnected\r\nrfc2217://"),
                 qPrintable(p.views.status));
        QVERIFY(server.restart());
        ticker.fire();
        QVERIFY2(p.views.open, qPrintable(p.views.detail));
        QVERIFY(p.views.status.endsWith("\r\nCom Port Connected.\r\n"));
        QCOMPARE(p.port.output("out"), 3);
        QCOMPARE(device.receiveUntilQuiet(), "out");

        p.port.disconnect();
        p.port.reconnect();
        QVERIFY(p.views.detail.startsWith(at->toString()));
        p.views.com = QStringLiteral("1");
        p.port.comTextChanged();
        p.port.disconnect();
        p.port.reconnect();
        QVERIFY2(p.views.open && p.views.detail.startsWith("COM1"), qPrintable(p.views.detail));
    }
};

QTEST_GUILESS_MAIN(TestAutoReconnect)
#include "tst_autoreconnect.moc"
