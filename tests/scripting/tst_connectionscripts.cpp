// Scripts on the program's parts, without widgets: sends as the window's, the port's lines
// and settings, log lines and status lines in the status box, and the received bytes from
// the receive hub.
#include "scripting/connectionscripts.h"
#include "tests/support/partsrig.h"

#include <QtTest>

using namespace Qt::StringLiterals;

class TestConnectionScripts : public QObject
{
    Q_OBJECT
private slots:
    void init() { QStandardPaths::setTestModeEnabled(true); }

    void calls_data()
    {
        QTest::addColumn<QByteArray>("script");
        QTest::addColumn<bool>("suspended");
        // What the device got, the echo and the counter, then the status box after
        // "running" (<path>: the script's).
        QTest::addColumn<QByteArray>("written");
        QTest::addColumn<QByteArray>("echo");
        QTest::addColumn<QString>("count");
        QTest::addColumn<QString>("status");
        QTest::newRow("send") << "port.send('ab\\0\\255')"_ba << false << "ab\0\xff"_ba
                              << "ab\0\xff\r\n"_ba << u"4"_s << u"Script t.lua finished (exit 0)"_s;
        QTest::newRow("send suspended")
            << "port.send('ab')"_ba << true << ""_ba
            << "ab\r\n"_ba << u"2"_s << u"Script t.lua finished (exit 0)"_s;
        QTest::newRow("log lines")
            << "log('one\\r\\ntwo') print('x', 1) exit(4)"_ba << false << ""_ba
            << ""_ba << u"0"_s << u"one\r\ntwo\r\nx\t1\r\nScript t.lua finished (exit 4)"_s;
        QTest::newRow("expect from the hub")
            << "local m, n = port.expect('v=(%d+)', 5000) exit(tonumber(n))"_ba << false << ""_ba
            << ""_ba << u"0"_s << u"Script t.lua finished (exit 42)"_s;
        QTest::newRow("error") << "\n\nerror('boom')"_ba << false << ""_ba
                               << ""_ba << u"0"_s << u"Script t.lua failed: <path>:3: boom"_s;
    }
    void calls()
    {
        QFETCH(QByteArray, script);
        QFETCH(bool, suspended);
        QFETCH(QByteArray, written);
        QFETCH(QByteArray, echo);
        QFETCH(QString, count);
        QFETCH(QString, status);
        Parts p;
        ConnectionScripts scripts(p.transmit, p.port, p.views);
        p.port.receiveHub().attach(scripts);
        p.state.suspended = suspended;
        p.views.status.clear();
        const QString path = p.writeFile(u"t.lua"_s, script);
        QVERIFY(scripts.start(path));
        QVERIFY(!scripts.start(path)); // one at a time
        p.fake->injectData("noise v=4");
        p.fake->injectData("2;");
        QVERIFY(QTest::qWaitFor([&] { return !scripts.running(); }, 20000));
        QCOMPARE(p.takeWritten(), written);
        QCOMPARE(p.views.echo, QString::fromLatin1(echo));
        QCOMPARE(p.views.txCount, count);
        const QString expected = u"Script t.lua running\r\n"_s + status;
        QVERIFY2(p.views.status.startsWith(QString(expected).replace(u"<path>"_s, path)),
                 qPrintable(p.views.status));
    }

    // The lines, the break and the settings reach the port; a new rate is told to its box.
    void portSettings()
    {
        Parts p;
        ConnectionScripts scripts(p.transmit, p.port, p.views);
        qint32 shownRate = 0;
        scripts.onRateChanged = [&](qint32 rate) { shownRate = rate; };
        QVERIFY(scripts.start(p.writeFile(
            u"t.lua"_s,
            "port.dtr(true) port.rts(true) port.rts(false) port.brk(20)\n"
            "port.baud(19200) port.line('7E2') port.flow('rtscts')\n"
            "local s = port.settings() log(s.baud .. ' ' .. s.line .. ' ' .. s.flow)")));
        QVERIFY(QTest::qWaitFor([&] { return !scripts.running(); }, 20000));
        QVERIFY2(p.views.status.contains(u"19200 7E2 rtscts\r\nScript t.lua finished (exit 0)"_s),
                 qPrintable(p.views.status));
        QVERIFY(p.fake->dtr && !p.fake->rts);
        QCOMPARE(p.fake->breaks, QList<int>{20});
        const PortSettings expected{19200, DataBits::Seven, Parity::Even, StopBits::Two,
                                    FlowControl::RtsCts};
        QCOMPARE(p.fake->settings, expected);
        QCOMPARE(p.port.settingsInForce(), expected);
        QCOMPARE(shownRate, 19200);
    }
};

QTEST_GUILESS_MAIN(TestConnectionScripts)
#include "tst_connectionscripts.moc"
