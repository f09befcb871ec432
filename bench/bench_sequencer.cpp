// "Send All" with 1 ms between items through a pseudo-terminal: how long the run takes
// against its floor of 50 x (20 x 1 ms + 1000 ms), whether every byte arrives, and how
// much CPU the waiting costs.
#include "commport.h"
#include "frmserial.h"
#include "qtcommport.h"
#include "services.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>

#include <atomic>
#include <cstdio>
#include <thread>

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/resource.h>
#include <termios.h>
#include <unistd.h>

namespace {

double cpuSeconds()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// Stands in for the serial port when the platform port is not available in this build:
// writes straight to the pty.
class PtyPort : public CommPort
{
public:
    explicit PtyPort(QString device) : device_(std::move(device)) {}
    ~PtyPort() override
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    bool setSettings(const QString &) override { return true; }
    bool setCommPort(int) override { return true; }
    bool setPortOpen(bool open) override
    {
        if (open && fd_ < 0)
            fd_ = ::open(QFile::encodeName(device_).constData(), O_RDWR | O_NOCTTY);
        else if (!open && fd_ >= 0) {
            ::close(fd_);
            fd_ = -1;
        }
        return !open || fd_ >= 0;
    }
    bool portOpen() const override { return fd_ >= 0; }
    bool output(const QByteArray &bytes) override
    {
        return fd_ >= 0 && ::write(fd_, bytes.constData(), size_t(bytes.size())) == bytes.size();
    }
    QByteArray input() override { return {}; }
    int commEvent() const override { return 0; }
    qint64 bytesWaiting() const override { return 0; }
    void rearmReceive() override {}
    Error lastError() const override { return {}; }
    QString detail() const override { return device_; }
    QString deviceName(int) const override { return device_; }

private:
    QString device_;
    int fd_ = -1;
};

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("orvo232"));
    QStandardPaths::setTestModeEnabled(true);

    int master = -1, slave = -1;
    char slaveName[256] = {};
    if (openpty(&master, &slave, slaveName, nullptr, nullptr) != 0) {
        std::perror("openpty");
        return 1;
    }
    termios raw{};
    tcgetattr(slave, &raw);
    cfmakeraw(&raw);
    tcsetattr(slave, TCSANOW, &raw);

    // COM1 names the pty slave.
    const QString config = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
    QDir().mkpath(config + QStringLiteral("/ports"));
    const QString link = config + QStringLiteral("/ports/com1");
    QFile::remove(link);
    QFile::link(QString::fromLocal8Bit(slaveName), link);

    QTemporaryDir dir;
    Services services = defaultServices();
    services.settingsPath = dir.filePath(QStringLiteral("Orvo_RS232_ini"));
    services.programFolder = dir.path();
    services.makeFileDialog = nullptr;
    services.makePrinter = nullptr;
    bool platformPort = true;
    if (!makeQtCommPort()) {
        platformPort = false;
        const QString device = QString::fromLocal8Bit(slaveName);
        services.makeCommPort = [device] { return std::make_unique<PtyPort>(device); };
    }

    frmSerial w(services);
    if (!w.MSComm1) {
        std::fprintf(stderr, "no port\n");
        return 1;
    }
    if (!w.MSComm1->portOpen()) {
        (void)w.MSComm1->setSettings(QStringLiteral("9600,n,8,1"));
        (void)w.MSComm1->setCommPort(1);
        if (!w.MSComm1->setPortOpen(true)) {
            std::fprintf(stderr, "cannot open COM1: %s\n", qPrintable(w.MSComm1->detail()));
            return 1;
        }
    }

    QByteArray expected;
    for (int p = 1; p <= 50; ++p) {
        for (int r = 0; r < 20; ++r) {
            const QString item = QStringLiteral("P%1R%2")
                                     .arg(p, 2, 10, QLatin1Char('0'))
                                     .arg(r, 2, 10, QLatin1Char('0'));
            w.bankText1[p][r] = item;
            expected += item.toLatin1() + '\r';
        }
    }
    w.bankIndex = 1;
    w.ShowBankPage();
    w.Text3->setText(QStringLiteral("1"));
    w.txtDelay->setText(QStringLiteral("1"));
    w.chkCR->setChecked(true);

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
        w.Command3_Click();
        const qint64 ms = clock.elapsed();
        const double cpu = cpuSeconds() - cpu0;
        done = true;
        reader.join();

        const double floorMs = 50.0 * (20.0 * 1.0 + 1000.0);
        std::printf("port: %s\n", platformPort ? "platform serial port on the pty (COM1 link)"
                                               : "platform port not available; direct pty writer");
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
    w.unloading = true;
    ::close(master);
    ::close(slave);
    QFile::remove(link);
    return rc;
}
