// The port contract, checked against the test fake and against the real port driving a
// pseudo-terminal, plus what only the real port does (flow control of a large stream,
// locking, device loss, clean-up).
#include "commport.h"
#include "fakecommport.h"
#include "portnames.h"
#include "qtcommport.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

namespace {

constexpr int kCom = 7;

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

// Takes what the port delivers, as the terminal's receive handler does.
struct Recorder
{
    explicit Recorder(CommPort &p) : port(p)
    {
        QObject::connect(&port, &CommPort::onComm, [this] {
            events.append(port.commEvent());
            if (port.commEvent() == CommPort::comEvReceive && !suspended)
                bytes += port.input();
        });
    }
    QList<int> lineEvents() const
    {
        QList<int> out;
        for (int e : events)
            if (e != CommPort::comEvReceive)
                out.append(e);
        return out;
    }
    CommPort &port;
    QByteArray bytes;
    QList<int> events;
    bool suspended = false;
};

// A pseudo-terminal whose slave COM 7 names through the configuration link.
struct Pty
{
    Pty()
    {
        if (::openpty(&master, &slave, nullptr, nullptr, nullptr) != 0)
            qFatal("openpty failed");
        termios t{};
        ::tcgetattr(slave, &t);
        ::cfmakeraw(&t);
        ::tcsetattr(slave, TCSANOW, &t);
        path = QString::fromLocal8Bit(::ttyname(slave));
        link(path);
    }
    ~Pty()
    {
        closeMaster();
        ::close(slave);
        QFile::remove(comPortLinkPath(kCom));
    }
    static void link(const QString &target)
    {
        const QString at = comPortLinkPath(kCom);
        QDir().mkpath(QFileInfo(at).absolutePath());
        QFile::remove(at);
        QFile::link(target, at);
    }
    void write(const QByteArray &bytes) const
    {
        qsizetype done = 0;
        while (done < bytes.size()) {
            const ssize_t n =
                ::write(master, bytes.constData() + done, size_t(bytes.size() - done));
            if (n <= 0 && errno != EINTR)
                return;
            done += std::max<ssize_t>(n, 0);
        }
    }
    // What the port wrote, waiting (with the event loop running) until n bytes came.
    QByteArray read(qsizetype n) const
    {
        QByteArray out;
        for (int idle = 0; out.size() < n && idle < 500; ++idle) {
            pollfd p{master, POLLIN, 0};
            if (::poll(&p, 1, 20) > 0 && (p.revents & POLLIN)) {
                char buf[4096];
                const ssize_t got = ::read(master, buf, sizeof buf);
                if (got > 0) {
                    out.append(buf, got);
                    idle = 0;
                }
            }
            QCoreApplication::processEvents();
        }
        return out;
    }
    void closeMaster()
    {
        if (master >= 0)
            ::close(std::exchange(master, -1));
    }
    int master = -1;
    int slave = -1;
    QString path;
};

// The port under test and the far end it talks to.
struct Rig
{
    explicit Rig(bool real)
    {
        if (real) {
            pty = std::make_unique<Pty>();
            port = makeQtCommPort();
        } else {
            port = std::make_unique<FakeCommPort>();
        }
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
            pty->write(bytes);
        else
            fake()->injectData(bytes);
    }
    QByteArray sent(qsizetype n) const { return pty ? pty->read(n) : fake()->written; }
    void loseDevice()
    {
        if (pty)
            pty->closeMaster();
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

    bool real() const
    {
        QFETCH_GLOBAL(bool, realPort);
        return realPort;
    }

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void initTestCase_data()
    {
        QTest::addColumn<bool>("realPort");
        QTest::newRow("fake") << false;
        QTest::newRow("pty") << true;
    }

    void openCloseAndReopen()
    {
        Rig rig(real());
        CommPort &port = *rig.port;
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

    void invalidSettingsAndPortNumbers()
    {
        Rig rig(real());
        CommPort &port = *rig.port;
        for (const char *bad :
             {"", ",n,8,1", "abc,n,8,1", "0,n,8,1", "-9600,n,8,1", "96 00,n,8,1", "9600,x,8,1",
              "9600,n,9,1", "9600,n,8,3", "9600", "99999999999,n,8,1"}) {
            QVERIFY2(!port.setSettings(QString::fromLatin1(bad)), bad);
            QCOMPARE(port.lastError().number, 380);
            QCOMPARE(port.lastError().description, QStringLiteral("Invalid property value"));
        }
        QVERIFY(port.setSettings(QStringLiteral("115200,n,8,1")));
        QVERIFY(port.setSettings(QStringLiteral("300,E,7,2")));
        for (int bad : {0, -1, 256})
            QVERIFY(!port.setCommPort(bad));
        QVERIFY(port.setCommPort(255));
        QVERIFY(port.setCommPort(kCom));
    }

    void bytesPassUnchangedBothWays()
    {
        Rig rig(real());
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
        QCOMPARE(rec.lineEvents(), QList<int>());
        QCOMPARE(rig.port->bytesWaiting(), 0);
    }

    void deviceLossClosesThePortAfterItsData()
    {
        Rig rig(real());
        Recorder rec(*rig.port);
        QVERIFY(rig.open());
        const QByteArray data = pattern(3000, 1);
        rig.feed(data);
        QTRY_COMPARE(rec.bytes, data);
        rig.loseDevice();
        QTRY_COMPARE_WITH_TIMEOUT(rec.lineEvents(), QList<int>{CommPort::comEventDeviceLost},
                                  10000);
        QVERIFY(!rig.port->portOpen());
        QVERIFY(!rig.port->detail().isEmpty());
        QVERIFY(!rig.port->output("x"));
        QCOMPARE(rec.bytes, data);

        // The device comes back.
        if (rig.pty) {
            rig.pty.reset();
            rig.pty = std::make_unique<Pty>();
        }
        QVERIFY2(rig.port->setPortOpen(true), qPrintable(rig.port->lastError().description));
        rig.feed("back");
        QTRY_COMPARE(rec.bytes, data + "back");
    }

    void waitingBytesSurviveDeviceLoss()
    {
        Rig rig(real());
        Recorder rec(*rig.port);
        rec.suspended = true;
        QVERIFY(rig.open());
        const QByteArray data = pattern(2000, 2);
        rig.feed(data);
        QTRY_COMPARE(rig.port->bytesWaiting(), data.size());
        rig.loseDevice();
        // The loss is reported even while the receive handler takes nothing.
        QTRY_COMPARE_WITH_TIMEOUT(rec.lineEvents(), QList<int>{CommPort::comEventDeviceLost},
                                  10000);
        QVERIFY(!rig.port->portOpen());
        QCOMPARE(rig.port->input(), data);
    }

    // Real port only from here.

    void megabyteStreamArrivesWhole()
    {
        if (!real())
            QSKIP("pty only");
        Rig rig(true);
        Recorder rec(*rig.port);
        QVERIFY(rig.open());
        const QByteArray data = pattern(1 << 20, 3) + allByteValues();
        std::thread writer([&] { rig.pty->write(data); });
        QTRY_COMPARE_WITH_TIMEOUT(rec.bytes.size(), data.size(), 60000);
        writer.join();
        QVERIFY(rec.bytes == data);
        QCOMPARE(rec.lineEvents(), QList<int>());
    }

    void slowReaderHoldsTheSenderBack()
    {
        if (!real())
            QSKIP("pty only");
        Rig rig(true);
        Recorder rec(*rig.port);
        rec.suspended = true;
        QVERIFY(rig.open());
        const QByteArray data = pattern(3 << 20, 4);
        std::atomic<bool> done{false};
        std::thread writer([&] {
            rig.pty->write(data);
            done = true;
        });
        QTRY_VERIFY_WITH_TIMEOUT(rig.port->bytesWaiting() >= (1 << 20), 60000);
        QTest::qWait(300);
        // Reading stopped at the cap: the writer is blocked, nothing is dropped.
        QCOMPARE(rig.port->bytesWaiting(), 1 << 20);
        QVERIFY(!done);

        rec.suspended = false;
        rig.port->rearmReceive();
        QTRY_COMPARE_WITH_TIMEOUT(rec.bytes.size(), data.size(), 60000);
        writer.join();
        QVERIFY(rec.bytes == data);
    }

    void lossWhileReadingIsHeldBackKeepsTheBytes()
    {
        if (!real())
            QSKIP("pty only");
        Rig rig(true);
        Recorder rec(*rig.port);
        rec.suspended = true;
        QVERIFY(rig.open());
        // Fill everything up to the point where the port stops reading.
        const QByteArray data = pattern(3 << 20, 8);
        ::fcntl(rig.pty->master, F_SETFL, ::fcntl(rig.pty->master, F_GETFL) | O_NONBLOCK);
        qsizetype written = 0;
        for (int refused = 0; refused < 50 && written < data.size();) {
            const ssize_t n = ::write(rig.pty->master, data.constData() + written,
                                      size_t(std::min<qsizetype>(65536, data.size() - written)));
            if (n > 0) {
                written += n;
                refused = 0;
            } else if (rig.port->bytesWaiting() >= (1 << 20)) {
                ++refused;
                QTest::qWait(10);
            } else {
                QCoreApplication::processEvents();
            }
        }
        QVERIFY(written < data.size());
        rig.pty->closeMaster();
        QTRY_COMPARE_WITH_TIMEOUT(rec.lineEvents(), QList<int>{CommPort::comEventDeviceLost},
                                  10000);
        QVERIFY(!rig.port->portOpen());
        const QByteArray got = rig.port->input();
        // The pty drops what its own buffer held at the hang-up; everything the port had
        // taken from it is there, in order.
        QVERIFY(got.size() >= (1 << 20));
        QVERIFY(got.size() <= written);
        QVERIFY(data.startsWith(got));
    }

    void lossWhileDataFlowsKeepsAnExactPrefix()
    {
        if (!real())
            QSKIP("pty only");
        Rig rig(true);
        Recorder rec(*rig.port);
        QVERIFY(rig.open());
        const QByteArray data = pattern(4 << 20, 5);
        std::atomic<bool> stop{false};
        std::thread writer([&] {
            for (qsizetype at = 0; at < data.size() && !stop; at += 4096)
                rig.pty->write(data.mid(at, 4096));
            rig.pty->closeMaster();
        });
        QTRY_VERIFY_WITH_TIMEOUT(rec.bytes.size() >= 200000, 60000);
        const qsizetype before = rec.bytes.size();
        stop = true;
        writer.join();
        QTRY_VERIFY_WITH_TIMEOUT(!rig.port->portOpen(), 10000);
        QTRY_COMPARE_WITH_TIMEOUT(rec.lineEvents(), QList<int>{CommPort::comEventDeviceLost},
                                  10000);
        QCOMPARE(rec.events.last(), int(CommPort::comEventDeviceLost));
        QVERIFY(rec.bytes.size() >= before);
        QVERIFY(data.startsWith(rec.bytes));
    }

    void busyDeviceIsRefused()
    {
        if (!real())
            QSKIP("pty only");
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
        const int other = ::open(rig.pty->path.toLocal8Bit().constData(), O_RDWR | O_NOCTTY);
        QVERIFY(other >= 0);
        QCOMPARE(::flock(other, LOCK_EX | LOCK_NB), 0);
        QVERIFY(!rig.port->setPortOpen(true));
        QVERIFY(rig.port->lastError().description.contains(QStringLiteral("busy")));
        ::close(other);
        QVERIFY(rig.port->setPortOpen(true));
    }

    void openFailuresSayWhy()
    {
        if (!real())
            QSKIP("pty only");
        QTemporaryDir dir;
        const auto port = makeQtCommPort();
        QVERIFY(port->setCommPort(kCom));

        Pty::link(dir.filePath(QStringLiteral("ttyUSB9")));
        QVERIFY(!port->setPortOpen(true));
        QVERIFY(port->lastError().description.contains(QStringLiteral("missing device")));
        QVERIFY(port->detail().contains(QStringLiteral("ttyUSB9")));

        QFile plain(dir.filePath(QStringLiteral("plain")));
        QVERIFY(plain.open(QIODevice::WriteOnly));
        plain.close();
        Pty::link(plain.fileName());
        QVERIFY(!port->setPortOpen(true));
        QVERIFY(port->lastError().description.contains(QStringLiteral("not a tty")));

        Pty::link(QStringLiteral("/dev/null"));
        QVERIFY(!port->setPortOpen(true));
        QVERIFY(port->lastError().description.contains(QStringLiteral("not a tty")));
        QVERIFY(!port->portOpen());
        QFile::remove(comPortLinkPath(kCom));
    }

    void staleBytesAreDiscardedAtOpen()
    {
        if (!real())
            QSKIP("pty only");
        Rig rig(true);
        Recorder rec(*rig.port);
        rig.feed("stale");
        int queued = 0;
        QTRY_VERIFY((::ioctl(rig.pty->slave, FIONREAD, &queued), queued == 5));
        QVERIFY(rig.open());
        rig.feed("fresh");
        QTRY_COMPARE(rec.bytes, QByteArray("fresh"));
    }

    void oddRateAndDeviceName()
    {
        if (!real())
            QSKIP("pty only");
        Rig rig(true);
        QCOMPARE(rig.port->deviceName(kCom), QFileInfo(rig.pty->path).canonicalFilePath());
        QVERIFY(rig.port->setSettings(QStringLiteral("12345,n,8,1")));
        QVERIFY(rig.port->setCommPort(kCom));
        QVERIFY(rig.port->setPortOpen(true));
        QVERIFY(rig.port->detail().contains(rig.pty->path));
        QVERIFY(rig.port->detail().contains(QStringLiteral("12345 baud")));
    }

    void closeWithOutputStuckReturns()
    {
        if (!real())
            QSKIP("pty only");
        Rig rig(true);
        QVERIFY(rig.open());
        // Nobody reads the master: the output stays queued.
        QVERIFY(rig.port->output(pattern(1 << 20, 6)));
        QTest::qWait(100);
        QVERIFY(rig.port->setPortOpen(false));
        QVERIFY(rig.port->setPortOpen(true));
        QVERIFY(rig.port->output(pattern(1 << 20, 7)));
        QTest::qWait(100);
        rig.port.reset();
    }

    void nothingLeaksAfterUse()
    {
        if (!real())
            QSKIP("pty only");
        auto pty = std::make_unique<Pty>();
        const int fds = countEntries("/proc/self/fd");
        const int threads = countEntries("/proc/self/task");
        {
            auto port = makeQtCommPort();
            Recorder rec(*port);
            QVERIFY(port->setCommPort(kCom));
            QVERIFY(port->setPortOpen(true));
            QVERIFY(port->setPortOpen(false));
            QVERIFY(port->setPortOpen(true));
            pty->write("abc");
            QTRY_COMPARE(rec.bytes, QByteArray("abc"));
            pty->closeMaster();
            QTRY_VERIFY_WITH_TIMEOUT(!port->portOpen(), 10000);
            pty.reset();
            pty = std::make_unique<Pty>();
            QVERIFY(port->setPortOpen(true));
        }
        QCOMPARE(countEntries("/proc/self/fd"), fds);
        // Other threads of Qt's may end meanwhile; the port must not leave one behind.
        QTRY_VERIFY(countEntries("/proc/self/task") <= threads);
    }

    void comNumbersCountPresentDevices()
    {
        if (real())
            QSKIP("once is enough");
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
        const QString at = comPortLinkPath(2);
        QDir().mkpath(QFileInfo(at).absolutePath());
        QFile::remove(at);
        QVERIFY(QFile::link(QStringLiteral("/dev/ttyS0"), at));
        QCOMPARE(comPortDevice(2, sys.path()), QStringLiteral("/dev/ttyS0"));
        QCOMPARE(comPortDevice(3, sys.path()), QStringLiteral("/dev/ttyACM0"));
        QFile::remove(at);
    }
};

QTEST_GUILESS_MAIN(TestCommPort)
#include "tst_commport.moc"
