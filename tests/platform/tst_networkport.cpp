// The port opened at a network address, through the same front as a serial device: against
// ser2net serving a pty, and against servers played by the test for what ser2net cannot do.
#include "platform/qtcommport.h"

#include "tests/support/ptydevice.h"
#include "tests/support/ser2net.h"
#include "tests/support/telnetserver.h"

#include <QSignalSpy>
#include <QtTest>

#include <future>
#include <numeric>
#include <thread>

using namespace Qt::StringLiterals;

namespace {

QByteArray allByteValues()
{
    QByteArray out(256, Qt::Uninitialized);
    std::iota(out.begin(), out.end(), char(0));
    return out;
}

// What the port reports, in order: data as itself, events and the loss as words.
struct Recorder : QObject
{
    explicit Recorder(CommPort &port)
    {
        connect(&port, &CommPort::dataReady, this, [this, &port] {
            const QByteArray got = port.takeReceived().bytes;
            bytes += got;
            log += QString::fromLatin1(got);
        });
        connect(&port, &CommPort::lineEvent, this, [this](LineEvent e) {
            log += e == LineEvent::Break ? u"<break>"_s : u"<event>"_s;
        });
        connect(&port, &CommPort::deviceLost, this, [this] { log += u"<lost>"_s; });
        connect(&port, &CommPort::notice, this, [this](const QString &t) { notices << t; });
    }
    QByteArray bytes;
    QString log;
    QStringList notices;
};

PortAddress address(PortAddress::Kind kind, quint16 port)
{
    PortAddress a;
    a.kind = kind;
    a.host = u"127.0.0.1"_s;
    a.port = port;
    return a;
}

bool ptyHas(const Pty &pty, speed_t speed, bool twoStopBits)
{
    termios t{};
    return ::tcgetattr(pty.slave(), &t) == 0 && cfgetospeed(&t) == speed &&
           bool(t.c_cflag & CSTOPB) == twoStopBits;
}

QByteArray fromPty(Pty &pty, qsizetype n)
{
    QByteArray got;
    for (QDeadlineTimer wait(20000); got.size() < n && !wait.hasExpired();) {
        QTest::qWait(5);
        got += pty.receive(n - got.size(), 0);
    }
    return got;
}

} // namespace

class TestNetworkPort : public QObject
{
    Q_OBJECT
private slots:
    // Settings reach the pty behind ser2net at the open and by apply(), every byte value
    // passes both ways, an unanswered DTR request is said once and stalls nothing, and a
    // killed server is a lost device after the last byte.
    void rfc2217ThroughSer2net()
    {
        if (const QString why = Ser2net::unavailable(); !why.isEmpty())
            QSKIP(qPrintable(why));
        Pty pty;
        Ser2net server(pty.slavePath());
        QVERIFY2(server.start(), qPrintable(server.errorText()));
        auto port = makeQtCommPort();
        Recorder rec(*port);
        const PortAddress at = address(PortAddress::Kind::Rfc2217, server.port());
        PortSettings s;
        s.baud = 57600;
        s.stopBits = StopBits::Two;
        QVERIFY2(port->open(at, s).ok(), qPrintable(port->detail()));
        QVERIFY(port->isOpen() && port->detail().startsWith(at.toString()));
        QTRY_VERIFY_WITH_TIMEOUT(ptyHas(pty, B57600, true), 20000);
        QVERIFY(port->apply({}).ok());
        QTRY_VERIFY_WITH_TIMEOUT(ptyHas(pty, B9600, false), 20000);

        const QByteArray all = allByteValues();
        QCOMPARE(port->write(all + all), 512);
        QCOMPARE(fromPty(pty, 512), all + all);
        QVERIFY(pty.send(all + all));
        QTRY_COMPARE_WITH_TIMEOUT(rec.bytes, all + all, 20000);

        QVERIFY(port->setLine(OutputLine::Dtr, false) && !port->line(OutputLine::Dtr));
        QVERIFY(port->setLine(OutputLine::Dtr, true));
        QCOMPARE(port->write("still flows"), 11);
        QCOMPARE(fromPty(pty, 11), "still flows");
        QTRY_COMPARE_WITH_TIMEOUT(rec.notices.size(), 1, 20000);
        QVERIFY2(rec.notices[0].contains("DTR"), qPrintable(rec.notices[0]));

        QVERIFY(pty.send("last"));
        QTRY_VERIFY_WITH_TIMEOUT(rec.bytes.endsWith("last"), 20000);
        server.stop();
        QTRY_VERIFY_WITH_TIMEOUT(rec.log.endsWith(u"last<lost>"_s), 20000);
        QVERIFY(!port->isOpen() && port->detail().startsWith(at.toString()));
        QCOMPARE(rec.notices.size(), 1);
    }

