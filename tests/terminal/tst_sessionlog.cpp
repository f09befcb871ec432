// The session log: every byte taken from a pty whatever the panes do; failing writes; timestamps.
#include "terminal/sessionlog.h"
#include "tests/support/filesizelimit.h"
#include "tests/support/partsrig.h"

#include <QRandomGenerator>
#include <QtTest>

using namespace Qt::StringLiterals;

struct LoggedParts : Parts // on a pty, every byte taken going to a log with this clock
{
    QDateTime now = QDateTime::currentDateTime();
    SessionLog log{views, [this] { return now; }};
    QString file = path(u"session.log"_s);
    LoggedParts() : Parts(RealPty) { port.setLog(&log); }
};

class TestSessionLog : public QObject
{
    Q_OBJECT

private slots:
    void keepsEveryByte()
    {
        for (const QString &between : {u"Clear RX"_s, u"silent capture"_s, u"suspend"_s}) {
            LoggedParts p;
            p.writeFile(u"session.log"_s, "earlier run\n");
            QVERIFY(p.log.open(p.file));
            p.options.silentCapture = between == u"silent capture"_s;
            QByteArray sent(200000, Qt::Uninitialized);
            QRandomGenerator(12).fillRange(reinterpret_cast<quint32 *>(sent.data()), 50000);
            for (qsizetype at = 0; at < sent.size(); at += 20000) {
                if (at == 100000 && between == u"Clear RX"_s) {
                    p.views.setTexts({}, {}); // what the button does
                    p.capture.clearHead();
                }
                p.port.setRxSuspended(at == 100000 && between == u"suspend"_s);
                QVERIFY(p.pty->send(sent.mid(at, 20000)));
                if (!p.port.rxSuspended())
                    QTRY_COMPARE_WITH_TIMEOUT(p.log.bytesWritten(), at + 20000, 20000);
                p.ticker.fire(); // the panes fill up to their limit too
            }
            QVERIFY2(p.capture.count() < 100000, qPrintable(between)); // the capture limit struck
            p.log.close();
            QVERIFY2(Parts::readFile(p.file) == "earlier run\n" + sent, qPrintable(between));
            QVERIFY(p.views.status.endsWith(u"Log closed (200000 bytes)\r\n"_s));
        }
    }

    void failingWriteStopsTheLog()
    {
        for (bool removed : {false, true}) { // a size limit; a removed file, found by its name
            LoggedParts p;
            QList<bool> marks;
            p.log.onOpenChanged = [&marks](bool open) { marks << open; };
            QVERIFY(p.log.open(p.file));
            FileSizeLimit limit(removed ? RLIM_INFINITY : 5000);
            if (removed && QFile::remove(p.file))
                QTest::qWait(1100); // the name is looked up once a second
            for (int round = 1; round <= 3; ++round) {
                QVERIFY(p.pty->send(QByteArray(4000, 'x')));
                QTRY_COMPARE(p.capture.count(), 4000 * round); // receiving goes on
            }
            QCOMPARE(marks, (QList<bool>{true, false}));
            QCOMPARE(p.views.status,
                     u"Logging to %1\r\nLog stopped: %1: %2\r\n"_s.arg(
                         p.file, removed ? u"file removed"_s : u"File too large"_s));
        }
    }

    void timestampsEachLine()
    {
        LoggedParts p;
        QVERIFY(p.log.open(p.file));
        const std::tuple<int, const char *, bool> events[] = {
            {5, "ab", true},    {250, "c\r\nde", true}, {999, "f\n\n", true},
            {1000, "g", false}, {1001, "h\n", false},   {61001, "i", true}};
        for (auto [ms, bytes, stamps] : events) { // ms, bytes, timestamps on
            p.now = QDateTime(QDate(2026, 12, 6), QTime(23, 59, 58)).addMSecs(ms);
            p.log.setTimestamps(stamps);
            p.log.write(bytes);
        }
        p.log.close();
        const QByteArray expected = "[2026-12-06 23:59:58.005] abc\r\n"
                                    "[2026-12-06 23:59:58.250] def\n"
                                    "[2026-12-06 23:59:58.999] \ngh\n"
                                    "[2026-12-07 00:00:59.001] i";
        QCOMPARE(Parts::readFile(p.file), expected);
        QVERIFY(p.views.status.endsWith(u"Log closed (%1 bytes)\r\n"_s.arg(expected.size())));
    }
};

QTEST_GUILESS_MAIN(TestSessionLog)
#include "tst_sessionlog.moc"
