// The port contract, checked against the test fake and against the real port driving a
// pseudo-terminal, plus what only the real port does (flow control of a large stream,
// locking, device loss, clean-up).
#include "platform/commport.h"
#include "platform/portlist.h"
#include "platform/portnames.h"
#include "platform/qtcommport.h"
#include "platform/ttylines.h"
#include "tests/support/fakecommport.h"
#include "tests/support/ptydevice.h"

#include <QDeadlineTimer>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <numeric>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <thread>

using namespace Qt::StringLiterals;

namespace {

constexpr int kCom = 7;
constexpr qint64 kCap = 1 << 20; // what the real port holds before it stops reading

static_assert(outputLimitFor(110) == 64 && outputLimitFor(9600) == 64 &&
              outputLimitFor(115200) == 230 && outputLimitFor(1000000) == 2000 &&
              outputLimitFor(4000000) == 4096);

QByteArray pattern(qsizetype n, unsigned seed)
{
    QByteArray out(n, Qt::Uninitialized);
    for (char &c : out)
        c = char((seed = seed * 1103515245u + 12345u) >> 16);
    return out;
}

QByteArray allByteValues()
{
    QByteArray out(256, Qt::Uninitialized);
    std::iota(out.begin(), out.end(), char(0));
    return out;
}

int countEntries(const char *dir)
{
    const auto filter = QDir::NoDotAndDotDot | QDir::AllEntries | QDir::System;
    return int(QDir(QString::fromLatin1(dir)).entryList(filter).size());
}

void bothPorts()
{
    QTest::addColumn<bool>("real");
    for (bool real : {false, true})
        QTest::newRow(real ? "pty" : "fake") << real;
}

// Takes what the port delivers, as the terminal's receive hub does.
struct Recorder : QObject
{
    explicit Recorder(CommPort &port)
    {
        connect(&port, &CommPort::dataReady, this, [this, &port] {
            if (!suspended)
                bytes += port.takeReceived().bytes;
        });
        connect(&port, &CommPort::lineEvent, this, [this] { events.append(u"line"_s); });
        connect(&port, &CommPort::deviceLost, this, [this] { events.append(u"lost"_s); });
    }
    QByteArray bytes;
    QStringList events;
    bool suspended = false;
};

// The port under test and the device at its far end: the fake, or a pty linked as COM 7.
// Sends to the device are checked by what then arrives.
struct Rig
{
    explicit Rig(bool real) : port(real ? makeQtCommPort() : std::make_unique<FakeCommPort>())
    {
        if (real)
            plugIn();
    }
    // A (new) device appears as COM 7.
    void plugIn()
    {
        pty = std::make_unique<Pty>();
        if (!pty->isOpen() || !linkComPort(kCom, pty->slavePath()))
            qFatal("no pseudo-terminal");
    }
    FakeCommPort *fake() const { return qobject_cast<FakeCommPort *>(port.get()); }
    bool open(const PortSettings &settings = {}, int com = kCom)
    {
        return port->open(PortAddress::ofCom(com), settings).ok();
    }
    void feed(const QByteArray &bytes) { pty ? void(pty->send(bytes)) : fake()->injectData(bytes); }
    // What the device got, up to n bytes; the event loop runs meanwhile, as in the program.
    QByteArray sent(qsizetype n, int timeoutMs = 10000) const
    {
        if (!pty)
            return std::exchange(fake()->written, QByteArray());
        QByteArray got;
        for (QDeadlineTimer deadline(timeoutMs); got.size() < n && !deadline.hasExpired();) {
            QCoreApplication::processEvents();
            got += pty->receive(n - got.size(), 5);
        }
        return got;
    }
    bool stopReading() { return pty ? pty->stopReading() : !(fake()->deviceReads = false); }
    void resumeReading()
    {
        if (pty)
            return pty->resumeReading();
        fake()->deviceReads = true;
        fake()->deviceTakes(fake()->pendingOutput());
    }
    void loseDevice() { pty ? pty->hangUp() : fake()->loseDevice(); }
    std::unique_ptr<Pty> pty;
    std::unique_ptr<CommPort> port;
};

} // namespace

