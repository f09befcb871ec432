// The session log: every byte taken from a pty, whatever the panes and capture do; a
// failing write; timestamps.
#include "filesizelimit.h"
#include "partsrig.h"
#include "sessionlog.h"

#include <QRandomGenerator>
#include <QtTest>

using namespace Qt::StringLiterals;

class TestSessionLog : public QObject
{
    Q_OBJECT

private slots:
    void keepsEveryByte_data()
    {
        QTest::addColumn<QString>("between"); // what happens while the bytes arrive
        QTest::newRow("limits and Clear RX") << u"clear"_s;
        QTest::newRow("silent capture") << u"silent"_s;
        QTest::newRow("suspend") << u"suspend"_s;
    }
    void keepsEveryByte()
    {
        QFETCH(QString, between);
        Parts p(Parts::RealPty);
        SessionLog log(p.views);
        p.port.setLog(&log);
        const QString path = p.writeFile(u"session.log"_s, "earlier run\n");
        QVERIFY(log.open(path));
        p.options.silentCapture = between == u"silent"_s;
        QByteArray sent(200000, Qt::Uninitialized);
        QRandomGenerator rng(12);
        rng.fillRange(reinterpret_cast<quint32 *>(sent.data()), sent.size() / 4);
        for (qsizetype at = 0; at < sent.size(); at += 20000) {
            if (at == 100000 && between == u"clear"_s) {
                p.views.setTexts({}, {}); // what Clear RX does
                p.capture.clearHead();
            }
            p.port.setRxSuspended(at == 100000 && between == u"suspend"_s);
            QVERIFY(p.pty->send(sent.mid(at, 20000)));
            if (!p.port.rxSuspended())
                QTRY_COMPARE_WITH_TIMEOUT(log.bytesWritten(), at + 20000, 20000);
        }
        QVERIFY(p.capture.count() < sent.size() / 2); // the capture limit struck
        log.close();
        QCOMPARE(Parts::readFile(path), "earlier run\n" + sent);
        QVERIFY(p.views.status.endsWith(u"Log closed (200000 bytes)\r\n"_s));
    }

    void failingWriteStopsTheLog_data()
    {
        QTest::addColumn<bool>("removed"); // else the file may not grow
        QTest::addColumn<QString>("reason");
        QTest::newRow("size limit") << false << u"File too large"_s;
        QTest::newRow("removed") << true << u"file removed"_s;
    }
    void failingWriteStopsTheLog()
    {
        QFETCH(bool, removed);
        QFETCH(QString, reason);
        Parts p(Parts::RealPty);
        SessionLog log(p.views);
        p.port.setLog(&log);
        QList<bool> marks;
        log.onOpenChanged = [&marks](bool open) { marks << open; };
        const QString path = p.path(u"session.log"_s);
        QVERIFY(log.open(path));
        FileSizeLimit limit(removed ? RLIM_INFINITY : 5000);
        if (removed) {
            QVERIFY(QFile::remove(path));
            QTest::qWait(1100); // the name is looked up once a second
        }
        for (int round = 1; round <= 3; ++round) {
            QVERIFY(p.pty->send(QByteArray(4000, 'x')));
            QTRY_COMPARE(p.capture.count(), 4000 * round); // receiving goes on
        }
        QCOMPARE(marks, (QList<bool>{true, false}));
        QCOMPARE(p.views.status, u"Logging to %1\r\nLog stopped: %1: %2\r\n"_s.arg(path, reason));
    }

    void timestampsEachLine()
    {
        QTemporaryDir dir;
        FakeViews views;
        QDateTime now;
        SessionLog log(views, [&now] { return now; });
        const QString path = dir.filePath(u"t.log"_s);
        QVERIFY(log.open(path));
        log.setTimestamps(true);
        const QDate day(2026, 12, 6);
        const struct
        {
            int ms;
            const char *bytes;
            bool stamps;
        } events[] = {{5, "ab", true},    {250, "c\r\nde", true}, {999, "f\n\n", true},
                      {1000, "g", false}, {1001, "h\n", false},   {61001, "i", true}};
        for (const auto &e : events) {
            now = QDateTime(day, QTime(23, 59, 58)).addMSecs(e.ms);
            log.setTimestamps(e.stamps);
            log.write(e.bytes);
        }
        log.close();
        const QByteArray expected = "[2026-12-06 23:59:58.005] abc\r\n"
                                    "[2026-12-06 23:59:58.250] def\n"
                                    "[2026-12-06 23:59:58.999] \n"
                                    "gh\n"
                                    "[2026-12-07 00:00:59.001] i";
        QCOMPARE(Parts::readFile(path), expected);
        QVERIFY(views.status.endsWith(u"Log closed (%1 bytes)\r\n"_s.arg(expected.size())));
    }
};

QTEST_GUILESS_MAIN(TestSessionLog)
#include "tst_sessionlog.moc"
