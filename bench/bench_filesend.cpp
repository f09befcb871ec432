// Sends a file with the main window's Send File at 9600, 115200 and 921600 baud, with the
// ASCII echo and with Silent TX, to a pseudo-terminal and to a network port (tcp:// to a
// server in this program on loopback), and prints each rate beside `cat FILE > PTY` on a
// pty of the same kind set to the same rate, whether every byte arrived unchanged and the
// peak memory.
//
// Usage: bench_filesend [kilobytes] [--shown]
#include "platform/commport.h"
#include "platform/qtcommport.h"
#include "platform/widgets/textbox.h"
#include "tests/support/fakes.h"
#include "tests/support/ptydevice.h"
#include "tests/support/testsupport.h"
#include "windows/mainsession.h"
#include "windows/mainwindow.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <future>
#include <memory>
#include <mutex>
#include <poll.h>
#include <sys/resource.h>
#include <termios.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

// Drains the master side on its own thread so the slave never blocks for long.
class Drain
{
public:
    explicit Drain(int fd) : fd_(fd), thread_([this] { run(); }) {}
    ~Drain() { stop(); }
    void stop()
    {
        stop_ = true;
        if (thread_.joinable())
            thread_.join();
    }
    size_t received() const { return count_; }
    std::vector<char> take()
    {
        stop();
        return std::move(data_);
    }

private:
    void run()
    {
        char buf[65536];
        for (;;) {
            pollfd p{fd_, POLLIN, 0};
            const int r = ::poll(&p, 1, 200);
            if (r > 0 && (p.revents & POLLIN)) {
                const ssize_t n = ::read(fd_, buf, sizeof buf);
                if (n > 0) {
                    data_.insert(data_.end(), buf, buf + n);
                    count_ += size_t(n);
                }
                // Read in batches, as a device at the far end would, rather than waking
                // for every byte.
                ::usleep(2000);
                continue;
            }
            if (stop_) // nothing left within 200 ms after the send ended
                return;
        }
    }
    int fd_;
    std::atomic<bool> stop_{false};
    std::atomic<size_t> count_{0};
    std::vector<char> data_;
    std::thread thread_;
};

// A network serial server's stand-in: takes every byte sent to it on its own thread.
class Sink
{
public:
    Sink()
    {
        std::promise<quint16> listening;
        thread_ = std::thread([this, &listening] {
            QTcpServer server;
            listening.set_value(server.listen(QHostAddress::LocalHost) ? server.serverPort() : 0);
            while (!stop_) {
                if (!server.waitForNewConnection(100))
                    continue;
                std::unique_ptr<QTcpSocket> peer(server.nextPendingConnection());
                while (!stop_ && peer->state() == QAbstractSocket::ConnectedState) {
                    if (peer->waitForReadyRead(100)) {
                        const QByteArray got = peer->readAll();
                        std::lock_guard lock(mutex_);
                        data_.insert(data_.end(), got.begin(), got.end());
                        count_ += size_t(got.size());
                    }
                }
            }
        });
        port_ = listening.get_future().get();
    }
    ~Sink()
    {
        stop_ = true;
        thread_.join();
    }
    quint16 port() const { return port_; }
    size_t received() const { return count_; }
    std::vector<char> take()
    {
        std::lock_guard lock(mutex_);
        count_ = 0;
        return std::exchange(data_, {});
    }

private:
    std::atomic<bool> stop_{false};
    std::atomic<size_t> count_{0};
    std::mutex mutex_;
    std::vector<char> data_;
    quint16 port_ = 0;
    std::thread thread_;
};

speed_t speedFor(int baud)
{
    return baud == 9600 ? B9600 : baud == 115200 ? B115200 : B921600;
}

// `cat FILE > PTY` on a fresh pty set to the rate, in bytes per second.
double catRate(const QString &path, qint64 size, int baud)
{
    Pty pty;
    termios t{};
    ::tcgetattr(pty.slave(), &t);
    ::cfsetspeed(&t, speedFor(baud));
    ::tcsetattr(pty.slave(), TCSANOW, &t);
    Drain drain(pty.master());
    QElapsedTimer clock;
    clock.start();
    QProcess cat;
    cat.setStandardInputFile(path);
    cat.setStandardOutputFile(pty.slavePath());
    cat.start(QStringLiteral("cat"), {});
    cat.waitForFinished(60000);
    while (drain.received() < size_t(size) && clock.elapsed() < 60000)
        ::usleep(1000);
    return double(size) / (clock.nsecsElapsed() / 1e9);
}

