// "Send All" with 1 ms between items through a pseudo-terminal: how long the run takes
// against its floor of 50 x (20 x 1 ms + 1000 ms), whether every byte arrives, and how
// much CPU the waiting costs.
#include "platform/commport.h"
#include "platform/qtcommport.h"
#include "tests/support/ptydevice.h"
#include "tests/support/testsupport.h"
#include "windows/mainsession.h"
#include "windows/mainwindow.h"

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>

#include <atomic>
#include <cstdio>
#include <thread>

#include <poll.h>
#include <sys/resource.h>
#include <unistd.h>

namespace {

double cpuSeconds()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("orvo232"));
    QStandardPaths::setTestModeEnabled(true);

    // COM1 names the pty slave.
    Pty pty;
    if (!pty.isOpen() || !linkComPort(1, pty.slavePath())) {
        std::perror("pty");
        return 1;
    }
    const int master = pty.master();

    QTemporaryDir dir;
    Services services = testServices(dir.path());
    services.makeCommPort = [] { return makeQtCommPort(); };
    MainWindow w(services);
    MainSession &s = w.session();
    CommPort *port = s.port.port();
    if (!port) {
        std::fprintf(stderr, "no port\n");
        return 1;
    }
    if (!port->isOpen()) {
        w.ui.baudRateBox->setText(QStringLiteral("9600"));
        w.ui.comNumberBox->setText(QStringLiteral("1"));
        w.ui.reconnectButton->click();
        if (!port->isOpen()) {
            std::fprintf(stderr, "cannot open COM1: %s\n", qPrintable(port->detail()));
            return 1;
        }
    }

    QByteArray expected;
    for (int p = 1; p <= 50; ++p) {
        for (int r = 0; r < 20; ++r) {
            const QString item = QStringLiteral("P%1R%2")
                                     .arg(p, 2, 10, QLatin1Char('0'))
                                     .arg(r, 2, 10, QLatin1Char('0'));
            s.bank.setString(p, r, item);
            expected += item.toLatin1() + '\r';
        }
    }
    s.pager.setCurrentPage(1);
    s.pager.showCurrentPage();
    w.ui.bankPageBox->setText(QStringLiteral("1"));
    w.ui.itemDelayBox->setText(QStringLiteral("1"));
    w.ui.addCrCheck->setChecked(true);

    std::atomic<bool> done{false};
    QByteArray received;
    std::thread reader([&] {
        char buf[4096];
        while (!done.load() || received.size() < expected.size()) {
            pollfd pfd{master, POLLIN, 0};
            if (poll(&pfd, 1, 200) <= 0) {
                if (done.load())
                    break;
                continue;
            }
            const ssize_t n = ::read(master, buf, sizeof buf);
            if (n <= 0)
                break;
            received.append(buf, n);
        }
    });

    QTimer::singleShot(0, &w, [&] {
        const double cpu0 = cpuSeconds();
        QElapsedTimer clock;
        clock.start();
        w.ui.sendAllButton->click();
        const qint64 ms = clock.elapsed();
        const double cpu = cpuSeconds() - cpu0;
        done = true;
        reader.join();

        const double floorMs = 50.0 * (20.0 * 1.0 + 1000.0);
        std::printf("port: platform serial port on the pty (COM1 link)\n");
        std::printf("Send All, 1 ms between items: %lld ms, floor %.0f ms (%.1f%% over)\n",
                    static_cast<long long>(ms), floorMs, (double(ms) / floorMs - 1.0) * 100.0);
        std::printf("bytes received %lld of %lld expected, %s\n",
                    static_cast<long long>(received.size()),
                    static_cast<long long>(expected.size()),
                    received == expected ? "identical" : "DIFFERENT");
        std::printf("CPU during the run: %.3f s = %.2f%% of one core\n", cpu,
                    100.0 * cpu * 1000.0 / double(ms));
        QCoreApplication::exit(received == expected ? 0 : 2);
    });
    const int rc = QApplication::exec();
    QFile::remove(comPortLink(1));
    return rc;
}