class TestCommPort : public QObject
{
    Q_OBJECT

private slots:
    // What the port raises for each change a real device reports.
    void lineConditionsGiveTheirEvents()
    {
        using Events = QList<std::pair<LineEvent, int>>;
        using enum LineEvent;
        QCOMPARE(lineEvents(0, ttyLineCts | ttyLineDsr | ttyLineCd, true),
                 (Events{{Cts, 1}, {Dsr, 1}, {Cd, 1}}));
        QCOMPARE(lineEvents(ttyLineCd, 0, true), (Events{{Cd, 1}}));
        QCOMPARE(lineEvents(ttyLineCts, ttyLineCts, true), Events{}); // no change, no event
        // Without a ring counter the end of a ring pulse is the ring.
        QCOMPARE(lineEvents(ttyLineRing, 0, false), (Events{{Ring, 1}}));
        QCOMPARE(lineEvents(0, ttyLineRing, false), Events{});
        QCOMPARE(lineEvents(ttyLineRing, 0, true), Events{});

        const TtyCounters before{.parity = 9, .brk = 5};
        // Line changes are seen on the lines, not counted twice (cts).
        const TtyCounters now{
            .cts = 4, .rng = 1, .frame = 1, .overrun = 1, .parity = 10, .brk = 7, .bufOverrun = 3};
        QCOMPARE(
            counterEvents(before, now),
            (Events{{Ring, 1}, {Break, 2}, {Frame, 1}, {Overrun, 1}, {RxOver, 3}, {Parity, 1}}));
        QCOMPARE(counterEvents(now, before), Events{}); // a counter reset reports nothing
    }

    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void cleanup() { QFile::remove(comPortLinkPath(kCom)); }

    // Settings and addresses are checked at the open; refusals leave the port closed.
    void settingsOpenAndClose_data() { bothPorts(); }
    void settingsOpenAndClose()
    {
        QFETCH(bool, real);
        Rig rig(real);
        CommPort &port = *rig.port;
        QCOMPARE(port.open(PortAddress::ofCom(kCom), {.baud = 109}).error, PortError::BadSettings);
        QVERIFY(!real || port.detail().startsWith(u"109 baud: below 110"_s));
        QCOMPARE(port.open(PortAddress::ofCom(256), {}).error, PortError::NoSuchPort);
        QCOMPARE(port.open(PortAddress::ofCom(kCom), {.stopBits = StopBits::OneAndHalf}).error,
                 PortError::Unsupported);
        QCOMPARE(port.apply({}).error, PortError::NotOpen);
        QVERIFY(!port.isOpen());
        QCOMPARE(port.write("x"), 0);

        QVERIFY(rig.open({.baud = 300, .stopBits = StopBits::Two}));
        QVERIFY(port.isOpen());
        QCOMPARE(port.open(PortAddress::ofCom(kCom), {}).error, PortError::Busy);
        port.close();
        QVERIFY(!port.isOpen());
        port.close();
        QVERIFY(rig.open());
    }

    void everyByteValueBothWays_data() { bothPorts(); }
    void everyByteValueBothWays()
    {
        QFETCH(bool, real);
        Rig rig(real);
        Recorder rec(*rig.port);
        CommPort &port = *rig.port;
        QVERIFY(rig.open());
        const QByteArray all = allByteValues();
        QVERIFY(port.write(all));
        QVERIFY(port.write("again"));
        QCOMPARE(rig.sent(261), all + "again");
        rig.feed(all.left(100));
        rig.feed(all.mid(100));
        QTRY_COMPARE(rec.bytes, all);
        rig.feed("\r\n");
        QTRY_COMPARE(rec.bytes, all + "\r\n");
        // A pty has no modem lines and no error counters: nothing but data is reported.
        QTest::qWait(200);
        QCOMPARE(rec.events, QStringList());
        QCOMPARE(port.bytesWaiting(), 0);
    }