    // The server's line-state notification comes between the bytes around it; 0xFF is
    // undoubled; what came before the drop arrives before the loss. The server runs on a
    // thread of its own: the window's thread waits while the port opens.
    void lineEventsInOrderThenTheServerDrops()
    {
        std::promise<quint16> listening;
        std::thread server([&listening] {
            QTcpServer tcp;
            listening.set_value(tcp.listen(QHostAddress::LocalHost) ? tcp.serverPort() : 0);
            if (!tcp.waitForNewConnection(20000))
                return;
            QTcpSocket *peer = tcp.nextPendingConnection();
            // DO/WILL BINARY, DO/WILL SGA, DO COM-PORT-OPTION.
            peer->write(QByteArray::fromHex("fffd00 fffb00 fffd03 fffb03 fffd2c"));
            QByteArray wire;
            // The client's settings request: it has seen the answer.
            for (QDeadlineTimer wait(20000); !wire.contains("\xff\xfa\x2c\x01") &&
                                             !wait.hasExpired() && peer->waitForReadyRead(100);)
                wire += peer->readAll();
            // "ab", LINESTATE break, "c", 0xFF doubled.
            peer->write(QByteArray::fromHex("6162 fffa2c6a10fff0 63 ffff"));
            peer->waitForBytesWritten(20000);
            peer->disconnectFromHost();
            if (peer->state() != QAbstractSocket::UnconnectedState)
                peer->waitForDisconnected(20000);
        });
        const quint16 at = listening.get_future().get();
        auto port = makeQtCommPort();
        Recorder rec(*port);
        const bool opened = port->open(address(PortAddress::Kind::Rfc2217, at), {}).ok();
        if (opened)
            QTRY_VERIFY_WITH_TIMEOUT(rec.log.endsWith(u"<lost>"_s), 20000);
        server.join();
        QVERIFY2(opened, qPrintable(port->detail()));
        QCOMPARE(rec.log, u"ab<break>c\xff<lost>"_s);
    }

    // Raw TCP: a refusal names the address; a server that drops mid-write is a lost device
    // and the port takes nothing more; a pending draining close loses nothing it took.
    void rawTcp()
    {
        auto port = makeQtCommPort();
        Recorder rec(*port);
        TestServer server;
        QVERIFY(server.listen());
        const PortAddress at = address(PortAddress::Kind::Tcp, server.port());
        server.close();
        QCOMPARE(port->open(at, {}).error, PortError::Unreachable);
        QVERIFY(port->detail().startsWith(at.toString() + u": "_s));

        TestServer again;
        QVERIFY(again.listen());
        const PortAddress there = address(PortAddress::Kind::Tcp, again.port());
        QVERIFY(port->open(there, {}).ok());
        QTRY_VERIFY(again.peer);
        const QByteArray all = allByteValues();
        QCOMPARE(port->write(all), 256);
        QCOMPARE(port->closeDraining(), 0);
        QTRY_COMPARE(again.wire, all);

        QVERIFY(port->open(there, {}).ok());
        again.onData = [&again] {
            if (again.wire.size() > (1 << 20))
                again.peer->abort();
        };
        const QByteArray chunk(64 * 1024, 'x');
        for (QDeadlineTimer wait(60000); rec.log.isEmpty() && !wait.hasExpired(); QTest::qWait(1))
            if (port->pendingOutput() < port->outputLimit())
                (void)port->write(chunk);
        QCOMPARE(rec.log, u"<lost>"_s);
        QVERIFY(!port->isOpen() && port->write("x") == 0);
        // The measured pace let more than the first guess wait.
        QVERIFY(port->outputLimit() > 64);
    }
};

QTEST_GUILESS_MAIN(TestNetworkPort)
#include "tst_networkport.moc"