long peakKilobytes()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_maxrss;
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    qsizetype kilobytes = 512;
    bool shown = false;
    for (int i = 1; i < argc; ++i) {
        if (QByteArray(argv[i]) == "--shown")
            shown = true;
        else
            kilobytes = QByteArray(argv[i]).toLongLong();
    }

    QTemporaryDir dir;
    QByteArray data(kilobytes * 1024, Qt::Uninitialized);
    quint32 seed = 12345;
    for (char &c : data) {
        seed = seed * 1103515245u + 12345u;
        c = char(seed >> 16);
    }
    const QString path = dir.filePath(QStringLiteral("send.bin"));
    {
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly) || f.write(data) != data.size())
            return 1;
    }

    // The window's own port, on COM1 pointed at the pty.
    QStandardPaths::setTestModeEnabled(true);
    Pty pty;
    if (!pty.isOpen() || !linkComPort(1, pty.slavePath())) {
        std::perror("pty");
        return 1;
    }
    Sink sink;
    Services services = testServices(dir.path());
    services.makeCommPort = [] { return makeQtCommPort(); };
    // The file dialog "chooses" the file at every Send File.
    services.makeFileDialog = [path](QWidget *) {
        auto dialog = std::make_unique<FakeDialog>();
        dialog->answer = path;
        return dialog;
    };
    MainWindow w(services);
    MainSession &s = w.session();
    if (shown)
        w.show();
    w.ui.asciiKeysButton->click();
    PortAddress network;
    network.kind = PortAddress::Kind::Tcp;
    network.host = QStringLiteral("127.0.0.1");
    network.port = sink.port();

    std::printf("file: %lld bytes, window %s; KB/s\n", static_cast<long long>(data.size()),
                shown ? "shown" : "hidden");
    std::printf("%-8s %-4s %-9s %10s %10s %6s  %s\n", "baud", "to", "echo", "send", "cat", "%cat",
                "check");
    bool allGood = true;
    for (const int baud : {9600, 115200, 921600}) {
        const double cat = catRate(path, data.size(), baud);
        for (const bool toNetwork : {false, true}) {
            s.port.disconnect();
            w.ui.baudRateBox->setText(QString::number(baud));
            if (toNetwork) {
                s.port.openAddress(network);
            } else {
                s.port.forgetChosenAddress(); // as choosing COM1 in the Port menu
                s.port.reconnect();
            }
            if (!s.port.isOpen()) {
                std::fprintf(stderr, "the port did not open: %s\n",
                             qPrintable(s.port.port()->detail()));
                return 1;
            }
            for (const bool silent : {false, true}) {
                if (w.ui.silentTxAction->isChecked() != silent)
                    w.ui.silentTxAction->trigger();
                w.ui.txEchoPane->setText(QString());
                std::unique_ptr<Drain> drain;
                if (!toNetwork)
                    drain = std::make_unique<Drain>(pty.master());
                const auto received = [&] {
                    return toNetwork ? sink.received() : drain->received();
                };
                QElapsedTimer t;
                t.start();
                w.ui.sendFileAction->trigger();
                // The port writes on its own thread: the send ends when the far end has it.
                while (received() < size_t(data.size()) && t.elapsed() < 120000)
                    QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
                const double seconds = t.nsecsElapsed() / 1e9;
                const std::vector<char> got = toNetwork ? sink.take() : drain->take();
                const bool same = got.size() == size_t(data.size()) &&
                                  std::equal(got.begin(), got.end(), data.constBegin());
                allGood = allGood && same;
                const double rate = double(data.size()) / seconds;
                std::printf("%-8d %-4s %-9s %10.0f %10.0f %5.0f%%  %s, peak memory %ld KB\n", baud,
                            toNetwork ? "tcp" : "pty", silent ? "silent" : "ascii", rate / 1024,
                            cat / 1024, 100 * rate / cat, same ? "identical" : "DIFFERENT",
                            peakKilobytes());
                std::fflush(stdout);
            }
        }
    }
    return allGood ? 0 : 2;
}