    // Output waits in the port while the device takes nothing. A draining close gives it up
    // after the deadline and says how much that was; to a reading device it loses nothing.
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
        QVERIFY(rig.stopReading());
        QCOMPARE(port.write(data), data.size());
        QCOMPARE(port.pendingOutput(), data.size());
        rig.resumeReading();
        QCOMPARE(rig.sent(data.size()), data);
        QTRY_VERIFY(!shrank.isEmpty());
        QCOMPARE(port.pendingOutput(), 0);

        QVERIFY(rig.stopReading());
        QCOMPARE(port.write(data), data.size());
        QCOMPARE(port.closeDraining(), data.size());
        QVERIFY(!port.isOpen());
        QCOMPARE(port.pendingOutput(), 0);
        QCOMPARE(port.write("x"), 0);
        rig.resumeReading();
        QCOMPARE(rig.sent(1, 200), QByteArray());

        QVERIFY(rig.open());
        const QByteArray big = pattern(20000, 9); // drained well within the close's 2 s
        QByteArray got;
        std::thread device([&] { got = rig.pty ? rig.pty->receive(big.size()) : QByteArray(); });
        QCOMPARE(port.write(big), big.size());
        QCOMPARE(port.closeDraining(), 0);
        device.join();
        QVERIFY((real ? got : rig.sent(0)) == big);
        // The pty took all at once: the limit follows how fast, not the nominal rate.
        QVERIFY(!real || port.outputLimit() > 64);
    }

    // Real port only: output stuck (nobody reads the master) is held up to the port's cap,
    // and neither a close nor the port's end waits for it.
    void stuckOutputIsHeldUpToTheCap()
    {
        Rig rig(true);
        CommPort &port = *rig.port;
        QVERIFY(rig.open());
        QVERIFY(rig.stopReading());
        QCOMPARE(port.write(pattern(3 << 20, 6)), kCap);
        QCOMPARE(port.write("x"), 0);
        QCOMPARE(port.pendingOutput(), kCap);
        QTest::qWait(100);
        port.close();
        QVERIFY(rig.open());
        QVERIFY(port.write(pattern(kCap, 7)));
        QTest::qWait(100);
        rig.port.reset();
    }

    // The real rows also check that a use with a close, a loss and a reopen leaves no
    // descriptor or thread behind.
    void deviceLossClosesThePortAfterItsData_data()
    {
        QTest::addColumn<bool>("real");
        QTest::addColumn<bool>("held"); // the receive handler takes nothing meanwhile
        for (bool real : {false, true})
            for (bool held : {false, true})
                QTest::addRow("%s%s", real ? "pty" : "fake", held ? ", held" : "") << real << held;
    }
    void deviceLossClosesThePortAfterItsData()
    {
        QFETCH(bool, real);
        QFETCH(bool, held);
        const int fds = countEntries("/proc/self/fd");
        const int threads = countEntries("/proc/self/task");
        Rig rig(real);
        Recorder rec(*rig.port);
        rec.suspended = held;
        QVERIFY(rig.open());
        rig.port->close();
        QVERIFY(rig.open());
        const QByteArray data = pattern(3000, 1);
        rig.feed(data);
        if (held)
            QTRY_COMPARE(rig.port->bytesWaiting(), data.size());
        else
            QTRY_COMPARE(rec.bytes, data);
        rig.loseDevice();
        QTRY_COMPARE_WITH_TIMEOUT(rec.events, QStringList{u"lost"_s}, 10000);
        QVERIFY(!rig.port->isOpen());
        QVERIFY(!rig.port->detail().isEmpty());
        QVERIFY(!rig.port->write("x"));
        rec.bytes += rig.port->takeReceived().bytes;
        QCOMPARE(rec.bytes, data);

        // The device comes back.
        rec.suspended = false;
        if (real)
            rig.plugIn();
        QVERIFY2(rig.open(), qPrintable(rig.port->detail()));
        rig.feed("back");
        QTRY_COMPARE(rec.bytes, data + "back");
        if (!real)
            return;
        rig.port.reset();
        QCOMPARE(countEntries("/proc/self/fd"), fds + 2); // the pty's own two
        // Other threads of Qt's may end meanwhile; the port must not leave one behind.
        QTRY_VERIFY(countEntries("/proc/self/task") <= threads);
    }

    // Data bits and parity, which a pty drops: through the fake, and on a real UART read
    // back from a second descriptor.
    void dataBitsAndParityReachTheDevice_data() { bothPorts(); }
    void dataBitsAndParityReachTheDevice()
    {
        QFETCH(bool, real);
        const QString uart = u"/dev/ttyS0"_s;
        std::unique_ptr<CommPort> port = real ? makeQtCommPort() : std::make_unique<FakeCommPort>();
        if (real && !port->open(*PortAddress::parse(uart), {}).ok())
            QSKIP(qPrintable(uart + u" cannot be used here: "_s + port->detail()));
        if (!real)
            QVERIFY(port->open(PortAddress::ofCom(kCom), {}).ok());
        const PortSettings s{19200, DataBits::Seven, Parity::Even, StopBits::Two,
                             FlowControl::RtsCts};
        const bool applied = port->apply(s).ok();
        if (real && !applied) // a UART without a device behind it may refuse any change
            QSKIP(qPrintable(uart + u" refuses the settings here: "_s + port->detail()));
        QVERIFY2(applied, qPrintable(port->detail()));
        if (!real) {
            const PortSettings &got = qobject_cast<FakeCommPort *>(port.get())->settings;
            QVERIFY(got.dataBits == s.dataBits && got.parity == s.parity);
            return;
        }
        const int fd = ::open(uart.toLocal8Bit().constData(), O_RDONLY | O_NOCTTY | O_NONBLOCK);
        termios t{};
        QVERIFY(fd >= 0 && ::tcgetattr(fd, &t) == 0);
        ::close(fd);
        QCOMPARE(t.c_cflag & (CSIZE | PARENB | PARODD | CSTOPB | CRTSCTS),
                 tcflag_t(CS7 | PARENB | CSTOPB | CRTSCTS));
        QCOMPARE(cfgetospeed(&t), speed_t(B19200));
    }

    // Real port only from here.

    // While the handler takes nothing the port stops reading at its cap and so holds the
    // device back; nothing is dropped, whether reading resumes (and the stream ends whole or
    // with the device going) or the device goes while the port is stalled.
    void heldBackReaderHoldsTheSenderBack_data()
    {
        QTest::addColumn<int>("end");
        QTest::newRow("reading resumes") << 0;
        QTest::newRow("reading resumes, device lost midway") << 1;
        QTest::newRow("device lost at the cap") << 2;
    }
    void heldBackReaderHoldsTheSenderBack()
    {
        QFETCH(int, end);
        Rig rig(true);
        Recorder rec(*rig.port);
        rec.suspended = true;
        QVERIFY(rig.open());
        const QByteArray data = pattern(3 << 20, 4) + allByteValues();
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

        if (end != 2) {
            rec.suspended = false;
            rig.port->resumeReading();
        }
        std::thread writer([&] {
            if (end != 2)
                rig.pty->send(data.mid(written));
            if (end != 0)
                rig.pty->hangUp(); // after a stream, with its last bytes still in the pty
        });
        if (end == 0) {
            QTRY_COMPARE_WITH_TIMEOUT(rec.bytes.size(), data.size(), 60000);
            writer.join();
            QVERIFY(rec.bytes == data);
            QCOMPARE(rec.events, QStringList());
            return;
        }
        QTRY_COMPARE_WITH_TIMEOUT(rec.events, QStringList{u"lost"_s}, 60000);
        writer.join();
        QVERIFY(!rig.port->isOpen());
        rec.bytes += rig.port->takeReceived().bytes;
        // The pty drops what its own buffer held at the hang-up; everything the port had
        // taken from it is there, in order.
        QVERIFY(rec.bytes.size() >= kCap);
        QVERIFY(end == 1 || rec.bytes.size() <= written);
        QVERIFY(data.startsWith(rec.bytes));
    }

    // The open drops what the driver held from before and names the device and the rate
    // applied; a busy, missing or unfit device is refused with the reason.
    // The open drops what the driver held from before and names the device and the rate
    // applied; settings reach the driver without a reopen; a busy, missing or unfit device
    // is refused with the reason.
    void openAppliesSettingsAndRefusesUnfitDevices()
    {
        Rig rig(true);
        Recorder rec(*rig.port);
        rig.feed("stale");
        int queued = 0;
        QTRY_VERIFY((::ioctl(rig.pty->slave(), FIONREAD, &queued), queued == 5));
        QVERIFY(rig.open({.baud = 12345}));
        QVERIFY(rig.port->detail().contains(rig.pty->slavePath()));
        QVERIFY(rig.port->detail().contains(u"12345 baud"_s));
        rig.feed("fresh");
        QTRY_COMPARE(rec.bytes, QByteArray("fresh"));

        // A pty keeps the rate, the stop bits and the flow control asked for (it forces
        // 8 data bits and no parity).
        const auto line = [&] {
            termios t{};
            ::tcgetattr(rig.pty->slave(), &t);
            return std::tuple(cfgetospeed(&t), bool(t.c_cflag & CSTOPB), bool(t.c_cflag & CRTSCTS),
                              bool(t.c_iflag & IXON));
        };
        QVERIFY(
            rig.port->apply({.baud = 19200, .stopBits = StopBits::Two, .flow = FlowControl::RtsCts})
                .ok());
        QCOMPARE(line(), std::tuple(speed_t(B19200), true, true, false));
        QVERIFY(rig.port->apply({.baud = 9600, .flow = FlowControl::XonXoff}).ok());
        QCOMPARE(line(), std::tuple(speed_t(B9600), false, false, true));
        QCOMPARE(rig.port->apply({.stopBits = StopBits::OneAndHalf}).error, PortError::Unsupported);
        QVERIFY(rig.port->isOpen() && rig.port->detail().contains(u"1.5 stop bits"_s));

        const auto second = makeQtCommPort();
        QCOMPARE(second->open(PortAddress::ofCom(kCom), {}).error, PortError::Busy);
        QVERIFY(!second->isOpen() && second->detail().contains(u"busy"_s));
        rig.port->close();

        // Another program holding a lock on the device; the device named by its path.
        const int other = ::open(rig.pty->slavePath().toLocal8Bit().constData(), O_RDWR | O_NOCTTY);
        QVERIFY(other >= 0);
        QCOMPARE(::flock(other, LOCK_EX | LOCK_NB), 0);
        QCOMPARE(rig.port->open(*PortAddress::parse(rig.pty->slavePath()), {}).error,
                 PortError::Busy);
        QVERIFY(rig.port->detail().startsWith(rig.pty->slavePath() + u": busy"_s));
        ::close(other);
        QVERIFY(rig.port->open(*PortAddress::parse(rig.pty->slavePath()), {}).ok());
        rig.port->close();
        QCOMPARE(rig.port->open(*PortAddress::parse(u"tcp://127.0.0.1:1"_s), {}).error,
                 PortError::Unreachable);
        QVERIFY(rig.port->detail().startsWith(u"tcp://127.0.0.1:1: "_s));

        QTemporaryDir dir;
        QVERIFY(QFile(dir.filePath(u"plain"_s)).open(QIODevice::WriteOnly));
        for (const auto &[device, error, why] :
             {std::tuple{dir.filePath(u"ttyUSB9"_s), PortError::NoSuchPort, u"missing device"_s},
              {dir.filePath(u"plain"_s), PortError::NotATty, u"not a tty"_s},
              {u"/dev/null"_s, PortError::NotATty, u"not a tty"_s}}) {
            QVERIFY(linkComPort(kCom, device));
            QCOMPARE(second->open(PortAddress::ofCom(kCom), {}).error, error);
            QVERIFY(!second->isOpen());
            QVERIFY2(second->detail().endsWith(why), qPrintable(second->detail()));
            QVERIFY2(second->detail().contains(QFileInfo(device).fileName()), qPrintable(device));
        }
    }

    void comNumbersCountPresentDevices()
    {
        QTemporaryDir sys;
        QVERIFY(QDir(sys.path()).mkpath(u"ttyUSB3"_s)); // a node without a device
        // The type of ttyS1 says no UART is behind it.
        for (const auto &[name, type] : {std::pair{"ttyS10", "4\n"},
                                         {"ttyS1", "0\n"},
                                         {"ttyS0", "4\n"},
                                         {"ttyUSB10", ""},
                                         {"ttyUSB2", ""},
                                         {"ttyACM0", ""},
                                         {"tty1", ""},
                                         {"ttyprintk", ""}}) {
            QVERIFY(QDir(sys.path()).mkpath(QString::fromLatin1(name) + "/device"));
            QFile f(sys.filePath(QString::fromLatin1(name) + "/type"));
            QVERIFY(!*type || (f.open(QIODevice::WriteOnly) && f.write(type) > 0));
        }
        const QStringList expected{"/dev/ttyUSB2", "/dev/ttyUSB10", "/dev/ttyACM0", "/dev/ttyS0",
                                   "/dev/ttyS10"};
        QCOMPARE(presentSerialDevices(sys.path()), expected);
        QCOMPARE(comPortDevice(2, sys.path()), u"/dev/ttyUSB10"_s);
        QCOMPARE(comPortDevice(6, sys.path()), QString());
        QCOMPARE(comPortDevice(0, sys.path()), QString());

        // A link in the configuration folder overrides the count for its number only.
        QVERIFY(linkComPort(2, u"/dev/ttyS0"_s));
        QCOMPARE(comPortDevice(2, sys.path()), u"/dev/ttyS0"_s);
        QCOMPARE(comPortDevice(3, sys.path()), u"/dev/ttyACM0"_s);
        QFile::remove(comPortLinkPath(2));

        // The port list: a link takes its number from the position it hides (ttyUSB10 is
        // then selected by none), a link to a missing device hides its position unlisted.
        QDir(QFileInfo(comPortLinkPath(1)).absolutePath()).removeRecursively();
        Pty five, two;
        QVERIFY(linkComPort(5, five.slavePath()) && linkComPort(2, two.slavePath()));
        QVERIFY(linkComPort(4, sys.filePath(u"missing"_s)));
        QVERIFY(linkComPort(256, five.slavePath())); // beyond the COM numbers: never listed
        QCOMPARE(comPortDevice(256, sys.path()), QString());
        const auto described = [](const QString &device) { return device.right(2); };
        const QList<PortListEntry> ports{{1, u"/dev/ttyUSB2"_s, u"B2"_s},
                                         {2, two.slavePath(), two.slavePath().right(2)},
                                         {3, u"/dev/ttyACM0"_s, u"M0"_s},
                                         {5, five.slavePath(), five.slavePath().right(2)}};
        QCOMPARE(listSerialPorts(sys.path(), described), ports);
        QCOMPARE(listSerialPorts(sys.path()).at(3).description, QString()); // a pty tells none
        QDir(QFileInfo(comPortLinkPath(1)).absolutePath()).removeRecursively();
    }
};

QTEST_GUILESS_MAIN(TestCommPort)
#include "tst_commport.moc"
