// The port contract, checked against the test fake and against the real port driving a
// pseudo-terminal, plus what only the real port does (flow control of a large stream,
// locking, device loss, clean-up).
#include "commport.h"
#include "fakecommport.h"
#include "portnames.h"
#include "ptydevice.h"
#include "qtcommport.h"
#include "ttylines.h"

#include <QDeadlineTimer>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <atomic>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <thread>

namespace {

constexpr int kCom = 7;
constexpr qint64 kCap = 1 << 20; // what the real port holds before it stops reading

QByteArray pattern(qsizetype n, unsigned seed)
{
    QByteArray out(n, Qt::Uninitialized);
    for (qsizetype i = 0; i < n; ++i) {
        seed = seed * 1103515245u + 12345u;
        out[i] = char(seed >> 16);
    }
    return out;
}

QByteArray allByteValues()
{
    QByteArray out;
    for (int i = 0; i < 256; ++i)
        out.append(char(i));
    return out;
}

int countEntries(const char *dir)
{
    return int(QDir(QString::fromLatin1(dir))
                   .entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::System)
                   .size());
}

void bothPorts()
{
    QTest::addColumn<bool>("real");
    QTest::newRow("fake") << false;
    QTest::newRow("pty") << true;
}

// Takes what the port delivers, as the terminal's receive handler does.
struct Recorder
{
    explicit Recorder(CommPort &port)
    {
        connection = QObject::connect(&port, &CommPort::onComm, [this, &port] {
            last = port.commEvent();
            if (last != CommPort::comEvReceive)
                lineEvents.append(last);
            else if (!suspended)
                bytes += port.input();
        });
    }
    ~Recorder() { QObject::disconnect(connection); }
    QMetaObject::Connection connection;
    QByteArray bytes;
    QList<int> lineEvents; // every event but comEvReceive
    int last = 0;
    bool suspended = false;
};

// The port under test and the device at its far end: the fake, or a pty linked as COM 7.
struct Rig
{
    explicit Rig(bool real)
    {
        if (real) {
            plugIn();
            port = makeQtCommPort();
        } else {
            port = std::make_unique<FakeCommPort>();
        }
    }
    // A (new) device appears as COM 7.
    void plugIn()
    {
        pty = std::make_unique<Pty>();
        if (!pty->isOpen() || !linkComPort(kCom, pty->slavePath()))
            qFatal("no pseudo-terminal");
    }
    FakeCommPort *fake() const { return qobject_cast<FakeCommPort *>(port.get()); }
    bool open()
    {
        return port->setSettings(QStringLiteral("9600,n,8,1")) && port->setCommPort(kCom) &&
               port->setPortOpen(true);
    }
    void feed(const QByteArray &bytes)
    {
        if (pty)
            QVERIFY(pty->send(bytes));
        else
            fake()->injectData(bytes);
    }
    // What the device got, up to n bytes; the event loop runs meanwhile, as it does in
    // the program.
    QByteArray sent(qsizetype n, int timeoutMs = 10000) const
    {
        if (!pty)
            return std::exchange(fake()->written, QByteArray());
        QByteArray got;
        QDeadlineTimer deadline(timeoutMs);
        while (got.size() < n && !deadline.hasExpired()) {
            QCoreApplication::processEvents();
            got += pty->receive(n - got.size(), 5);
        }
        return got;
    }
    void stopReading()
    {
        if (pty)
            QVERIFY(pty->stopReading());
        else
            fake()->deviceReads = false;
    }
    void resumeReading()
    {
        if (pty)
            return pty->resumeReading();
        fake()->deviceReads = true;
        fake()->deviceTakes(fake()->bytesToWrite());
    }
    void loseDevice()
    {
        if (pty)
            pty->hangUp();
        else
            fake()->loseDevice();
    }
    std::unique_ptr<Pty> pty;
    std::unique_ptr<CommPort> port;
};

} // namespace

