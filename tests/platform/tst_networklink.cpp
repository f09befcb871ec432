// The network link against a real serial server (ser2net serving a pty) and against a
// server played by the test for the failures ser2net cannot be made to show.
#include "platform/networklink.h"

#include "tests/support/ptydevice.h"
#include "tests/support/ser2net.h"
#include "tests/support/telnetserver.h"

#include <QtTest>

#include <numeric>

using namespace std::chrono_literals;

namespace {

QByteArray allByteValues()
{
    QByteArray out(256, Qt::Uninitialized);
    std::iota(out.begin(), out.end(), char(0));
    return out;
}

// The client's opening: WILL and DO BINARY, WILL and DO SGA, WILL COM-PORT-OPTION.
const QByteArray opening = QByteArray::fromHex("fffb00 fffd00 fffb03 fffd03 fffb2c");

struct Record
{
    explicit Record(NetworkLink &link, std::chrono::milliseconds negotiation = 10s)
    {
        link.setTimeouts({10s, negotiation, 1s});
        QObject::connect(&link, &NetworkLink::opened, &link,
                         [this](const QString &failure) { opened << failure; });
        QObject::connect(&link, &NetworkLink::received, &link,
                         [this](const QByteArray &d, const QList<LineEventAt> &) { data += d; });
        QObject::connect(&link, &NetworkLink::notice, &link,
                         [this](const QString &text) { notices << text; });
        QObject::connect(&link, &NetworkLink::deviceLost, &link, [this](const QString &why) {
            lost << why;
            receivedBeforeLoss = data;
        });
    }
    QStringList opened, notices, lost;
    QByteArray data, receivedBeforeLoss;
};

bool opens(NetworkLink &link, Record &r, NetworkLink::Protocol protocol, quint16 port,
           const PortSettings &settings = {})
{
    link.open(protocol, QStringLiteral("127.0.0.1"), port, settings);
    return QTest::qWaitFor([&] { return !r.opened.isEmpty(); }, 20000) &&
           r.opened == QStringList{QString()};
}

// What the link wrote to the pty's far side, with the event loop running.
QByteArray fromPty(Pty &pty, qsizetype n)
{
    QByteArray got;
    for (QDeadlineTimer wait(20000); got.size() < n && !wait.hasExpired();) {
        QTest::qWait(5);
        got += pty.receive(n - got.size(), 0);
    }
    return got;
}

bool ptyHas(const Pty &pty, speed_t speed, bool twoStopBits, bool rtsCts)
{
    termios t{};
    return ::tcgetattr(pty.slave(), &t) == 0 && cfgetospeed(&t) == speed &&
           bool(t.c_cflag & CSTOPB) == twoStopBits && bool(t.c_cflag & CRTSCTS) == rtsCts;
}

} // namespace

class NetworkLinkTest : public QObject
{
    Q_OBJECT
private slots:
    void throughSer2net();
    void bytes0xFFBothWaysThenTheServerCloses();
    void droppedMidWrite();
    void openFails_data();
    void openFails();
};

// Settings reach the device (a Linux pty keeps rate, stop bits and flow control, and forces
// 8N), all byte values pass both ways, an unanswered DTR request is reported once and
// holds nothing up, a killed server is a lost device.
void NetworkLinkTest::throughSer2net()
{
    Pty pty;
    QVERIFY(pty.isOpen());
    Ser2net server(pty.slavePath());
    if (const QString why = Ser2net::unavailable(); !why.isEmpty())
        QSKIP(qPrintable(why));
    QVERIFY2(server.start(), qPrintable(server.errorText()));
    NetworkLink link;
    Record r(link);
    QVERIFY(opens(link, r, NetworkLink::Protocol::Rfc2217, server.port(),
                  {57600, DataBits::Eight, Parity::None, StopBits::Two, FlowControl::RtsCts}));
    QVERIFY(link.hasPortControl());
    QTRY_VERIFY_WITH_TIMEOUT(ptyHas(pty, B57600, true, true), 20000);
    QTRY_COMPARE_WITH_TIMEOUT(
        link.detail(),
        QString("rfc2217://127.0.0.1:%1: 57600 baud 8,N,2 RTS/CTS applied").arg(server.port()),
        20000);
    QVERIFY(link.apply({}));
    QTRY_VERIFY_WITH_TIMEOUT(ptyHas(pty, B9600, false, false), 20000);

    const QByteArray all = allByteValues();
    QCOMPARE(link.write(all + all), 512);
    QCOMPARE(fromPty(pty, 512), all + all);
    QVERIFY(pty.send(all + all));
    QTRY_COMPARE_WITH_TIMEOUT(r.data, all + all, 20000);

    QVERIFY(link.setLine(OutputLine::Dtr, false) && link.setLine(OutputLine::Dtr, true));
    QTRY_COMPARE_WITH_TIMEOUT(r.notices.size(), 1, 20000);
    QVERIFY2(r.notices[0].contains("DTR"), qPrintable(r.notices[0]));
    QCOMPARE(link.write("still flows"), 11);
    QCOMPARE(fromPty(pty, 11), "still flows");
    QVERIFY(link.setLine(OutputLine::Dtr, false));
    QTest::qWait(1500);
    QCOMPARE(r.notices.size(), 1);

    server.stop();
    QTRY_COMPARE_WITH_TIMEOUT(r.lost.size(), 1, 20000);
    QVERIFY(!r.lost[0].isEmpty() && !link.isOpen() && link.write("x") == 0);
}

