// Streams 1 MB through a pseudo-terminal into the real port and closes the far end at a
// random point, as an unplugged USB adapter would. Prints whether what arrived is an
// exact prefix of what was sent, the CPU used in the second after, and the file
// descriptors left open.
#include "platform/commport.h"
#include "platform/portnames.h"
#include "platform/qtcommport.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTimer>

#include <cerrno>
#include <cstdio>
#include <pty.h>
#include <random>
#include <sys/resource.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

namespace {

int openFds()
{
    return int(QDir(QStringLiteral("/proc/self/fd"))
                   .entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::System)
                   .size());
}

double cpuSeconds()
{
    rusage u{};
    ::getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

void runEventsFor(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QStandardPaths::setTestModeEnabled(true);
    constexpr int com = 9;
    const qsizetype total = 1 << 20;

    std::random_device rd;
    const unsigned seed = rd();
    std::mt19937 rng(seed);
    QByteArray data(total, Qt::Uninitialized);
    for (qsizetype i = 0; i < total; ++i)
        data[i] = char(rng());
    const qsizetype cut = std::uniform_int_distribution<qsizetype>(1, total - 1)(rng);

    const int fdsBefore = openFds();
    int master = -1, slave = -1;
    if (::openpty(&master, &slave, nullptr, nullptr, nullptr) != 0) {
        std::perror("openpty");
        return 1;
    }
    termios t{};
    ::tcgetattr(slave, &t);
    ::cfmakeraw(&t);
    ::tcsetattr(slave, TCSANOW, &t);
    const QString slavePath = QString::fromLocal8Bit(::ttyname(slave));
    ::close(slave);
    const QString link = comPortLinkPath(com);
    QDir().mkpath(QFileInfo(link).absolutePath());
    QFile::remove(link);
    QFile::link(slavePath, link);

    QByteArray received;
    bool lost = false;
    int events = 0;
    QElapsedTimer clock;
    qint64 lostAfterMs = -1;
    {
        auto port = makeQtCommPort();
        QObject::connect(port.get(), &CommPort::dataReady,
                         [&] { received += port->takeReceived().bytes; });
        QObject::connect(port.get(), &CommPort::lineEvent, [&] { ++events; });
        QObject::connect(port.get(), &CommPort::deviceLost, [&] {
            ++events;
            lost = true;
            lostAfterMs = clock.elapsed();
            received += port->takeReceived().bytes;
        });
        if (!port->open(PortAddress::ofCom(com), {.baud = 115200}).ok()) {
            std::printf("open failed: %s\n", qPrintable(port->detail()));
            return 1;
        }
        std::thread writer([&] {
            qsizetype at = 0;
            while (at < cut) {
                const ssize_t n = ::write(master, data.constData() + at,
                                          size_t(std::min<qsizetype>(4096, cut - at)));
                if (n < 0 && errno != EINTR)
                    break;
                at += std::max<ssize_t>(n, 0);
            }
            clock.start();
            ::close(master);
        });
        for (int i = 0; i < 300 && !lost; ++i)
            runEventsFor(100);
        writer.join();
        const int fdsClosed = openFds();

        const double cpu0 = cpuSeconds();
        runEventsFor(1000);
        const double cpu = cpuSeconds() - cpu0;

        std::printf("seed %u, master closed after %lld of %lld bytes\n", seed, (long long)cut,
                    (long long)total);
        std::printf("received %lld bytes, exact prefix: %s, device lost raised: %s (%lld ms after "
                    "the close), other events: %d\n",
                    (long long)received.size(), data.startsWith(received) ? "yes" : "NO",
                    lost ? "yes" : "NO", (long long)lostAfterMs, events - (lost ? 1 : 0));
        std::printf("detail: %s\n", qPrintable(port->detail()));
        std::printf("port open afterwards: %s\n", port->isOpen() ? "YES" : "no");
        std::printf("CPU in the second after: %.1f%%\n", cpu * 100.0);
        std::printf("descriptors with the port object still alive: %d (before the port: %d, "
                    "plus its thread's event loop)\n",
                    fdsClosed, fdsBefore);
    }
    QFile::remove(link);
    const int fdsAfter = openFds();
    std::printf("descriptors before %d, after %d: %s\n", fdsBefore, fdsAfter,
                fdsAfter == fdsBefore ? "none leaked" : "LEAKED");
    return 0;
}
