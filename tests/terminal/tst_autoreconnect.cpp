// Reconnect Automatically on the fake port, and on a pty unplugged and plugged in again.
#include "terminal/autoreconnect.h"
#include "tests/support/partsrig.h"

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
};

QTEST_GUILESS_MAIN(TestAutoReconnect)
#include "tst_autoreconnect.moc"