class TestCommPort : public QObject
{
    Q_OBJECT

private slots:
    // What the port raises for each change a real device reports.
    void lineConditionsGiveTheirCodes()
    {
        using Events = QList<std::pair<int, int>>;
        QCOMPARE(lineEvents(0, ttyLineCts | ttyLineDsr | ttyLineCd, true),
                 (Events{{3, 1}, {4, 1}, {5, 1}}));
        QCOMPARE(lineEvents(ttyLineCd, 0, true), (Events{{5, 1}}));
        QCOMPARE(lineEvents(ttyLineCts, ttyLineCts, true), Events{}); // no change, no event
        // Without a ring counter the end of a ring pulse is the ring.
        QCOMPARE(lineEvents(ttyLineRing, 0, false), (Events{{6, 1}}));
        QCOMPARE(lineEvents(0, ttyLineRing, false), Events{});
        QCOMPARE(lineEvents(ttyLineRing, 0, true), Events{});

        TtyCounters before;
        before.brk = 5;
        before.parity = 9;
        TtyCounters now = before;
        now.rng = 1;
        now.brk = 7;
        now.frame = 1;
        now.overrun = 1;
        now.bufOverrun = 3;
        now.parity = 10;
        now.cts = 4; // line changes are seen on the lines, not counted twice
        QCOMPARE(counterEvents(before, now),
                 (Events{{6, 1}, {1001, 2}, {1004, 1}, {1006, 1}, {1008, 3}, {1009, 1}}));
        QCOMPARE(counterEvents(now, before), Events{}); // a counter reset reports nothing
    }

    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void cleanup() { QFile::remove(comPortLinkPath(kCom)); }

    void openCloseAndSettings_data() { bothPorts(); }
    void openCloseAndSettings()
    {
        QFETCH(bool, real);
        Rig rig(real);
        CommPort &port = *rig.port;
        for (const char *bad :
             {"", ",n,8,1", "abc,n,8,1", "0,n,8,1", "-9600,n,8,1", "96 00,n,8,1", "9600,x,8,1",
              "9600,n,9,1", "9600,n,8,3", "9600", "99999999999,n,8,1"}) {
            QVERIFY2(!port.setSettings(QString::fromLatin1(bad)), bad);
            QCOMPARE(port.lastError().number, 380);
            QCOMPARE(port.lastError().description, QStringLiteral("Invalid property value"));
        }
        QVERIFY(port.setSettings(QStringLiteral("300,E,7,2")));
        for (int bad : {0, -1, 256})
            QVERIFY(!port.setCommPort(bad));
        QVERIFY(port.setCommPort(255));

        QVERIFY(!port.portOpen());
        QVERIFY(!port.output("x"));
        QVERIFY(rig.open());
        QVERIFY(port.portOpen());
        QVERIFY(!port.setPortOpen(true));
        QCOMPARE(port.lastError().number, 8005);
        QVERIFY(port.setPortOpen(false));
        QVERIFY(!port.portOpen());
        QVERIFY(port.setPortOpen(false));
        QVERIFY(port.setPortOpen(true));
        QVERIFY(port.output("again"));
        QCOMPARE(rig.sent(5), QByteArray("again"));
    }

    void bytesPassUnchangedBothWays_data() { bothPorts(); }
    void bytesPassUnchangedBothWays()
    {
        QFETCH(bool, real);
        Rig rig(real);
        Recorder rec(*rig.port);
        QVERIFY(rig.open());
        const QByteArray all = allByteValues();
        QVERIFY(rig.port->output(all));
        QVERIFY(rig.port->output("tail"));
        QCOMPARE(rig.sent(260), all + "tail");

        rig.feed(all.left(100));
        rig.feed(all.mid(100));
        QTRY_COMPARE(rec.bytes, all);
        rig.feed("\r\n");
        QTRY_COMPARE(rec.bytes, all + "\r\n");
        // A pty has no modem lines and no error counters: nothing but data is reported.
        QTest::qWait(200);
        QCOMPARE(rec.lineEvents, QList<int>());
        QCOMPARE(rig.port->bytesWaiting(), 0);
    }

    // Output waits in the port while the device takes nothing. A draining close gives it
    // up after the deadline and says how much that was; to a reading device it loses
    // nothing.
    void outputWaitsForTheDevice_data() { bothPorts(); }
    void outputWaitsForTheDevice()
    {
        QFETCH(bool, real);
        Rig rig(real);
        CommPort &port = *rig.port;
        QVERIFY(rig.open());
        QCOMPARE(port.outputLimit(), 64);
        QSignalSpy shrank(&port, &CommPort::outputShrank);
        const QByteArray data = pattern(300, 8);
        rig.stopReading();
        QCOMPARE(port.output(data), data.size());
        QCOMPARE(port.bytesToWrite(), data.size());
        rig.resumeReading();
        QCOMPARE(rig.sent(data.size()), data);
        QTRY_VERIFY(!shrank.isEmpty());
        QCOMPARE(port.bytesToWrite(), 0);

        rig.stopReading();
        QCOMPARE(port.output(data), data.size());
        QCOMPARE(port.closeDraining(), data.size());
        QVERIFY(!port.portOpen());
        QCOMPARE(port.bytesToWrite(), 0);
        QCOMPARE(port.output("x"), 0);
        rig.resumeReading();
        QCOMPARE(rig.sent(1, 200), QByteArray());

        QVERIFY(port.setPortOpen(true));
        const QByteArray big = pattern(200000, 9);
        QByteArray got;
        std::thread device([&] { got = rig.pty ? rig.pty->receive(big.size()) : QByteArray(); });
        QCOMPARE(port.output(big), big.size());
        QCOMPARE(port.closeDraining(), 0);
        device.join();
        QVERIFY((real ? got : rig.sent(0)) == big);
    }