// A plain Telnet server (DO and WILL BINARY, DO and WILL SGA, DONT COM-PORT-OPTION): 0xFF
// doubled on the wire both ways; what it sent before closing arrives before the loss.
void NetworkLinkTest::bytes0xFFBothWaysThenTheServerCloses()
{
    TestServer server;
    server.answer = QByteArray::fromHex("fffd00 fffb00 fffd03 fffb03 fffe2c");
    QVERIFY(server.listen());
    NetworkLink link;
    Record r(link);
    QVERIFY(opens(link, r, NetworkLink::Protocol::Rfc2217, server.port()));
    QCOMPARE(r.notices.size(), 1); // no port control
    QVERIFY(!link.hasPortControl() && !link.apply({}) && !link.setLine(OutputLine::Rts, true));

    // The server's flow control holds the data back (FLOWCONTROL-SUSPEND, -RESUME).
    server.peer->write(QByteArray::fromHex("fffa2c6c fff0"));
    QTRY_VERIFY_WITH_TIMEOUT(link.outputSuspended(), 20000);
    const QByteArray all = allByteValues();
    QCOMPARE(link.write(all), 256);
    QTest::qWait(100);
    QVERIFY(server.wire == opening && link.pendingOutput() == 257);
    server.peer->write(QByteArray::fromHex("fffa2c6d fff0"));
    QTRY_COMPARE_WITH_TIMEOUT(server.wire, opening + all + "\xff", 20000);
    // A receiver that paused reading gets the last bytes and then the loss when it resumes.
    link.setReceivePaused(true);
    server.peer->write(QByteArray::fromHex("ffff 61 ffff 0d00"));
    server.peer->disconnectFromHost();
    QTRY_VERIFY_WITH_TIMEOUT(!link.isOpen(), 20000);
    QVERIFY(r.data.isEmpty() && r.lost.isEmpty());
    link.setReceivePaused(false);
    QTRY_COMPARE_WITH_TIMEOUT(r.lost.size(), 1, 20000);
    QCOMPARE(r.receivedBeforeLoss, QByteArray::fromHex("ff 61 ff 0d00"));
}

void NetworkLinkTest::droppedMidWrite()
{
    TestServer server;
    QVERIFY(server.listen());
    server.onData = [&server] {
        if (server.wire.size() > (1 << 20))
            server.peer->abort();
    };
    NetworkLink link;
    Record r(link);
    QVERIFY(opens(link, r, NetworkLink::Protocol::Raw, server.port()));
    const QByteArray chunk(64 * 1024, 'x');
    for (QDeadlineTimer wait(60000); r.lost.isEmpty() && !wait.hasExpired(); QTest::qWait(1)) {
        if (link.isOpen() && link.pendingOutput() < (4 << 20))
            QCOMPARE(link.write(chunk), chunk.size());
    }
    QCOMPARE(r.lost.size(), 1);
    QVERIFY(!r.lost[0].isEmpty() && !link.isOpen() && link.write(chunk) == 0);
}

void NetworkLinkTest::openFails_data()
{
    QTest::addColumn<bool>("listening");
    QTest::addColumn<QString>("failure");
    QTest::newRow("nobody listens") << false << "refused";
    QTest::newRow("the Telnet negotiation is never answered") << true << "did not answer";
}

// A server that never answers may be a raw TCP port: the open fails and says so, rather
// than guessing at how to frame the bytes.
void NetworkLinkTest::openFails()
{
    QFETCH(bool, listening);
    QFETCH(QString, failure);
    TestServer server;
    QVERIFY(server.listen());
    const quint16 port = server.port();
    if (!listening)
        server.close();
    NetworkLink link;
    Record r(link, 500ms);
    QVERIFY(!opens(link, r, NetworkLink::Protocol::Rfc2217, port));
    QVERIFY2(r.opened[0].contains(failure), qPrintable(r.opened[0]));
    QVERIFY(!link.isOpen() && r.lost.isEmpty());
    QCOMPARE(server.wire, listening ? opening : QByteArray());
}

QTEST_GUILESS_MAIN(NetworkLinkTest)
#include "tst_networklink.moc"
