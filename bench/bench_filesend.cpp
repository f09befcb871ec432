// Sends a 512 KB file through a pseudo-terminal with the main window's Send File, once
// with the ASCII echo and once with the hexadecimal echo, and prints the rate, whether
// every byte arrived unchanged and the peak memory.
//
// Usage: bench_filesend [kilobytes] [--shown] [--ascii | --hex]
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
#include <QPushButton>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <poll.h>
#include <sys/resource.h>
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
    int firstMode = 0;
    int lastMode = 1;
    for (int i = 1; i < argc; ++i) {
        if (QByteArray(argv[i]) == "--shown")
            shown = true;
        else if (QByteArray(argv[i]) == "--ascii")
            lastMode = 0;
        else if (QByteArray(argv[i]) == "--hex")
            firstMode = 1;
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

    // The window's own serial port, on COM1 pointed at the pty.
    QStandardPaths::setTestModeEnabled(true);
    Pty pty;
    if (!pty.isOpen() || !linkComPort(1, pty.slavePath())) {
        std::perror("pty");
        return 1;
    }
    const int master = pty.master();
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
    if (!s.port.port() || !s.port.port()->isOpen()) {
        std::fprintf(stderr, "COM1 did not open\n");
        return 1;
    }
    if (shown)
        w.show();

    std::printf("file: %lld bytes, window %s\n", static_cast<long long>(data.size()),
                shown ? "shown" : "hidden");
    bool allGood = true;
    for (int hex = firstMode; hex <= lastMode; ++hex) {
        (hex ? w.ui.hexKeysButton : w.ui.asciiKeysButton)->click();
        w.ui.txEchoPane->setText(QString());
        Drain drain(master);
        QElapsedTimer t;
        t.start();
        w.ui.sendFileAction->trigger();
        // The port writes on its own thread: the send ends when the far end has it all.
        QElapsedTimer wait;
        wait.start();
        while (drain.received() < size_t(data.size()) && wait.elapsed() < 60000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        const double seconds = t.nsecsElapsed() / 1e9;
        const std::vector<char> got = drain.take();
        const bool same = got.size() == size_t(data.size()) &&
                          std::equal(got.begin(), got.end(), data.constBegin());
        allGood = allGood && same;
        std::printf("%s echo: %.0f bytes/s (%.2f s), received %zu of %lld bytes, %s, "
                    "echo %lld chars, peak memory %ld KB\n",
                    hex ? "hex  " : "ascii", double(data.size()) / seconds, seconds, got.size(),
                    static_cast<long long>(data.size()), same ? "identical" : "DIFFERENT",
                    static_cast<long long>(w.ui.txEchoPane->length()), peakKilobytes());
    }
    return allGood ? 0 : 2;
}
