// The session log: every byte taken from a pty whatever the panes do; failing writes; FIFOs
// and pipes that never hold the window; timestamps.
#include "terminal/sessionlog.h"
#include "tests/support/filesizelimit.h"
#include "tests/support/partsrig.h"

#include <QRandomGenerator>
#include <QtTest>

#include <csignal>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

struct LoggedParts : Parts // on a pty, every byte taken going to a log with this clock
{
    QDateTime now = QDateTime::currentDateTime();
    SessionLog log{views, [this] { return now; }};
    QString file = path(u"session.log"_s);
    LoggedParts() : Parts(RealPty)
    {
        port.receiveHub().detach(receive); // the log comes first, as in the window
        port.receiveHub().attach(log);
        port.receiveHub().attach(receive);
    }
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

    // Suspended, two lines and then more than the program holds: the log has the lines at
    // once, each stamped when it arrived; a close hands over all the port had read (the rest
    // is still in the line, or goes with a lost device) and resuming shows the held bytes.
    void suspendedBytesOutliveTheClose_data()
    {
        QTest::addColumn<int>("end");
        QTest::newRow("Disconnect") << 0;
        QTest::newRow("exit") << 1;
        QTest::newRow("device lost and back") << 2;
    }
    void suspendedBytesOutliveTheClose()
    {
        QFETCH(int, end);
        Pty replug;
        LoggedParts p;
        p.now = {}; // no stamp may come from the clock
        p.options.silentCapture = 1;
        QVERIFY(p.log.open(p.file));
        p.log.setTimestamps(true);
        p.port.setRxSuspended(true);
        QByteArray sent = "during-suspend\nsecond\n" + QByteArray(4 << 20, Qt::Uninitialized);
        for (qsizetype i = 22; i < sent.size(); ++i)
            sent[i] = char('a' + QRandomGenerator::global()->bounded(26));
        const QDateTime t0 = QDateTime::currentDateTime();
        QVERIFY(p.pty->send(sent.first(15)));
        QThread::msleep(50); // the next line arrives later, in the same delivery
        const QDateTime t1 = QDateTime::currentDateTime();
        ::fcntl(p.pty->master(), F_SETFL, O_NONBLOCK);
        qsizetype written = 15;
        // Until the held bytes fill their room and the port stops reading.
        while (p.log.bytesWritten() < ReceiveEngine::kHoldLimit ||
               p.port.port()->bytesWaiting() < (1 << 20)) {
            const ssize_t n = ::write(p.pty->master(), sent.constData() + written, 65536);
            n > 0 ? void(written += n) : QTest::qWait(5);
            QVERIFY(written < sent.size() - 65536);
        }
        const QDateTime t2 = QDateTime::currentDateTime();
        sent.truncate(written);
        if (end < 2) {
            end ? p.port.closeForExit() : p.port.disconnect();
            sent.chop(p.pty->unread().size());
        } else {
            p.pty->hangUp(); // what the line held goes with it
            QTRY_VERIFY_WITH_TIMEOUT(!p.port.isOpen(), 20000);
            QVERIFY(linkComPort(1, replug.slavePath()) && p.port.reopenLost());
            QVERIFY(replug.send("after\n"));
        }
        p.port.setRxSuspended(false);
        if (end == 2)
            QTRY_VERIFY(Parts::readFile(p.file).endsWith("after\n"));
        p.log.close();
        // Three lines, each stamped: "during-suspend\n", "second\n" and the rest.
        const QByteArray log = Parts::readFile(p.file);
        const auto stampAt = [&log](qsizetype at) {
            return QDateTime::fromString(QString::fromLatin1(log.mid(at + 1, 23)),
                                         u"yyyy-MM-dd HH:mm:ss.zzz"_s);
        };
        const QByteArray logged = log.mid(26, 15) + log.mid(67, 7) + log.mid(100);
        if (end == 2) {
            QVERIFY(logged.size() > 2 * ReceiveEngine::kHoldLimit); // all the port had read
            sent = sent.left(logged.size() - 6) + "after\n";
        }
        QVERIFY(logged == sent && log.count('[') == 3);
        QVERIFY(t0 <= stampAt(0) && stampAt(0) <= stampAt(41) && t1 <= stampAt(41) &&
                stampAt(41) <= stampAt(74) && stampAt(74) <= t2);
        QCOMPARE(p.capture.bytes().toByteArray(), sent.right(sent.size() % 99999));
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

    // Into a FIFO or a pipe the log never waits: without a reader it is refused at once;
    // what a slow reader has not taken waits and follows in order; a reader gone or too far
    // behind stops it; at close what is left gets a short chance; every byte is counted.
    void pipesNeverHoldTheWindow()
    {
        std::signal(SIGPIPE, SIG_IGN); // as the program does
        FakeViews views;
        SessionLog log(views);
        QTemporaryDir dir;
        const QString fifo = dir.filePath(u"fifo"_s);
        QVERIFY(::mkfifo(QFile::encodeName(fifo).constData(), 0600) == 0 && !log.open(fifo));
        QCOMPARE(views.status, u"Log not opened: %1: no reader\r\n"_s.arg(fifo));
        const QByteArray sent = QByteArray("0123456789abcdef").repeated(64 * 1024); // 1 MiB
        const std::pair<QByteArrayView, QString> readers[] = {
            {"slow", u"Log closed ({w} bytes)"_s},
            {"stops", u"Log stopped: {p}: reader too slow ({l} bytes not written)"_s},
            {"gone", u"Log stopped: {p}: reader gone ({l} bytes not written)"_s},
            {"never reads", u"Log closed ({w} bytes, {l} bytes the reader did not take)"_s}};
        for (const auto &[reader, last] : readers) {
            views.status.clear();
            int fd = ::open(QFile::encodeName(fifo).constData(), O_RDONLY | O_NONBLOCK);
            QString path = fifo; // a pipe for the reader that goes, as `--log /dev/stdout`
            if (int ends[2]; reader == "gone" && ::pipe(ends) == 0) {
                ::close(std::exchange(fd, ends[0]));
                QVERIFY(log.open(path = u"/proc/self/fd/%1"_s.arg(ends[1])));
                ::close(ends[1]);
            }
            QVERIFY(fd >= 0 && (log.isOpen() || log.open(path)));
            qint64 given = sent.size();
            for (qsizetype at = 0; at < sent.size(); at += 16384)
                log.write(sent.mid(at, 16384)); // never blocks
            QVERIFY(log.bytesWritten() < sent.size());
            QByteArray got(sent.size(), 0);
            QDeadlineTimer end(20000);
            for (qsizetype at = 0; reader == "slow" && at < sent.size() && !end.hasExpired();) {
                QCoreApplication::processEvents(); // the log writes when the pipe has room
                at += qMax<ssize_t>(0, ::read(fd, got.data() + at, size_t(sent.size() - at)));
            }
            for (; reader == "stops" && log.isOpen(); given += sent.size())
                log.write(sent);
            if (reader != "gone")
                log.close(); // after a short while for what still waits
            ::close(fd);
            QTRY_VERIFY_WITH_TIMEOUT(!log.isOpen(), 20000); // found out while waiting
            const qint64 written = log.bytesWritten();      // all given is written or counted lost
            QCOMPARE(views.status.section(u"\r\n"_s, 1),
                     QString(last)
                             .replace(u"{w}"_s, QString::number(written))
                             .replace(u"{l}"_s, QString::number(given - written))
                             .replace(u"{p}"_s, path) +
                         u"\r\n"_s);
            QVERIFY(reader != "slow" || got == sent);
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
