// Raw throughput of the network link on loopback, both ways: with a server in this program
// (raw TCP, and Telnet framing with 0xFF doubled), and through ser2net to a pty. Uploads
// run unpaced (up to 8 MiB queued) and paced by the drain meter, as a port worker would.
// Usage: bench_networklink [MiB]   (default 64; a tenth of it through ser2net)
#include "platform/drainmeter.h"
#include "platform/networklink.h"
#include "tests/support/ptydevice.h"
#include "tests/support/ser2net.h"
#include "tests/support/telnetserver.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSocketNotifier>
#include <QTest>

#include <algorithm>
#include <cstdio>
#include <fcntl.h>
#include <functional>

namespace {

using Protocol = NetworkLink::Protocol;

// Every byte value but 0xFF, so the same bytes serve as raw data and as Telnet's wire.
QByteArray pattern(qsizetype n)
{
    QByteArray out(n, Qt::Uninitialized);
    for (qsizetype i = 0; i < n; ++i)
        out[i] = char(i % 255);
    return out;
}

double rate(qint64 bytes, const QElapsedTimer &clock)
{
    return double(bytes) / 1e6 / (double(qMax<qint64>(clock.nsecsElapsed(), 1)) / 1e9);
}

struct Link
{
    NetworkLink link;
    qint64 received = 0;
    bool open(Protocol protocol, quint16 port)
    {
        QString failure = QStringLiteral("no answer");
        bool answered = false;
        QObject::connect(&link, &NetworkLink::opened, [&](const QString &f) {
            failure = f;
            answered = true;
        });
        QObject::connect(
            &link, &NetworkLink::received,
            [this](const QByteArray &d, const QList<LineEventAt> &) { received += d.size(); });
        link.open(protocol, QStringLiteral("127.0.0.1"), port, {115200});
        (void)QTest::qWaitFor([&] { return answered; }, 10000);
        if (!failure.isEmpty())
            std::fprintf(stderr, "open failed: %s\n", qPrintable(failure));
        return failure.isEmpty();
    }
};

// Writes `total` bytes and waits until arrived() has them all; MB/s. Paced, it keeps no
// more queued than the drain meter allows, measuring every 2 ms.
double upload(Link &l, qint64 total, const std::function<qint64()> &arrived, bool paced,
              qint64 &limit)
{
    const QByteArray chunk = pattern(64 * 1024);
    DrainMeter meter;
    QElapsedTimer clock;
    clock.start();
    const qint64 base = arrived();
    qint64 sent = 0, measuredAt = -2;
    bool heldBack = false; // since the last measurement
    for (QDeadlineTimer wait(120000); arrived() - base < total && !wait.hasExpired();) {
        QCoreApplication::processEvents();
        // Measured as a port worker would, from its own timer: not right after a write.
        if (paced && clock.elapsed() >= measuredAt + 2) {
            measuredAt = clock.elapsed();
            meter.measure(std::chrono::milliseconds(measuredAt), l.link.handedOutput(),
                          l.link.pendingOutput(), std::exchange(heldBack, false));
        }
        const qint64 room = (paced ? meter.limit() : 8 << 20) - l.link.pendingOutput();
        heldBack |= sent < total && room <= 0;
        if (sent < total && room > 0)
            sent += l.link.write(
                QByteArrayView(chunk).first(std::min({room, total - sent, qint64(chunk.size())})));
    }
    limit = meter.limit();
    return rate(total, clock);
}

// write(chunk) hands the far end's bytes to the link until `total` arrived; MB/s.
double download(Link &l, qint64 total, const std::function<void()> &write)
{
    QElapsedTimer clock;
    clock.start();
    const qint64 base = l.received;
    for (QDeadlineTimer wait(120000); l.received - base < total && !wait.hasExpired();) {
        write();
        QCoreApplication::processEvents();
    }
    return rate(l.received - base, clock);
}

void report(const char *path, double up, double paced, qint64 limit, double down)
{
    std::printf("%-28s upload %8.1f MB/s unpaced, %8.1f MB/s paced (limit %lld B)   "
                "download %8.1f MB/s\n",
                path, up, paced, static_cast<long long>(limit), down);
}

void direct(Protocol protocol, qint64 total)
{
    TestServer server;
    if (protocol == Protocol::Rfc2217) // DO/WILL BINARY, DO/WILL SGA, DONT COM-PORT-OPTION
        server.answer = QByteArray::fromHex("fffd00 fffb00 fffd03 fffb03 fffe2c");
    qint64 arrived = 0;
    server.onData = [&] { arrived += std::exchange(server.wire, {}).size(); };
    Link l;
    if (!server.listen() || !l.open(protocol, server.port()))
        return;
    qint64 limit = 0;
    const double up = upload(
        l, total, [&] { return arrived; }, false, limit);
    const double paced = upload(
        l, total, [&] { return arrived; }, true, limit);
    const QByteArray chunk = pattern(256 * 1024);
    qint64 queued = 0;
    const double down = download(l, total, [&] {
        if (queued < total && server.peer->bytesToWrite() < (4 << 20))
            queued += server.peer->write(chunk);
    });
    report(protocol == Protocol::Raw ? "direct, raw TCP" : "direct, Telnet framing", up, paced,
           limit, down);
}

void throughSer2net(qint64 total)
{
    Pty pty;
    Ser2net server(pty.slavePath());
    if (!pty.isOpen() || !server.start()) {
        std::printf("%-28s skipped: %s\n", "ser2net rfc2217 to a pty",
                    qPrintable(server.errorText()));
        return;
    }
    ::fcntl(pty.master(), F_SETFL, ::fcntl(pty.master(), F_GETFL) | O_NONBLOCK);
    qint64 arrived = 0;
    QSocketNotifier readable(pty.master(), QSocketNotifier::Read);
    QObject::connect(&readable, &QSocketNotifier::activated, [&] {
        char buf[65536];
        for (ssize_t n; (n = ::read(pty.master(), buf, sizeof buf)) > 0;)
            arrived += n;
    });
    Link l;
    if (!l.open(Protocol::Rfc2217, server.port()))
        return;
    qint64 limit = 0;
    const double up = upload(
        l, total, [&] { return arrived; }, false, limit);
    const double paced = upload(
        l, total, [&] { return arrived; }, true, limit);
    const QByteArray chunk = pattern(4096);
    qint64 queued = 0;
    const double down = download(l, total, [&] {
        while (queued < total) {
            const ssize_t n = ::write(pty.master(), chunk.constData(),
                                      size_t(qMin<qint64>(chunk.size(), total - queued)));
            if (n <= 0)
                break;
            queued += n;
        }
    });
    report("ser2net rfc2217 to a pty", up, paced, limit, down);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const qint64 mib = argc > 1 ? QByteArray(argv[1]).toLongLong() : 64;
    std::printf("network link on loopback, %lld MiB each way (%lld MiB through ser2net)\n",
                static_cast<long long>(mib), static_cast<long long>(qMax<qint64>(mib / 10, 1)));
    direct(Protocol::Raw, mib << 20);
    direct(Protocol::Rfc2217, mib << 20);
    throughSer2net(qMax<qint64>(mib / 10, 1) << 20);
    return 0;
}