    void outputLimitFollowsTheRate()
    {
        for (const auto &[baud, limit] :
             {std::pair{110, 64}, {9600, 64}, {115200, 230}, {1000000, 2000}, {4000000, 4096}})
            QCOMPARE(outputLimitFor(baud), limit);
    }

    void deviceLossClosesThePortAfterItsData_data()
    {
        QTest::addColumn<bool>("real");
        QTest::addColumn<bool>("held"); // the receive handler takes nothing meanwhile
        QTest::newRow("fake") << false << false;
        QTest::newRow("fake, held") << false << true;
        QTest::newRow("pty") << true << false;
        QTest::newRow("pty, held") << true << true;
    }
    void deviceLossClosesThePortAfterItsData()
    {
        QFETCH(bool, real);
        QFETCH(bool, held);
        Rig rig(real);
        Recorder rec(*rig.port);
        rec.suspended = held;
        QVERIFY(rig.open());
        const QByteArray data = pattern(3000, 1);
        rig.feed(data);
        if (held)
            QTRY_COMPARE(rig.port->bytesWaiting(), data.size());
        else
            QTRY_COMPARE(rec.bytes, data);
        rig.loseDevice();
        QTRY_COMPARE_WITH_TIMEOUT(rec.lineEvents, QList<int>{CommPort::comEventDeviceLost}, 10000);
        QVERIFY(!rig.port->portOpen());
        QVERIFY(!rig.port->detail().isEmpty());
        QVERIFY(!rig.port->output("x"));
        rec.bytes += rig.port->input();
        QCOMPARE(rec.bytes, data);

        // The device comes back.
        rec.suspended = false;
        if (real)
            rig.plugIn();
        QVERIFY2(rig.port->setPortOpen(true), qPrintable(rig.port->lastError().description));
        rig.feed("back");
        QTRY_COMPARE(rec.bytes, data + "back");
    }

    // Real port only from here.

    void streamArrivesWholeOrAsAnExactPrefix_data()
    {
        QTest::addColumn<bool>("lose");
        QTest::newRow("whole") << false;
        QTest::newRow("device lost midway") << true;
    }
    void streamArrivesWholeOrAsAnExactPrefix()
    {
        QFETCH(bool, lose);
        Rig rig(true);
        Recorder rec(*rig.port);
        QVERIFY(rig.open());
        const QByteArray data = pattern(lose ? 4 << 20 : 1 << 20, 3) + allByteValues();
        std::atomic<bool> stop{false};
        std::thread writer([&] {
            for (qsizetype at = 0; at < data.size() && !stop; at += 4096)
                rig.pty->send(data.mid(at, 4096));
            if (lose)
                rig.pty->hangUp();
        });
        if (!lose) {
            QTRY_COMPARE_WITH_TIMEOUT(rec.bytes.size(), data.size(), 60000);
            writer.join();
            QVERIFY(rec.bytes == data);
            QCOMPARE(rec.lineEvents, QList<int>());
            return;
        }
        QTRY_VERIFY_WITH_TIMEOUT(rec.bytes.size() >= 200000, 60000);
        const qsizetype before = rec.bytes.size();
        stop = true;
        writer.join();
        QTRY_VERIFY_WITH_TIMEOUT(!rig.port->portOpen(), 10000);
        QTRY_COMPARE_WITH_TIMEOUT(rec.lineEvents, QList<int>{CommPort::comEventDeviceLost}, 10000);
        QCOMPARE(rec.last, int(CommPort::comEventDeviceLost));
        QVERIFY(rec.bytes.size() >= before);
        QVERIFY(data.startsWith(rec.bytes));
    }

    // While the handler takes nothing the port stops reading at its cap and so holds the
    // device back; nothing is dropped, whether reading resumes or the device goes.
    void heldBackReaderHoldsTheSenderBack_data()
    {
        QTest::addColumn<bool>("lose");
        QTest::newRow("reading resumes") << false;
        QTest::newRow("device lost") << true;
    }
    void heldBackReaderHoldsTheSenderBack()
    {
        QFETCH(bool, lose);
        Rig rig(true);
        Recorder rec(*rig.port);
        rec.suspended = true;
        QVERIFY(rig.open());
        const QByteArray data = pattern(3 << 20, 4);
        const int master = rig.pty->master();
        ::fcntl(master, F_SETFL, ::fcntl(master, F_GETFL) | O_NONBLOCK);
        qsizetype written = 0;
        for (int refused = 0; refused < 50 && written < data.size();) {
            const ssize_t n = ::write(master, data.constData() + written,
                                      size_t(std::min<qsizetype>(65536, data.size() - written)));
            if (n > 0) {
                written += n;
                refused = 0;
            } else if (rig.port->bytesWaiting() >= kCap) {
                ++refused;
                QTest::qWait(10);
            } else {
                QCoreApplication::processEvents();
            }
        }
        QVERIFY(written < data.size());
        QCOMPARE(rig.port->bytesWaiting(), kCap);

        if (!lose) {
            rec.suspended = false;
            rig.port->rearmReceive();
            std::thread writer([&] { rig.pty->send(data.mid(written)); });
            QTRY_COMPARE_WITH_TIMEOUT(rec.bytes.size(), data.size(), 60000);
            writer.join();
            QVERIFY(rec.bytes == data);
            return;
        }
        rig.pty->hangUp();
        QTRY_COMPARE_WITH_TIMEOUT(rec.lineEvents, QList<int>{CommPort::comEventDeviceLost}, 10000);
        QVERIFY(!rig.port->portOpen());
        const QByteArray got = rig.port->input();
        // The pty drops what its own buffer held at the hang-up; everything the port had
        // taken from it is there, in order.
        QVERIFY(got.size() >= kCap);
        QVERIFY(got.size() <= written);
        QVERIFY(data.startsWith(got));
    }

    void busyDeviceIsRefused()
    {
        Rig rig(true);
        QVERIFY(rig.open());
        const auto second = makeQtCommPort();
        QVERIFY(second->setCommPort(kCom));
        QVERIFY(!second->setPortOpen(true));
        QVERIFY(!second->portOpen());
        QCOMPARE(second->lastError().number, 8005);
        QVERIFY(second->detail().contains(QStringLiteral("busy")));
        QVERIFY(rig.port->setPortOpen(false));

        // Another program holding a lock on the device.
        const int other = ::open(rig.pty->slavePath().toLocal8Bit().constData(), O_RDWR | O_NOCTTY);
        QVERIFY(other >= 0);
        QCOMPARE(::flock(other, LOCK_EX | LOCK_NB), 0);
        QVERIFY(!rig.port->setPortOpen(true));
        QVERIFY(rig.port->lastError().description.contains(QStringLiteral("busy")));
        ::close(other);
        QVERIFY(rig.port->setPortOpen(true));
    }

    void openFailuresSayWhy()
    {
        QTemporaryDir dir;
        QFile plain(dir.filePath(QStringLiteral("plain")));
        QVERIFY(plain.open(QIODevice::WriteOnly));
        plain.close();
        const auto port = makeQtCommPort();
        QVERIFY(port->setCommPort(kCom));
        const std::pair<QString, QString> cases[] = {
            {dir.filePath(QStringLiteral("ttyUSB9")), QStringLiteral("missing device")},
            {plain.fileName(), QStringLiteral("not a tty")},
            {QStringLiteral("/dev/null"), QStringLiteral("not a tty")}};
        for (const auto &[device, why] : cases) {
            QVERIFY(linkComPort(kCom, device));
            QVERIFY(!port->setPortOpen(true));
            QVERIFY(!port->portOpen());
            QVERIFY2(port->lastError().description.contains(why), qPrintable(device));
            QVERIFY2(port->detail().contains(QFileInfo(device).fileName()), qPrintable(device));
        }
    }

    // What the driver held from before the open is dropped; the detail names the device
    // and the rate applied.
    void openDropsStaleBytesAndSaysWhatItOpened()
    {
        Rig rig(true);
        Recorder rec(*rig.port);
        QCOMPARE(rig.port->deviceName(kCom), QFileInfo(rig.pty->slavePath()).canonicalFilePath());
        rig.feed("stale");
        int queued = 0;
        QTRY_VERIFY((::ioctl(rig.pty->slave(), FIONREAD, &queued), queued == 5));
        QVERIFY(rig.port->setSettings(QStringLiteral("12345,n,8,1")));
        QVERIFY(rig.port->setCommPort(kCom));
        QVERIFY(rig.port->setPortOpen(true));
        QVERIFY(rig.port->detail().contains(rig.pty->slavePath()));
        QVERIFY(rig.port->detail().contains(QStringLiteral("12345 baud")));
        rig.feed("fresh");
        QTRY_COMPARE(rec.bytes, QByteArray("fresh"));
    }

    void closeWithOutputStuckReturns()
    {
        Rig rig(true);
        QVERIFY(rig.open());
        // Nobody reads the master: the output stays queued, up to the port's cap.
        rig.stopReading();
        QCOMPARE(rig.port->output(pattern(3 << 20, 6)), 1 << 20);
        QCOMPARE(rig.port->output("x"), 0);
        QCOMPARE(rig.port->bytesToWrite(), 1 << 20);
        QTest::qWait(100);
        QVERIFY(rig.port->setPortOpen(false));
        QVERIFY(rig.port->setPortOpen(true));
        QVERIFY(rig.port->output(pattern(1 << 20, 7)));
        QTest::qWait(100);
        rig.port.reset();
    }

    void nothingLeaksAfterUse()
    {
        Rig rig(true);
        rig.port.reset();
        const int fds = countEntries("/proc/self/fd");
        const int threads = countEntries("/proc/self/task");
        rig.port = makeQtCommPort();
        {
            Recorder rec(*rig.port);
            QVERIFY(rig.open());
            QVERIFY(rig.port->setPortOpen(false));
            QVERIFY(rig.port->setPortOpen(true));
            rig.feed("abc");
            QTRY_COMPARE(rec.bytes, QByteArray("abc"));
        }
        rig.loseDevice();
        QTRY_VERIFY_WITH_TIMEOUT(!rig.port->portOpen(), 10000);
        rig.plugIn();
        QVERIFY(rig.port->setPortOpen(true));
        rig.port.reset();
        QCOMPARE(countEntries("/proc/self/fd"), fds);
        // Other threads of Qt's may end meanwhile; the port must not leave one behind.
        QTRY_VERIFY(countEntries("/proc/self/task") <= threads);
    }

    void comNumbersCountPresentDevices()
    {
        QTemporaryDir sys;
        const auto add = [&](const char *name, const char *type = nullptr, bool device = true) {
            QDir(sys.path()).mkpath(QString::fromLatin1(name) + (device ? "/device" : ""));
            if (type) {
                QFile f(sys.filePath(QString::fromLatin1(name) + "/type"));
                QVERIFY(f.open(QIODevice::WriteOnly));
                f.write(type);
            }
        };
        add("ttyS10", "4\n");
        add("ttyS1", "0\n"); // no UART behind it
        add("ttyS0", "4\n");
        add("ttyUSB10");
        add("ttyUSB2");
        add("ttyUSB3", nullptr, false); // node without a device
        add("ttyACM0");
        add("tty1");
        add("ttyprintk");
        const QStringList expected{"/dev/ttyUSB2", "/dev/ttyUSB10", "/dev/ttyACM0", "/dev/ttyS0",
                                   "/dev/ttyS10"};
        QCOMPARE(presentSerialDevices(sys.path()), expected);
        QCOMPARE(comPortDevice(2, sys.path()), QStringLiteral("/dev/ttyUSB10"));
        QCOMPARE(comPortDevice(6, sys.path()), QString());
        QCOMPARE(comPortDevice(0, sys.path()), QString());

        // A link in the configuration folder overrides the count for its number only.
        QVERIFY(linkComPort(2, QStringLiteral("/dev/ttyS0")));
        QCOMPARE(comPortDevice(2, sys.path()), QStringLiteral("/dev/ttyS0"));
        QCOMPARE(comPortDevice(3, sys.path()), QStringLiteral("/dev/ttyACM0"));
        QFile::remove(comPortLinkPath(2));
    }
};

QTEST_GUILESS_MAIN(TestCommPort)
#include "tst_commport.moc"
