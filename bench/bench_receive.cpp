// Receive throughput of the main window on a pseudo-terminal, against a trivial reader of
// the same kind of terminal, with CPU time, peak memory and the cost of a pane flush.
#include "platform/qtcommport.h"
#include "platform/widgets/textbox.h"
#include "tests/support/ptydevice.h"
#include "tests/support/testsupport.h"
#include "windows/mainsession.h"
#include "windows/mainwindow.h"
#include "windows/plotwindow.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <memory>
#include <sys/resource.h>
#include <thread>
#include <tuple>
#include <utility>
#include <vector>

namespace {

constexpr qint64 kTotal = 32 * 1024 * 1024;
constexpr int kPatternPeriod = 251; // prime, so chunks never line up with it

char patternByte(qint64 i)
{
    return char(i % kPatternPeriod);
}

double cpuSeconds(int who)
{
    rusage u{};
    getrusage(who, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// Writes the pattern into the master as fast as the other side drains it.
struct Writer
{
    std::thread thread;
    std::atomic<bool> ok{true};
    double cpu = 0;

    void start(int fd)
    {
        thread = std::thread([this, fd] {
            const double cpu0 = cpuSeconds(RUSAGE_THREAD);
            std::vector<char> chunk(65536);
            qint64 sent = 0;
            while (sent < kTotal) {
                const qint64 n = std::min<qint64>(qint64(chunk.size()), kTotal - sent);
                for (qint64 i = 0; i < n; ++i)
                    chunk[size_t(i)] = patternByte(sent + i);
                qint64 done = 0;
                while (done < n) {
                    const ssize_t w = ::write(fd, chunk.data() + done, size_t(n - done));
                    if (w > 0) {
                        done += w;
                    } else if (w < 0 && errno != EINTR && errno != EAGAIN) {
                        ok = false;
                        return;
                    } else {
                        pollfd p{fd, POLLOUT, 0};
                        ::poll(&p, 1, 1000);
                    }
                }
                sent += n;
            }
            cpu = cpuSeconds(RUSAGE_THREAD) - cpu0;
        });
    }
};

// Forwards to the real port and checks that every byte taken arrives once, in order.
class CheckingPort : public CommPort
{
public:
    explicit CheckingPort(std::unique_ptr<CommPort> inner) : inner_(std::move(inner))
    {
        connect(inner_.get(), &CommPort::dataReady, this, &CommPort::dataReady);
        connect(inner_.get(), &CommPort::lineEvent, this, &CommPort::lineEvent);
        connect(inner_.get(), &CommPort::deviceLost, this, &CommPort::deviceLost);
        connect(inner_.get(), &CommPort::outputShrank, this, &CommPort::outputShrank);
    }
    PortFailure open(const PortAddress &a, const PortSettings &s) override
    {
        return inner_->open(a, s);
    }
    PortFailure apply(const PortSettings &s) override { return inner_->apply(s); }
    void close() override { inner_->close(); }
    qint64 closeDraining() override { return inner_->closeDraining(); }
    bool isOpen() const override { return inner_->isOpen(); }
    qint64 write(QByteArrayView b) override { return inner_->write(b); }
    qint64 pendingOutput() const override { return inner_->pendingOutput(); }
    qint64 outputLimit() const override { return inner_->outputLimit(); }
    Received takeReceived() override
    {
        Received r = inner_->takeReceived();
        for (char c : r.bytes)
            if (c != patternByte(taken++))
                inOrder = false;
        return r;
    }
    qint64 bytesWaiting() const override { return inner_->bytesWaiting(); }
    void resumeReading() override { inner_->resumeReading(); }
    bool setLine(OutputLine l, bool on) override { return inner_->setLine(l, on); }
    bool line(OutputLine l) const override { return inner_->line(l); }
    bool sendBreak(std::chrono::milliseconds t) override { return inner_->sendBreak(t); }
    QString detail() const override { return inner_->detail(); }

    qint64 taken = 0;
    bool inOrder = true;

private:
    std::unique_ptr<CommPort> inner_;
};

double trivialReaderRate()
{
    Pty pty;
    Writer writer;
    QElapsedTimer clock;
    clock.start();
    writer.start(pty.master());
    std::vector<char> buf(65536);
    qint64 got = 0;
    while (got < kTotal) {
        const ssize_t n = ::read(pty.slave(), buf.data(), buf.size());
        if (n <= 0)
            break;
        got += n;
    }
    const double seconds = double(clock.nsecsElapsed()) / 1e9;
    writer.thread.join();
    return double(got) / 1e6 / seconds;
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QStandardPaths::setTestModeEnabled(true);

    if (!makeQtCommPort()) {
        std::printf("bench_receive: no serial port implementation in this build\n");
        return 1;
    }

    const double limit = trivialReaderRate();

    QTemporaryDir dir;
    Pty pty;
    if (!pty.isOpen() || !linkComPort(1, pty.slavePath())) {
        std::printf("bench_receive: cannot set up a pseudo-terminal as COM1\n");
        return 1;
    }
    Services services = testServices(dir.path());
    CheckingPort *checking = nullptr;
    services.makeCommPort = [&checking] {
        auto port = std::make_unique<CheckingPort>(makeQtCommPort());
        checking = port.get();
        return port;
    };
    auto w = std::make_unique<MainWindow>(services);
    MainSession &s = w->session();
    MainWidgets &ui = w->ui;
    w->show();
    if (!s.port.port()->isOpen()) {
        std::printf("bench_receive: COM1 did not open: %s\n", qPrintable(s.port.port()->detail()));
        return 1;
    }
    ui.rxHexPane->raise(); // both panes in view
    ui.rxHexPane->move(ui.rxAsciiPane->x() + ui.rxAsciiPane->width() / 2, ui.rxAsciiPane->y());

    // Receive with both panes live, in turn without and with the session log open, with the
    // plot window open and with a script waiting in expect for what never comes; the best
    // of three rounds each, as the machine may be busy with something else.
    const auto drain = [&](double &cpu) {
        checking->taken = 0;
        const double cpu0 = cpuSeconds(RUSAGE_SELF);
        Writer writer;
        QElapsedTimer clock;
        clock.start();
        writer.start(pty.master());
        while (checking->taken < kTotal && clock.elapsed() < 300000)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
        const double seconds = double(clock.nsecsElapsed()) / 1e9;
        writer.thread.join();
        cpu = cpuSeconds(RUSAGE_SELF) - cpu0 - writer.cpu;
        QCoreApplication::processEvents();
        s.receive.flush();
        return checking->taken == kTotal ? seconds : 1e9;
    };
    const QString logPath = dir.filePath(QStringLiteral("bench.log"));
    const QString scriptPath = dir.filePath(QStringLiteral("wait.lua"));
    QFile scriptFile(scriptPath);
    if (!scriptFile.open(QIODevice::WriteOnly) || scriptFile.write("port.expect('NEVER%d+')") < 0)
        return 1;
    scriptFile.close();
    double seconds = 1e9, logSeconds = 1e9, cpu = 0, logCpu = 0;
    double plotSeconds = 1e9, scriptSeconds = 1e9, plotCpu = 0, scriptCpu = 0;
    bool logSame = true, scriptWaited = true;
    for (int round = 0; round < 3; ++round) {
        double c = 0;
        if (const double t = drain(c); t < seconds)
            std::tie(seconds, cpu) = std::pair(t, c);
        QFile::remove(logPath);
        s.log.open(logPath);
        if (const double t = drain(c); t < logSeconds)
            std::tie(logSeconds, logCpu) = std::pair(t, c);
        s.log.close();
        w->showPlot();
        if (const double t = drain(c); t < plotSeconds)
            std::tie(plotSeconds, plotCpu) = std::pair(t, c);
        w->plotWindow()->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        s.scripts.start(scriptPath);
        if (const double t = drain(c); t < scriptSeconds)
            std::tie(scriptSeconds, scriptCpu) = std::pair(t, c);
        scriptWaited = scriptWaited && s.scripts.running();
        s.scripts.stop();
        while (s.scripts.running())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
        QFile log(logPath);
        logSame = logSame && log.open(QIODevice::ReadOnly) && log.size() == kTotal;
        for (qint64 i = 0; logSame && i < kTotal; i += 65536) {
            const QByteArray chunk = log.read(65536);
            for (qsizetype j = 0; j < chunk.size() && logSame; ++j)
                logSame = chunk[j] == patternByte(i + j);
        }
    }

    // The capture holds the tail of the stream and the counter shows its length.
    const qint32 captured = s.capture.count();
    bool captureOk = ui.rxCountBox->text() == QString::number(captured);
    for (qint32 i = 0; i < captured && captureOk; ++i)
        captureOk = char(s.capture.data()[i]) == patternByte(kTotal - captured + i);
    const bool lost = checking->taken != kTotal || !checking->inOrder || !captureOk || !logSame;
    const double mb = double(checking->taken) / 1e6;

    // One flush into a hex pane of 300 000 characters, with one tick of 115200 baud.
    s.options.silentCapture = 0;
    std::vector<double> flushMs;
    for (int round = 0; round < 15; ++round) {
        ui.rxAsciiPane->setText(QString());
        ui.rxHexPane->setText(QString(300000 - 3456, u'A'));
        QCoreApplication::processEvents();
        // 1152 bytes pending: 1152 characters of text, 3456 of hexadecimal; an empty
        // capture, so that storing them empties no pane. This starts the flush ticker.
        s.capture.empty();
        s.receive.receive(QByteArray(1152, 'x'));
        QElapsedTimer t;
        t.start();
        s.receive.flush();
        // The panes show what was appended (their display catch-up counts too).
        ui.rxAsciiPane->flush();
        ui.rxHexPane->flush();
        QCoreApplication::processEvents();
        ui.rxHexPane->repaint();
        flushMs.push_back(double(t.nsecsElapsed()) / 1e6);
    }
    std::sort(flushMs.begin(), flushMs.end());

    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("received            %.1f MB in %.2f s, %s\n", mb, seconds,
                lost ? "BYTES LOST OR OUT OF ORDER" : "nothing lost");
    std::printf("drain rate          %.2f MB/s (target >= 5)\n", mb / seconds);
    std::printf("with the log open   %.2f MB/s, %.0f %% of the rate without (target >= 80), "
                "log %s\n",
                mb / logSeconds, 100.0 * seconds / logSeconds,
                logSame ? "identical to what was sent" : "DIFFERS FROM WHAT WAS SENT");
    std::printf("with the plot open  %.2f MB/s, %.0f %% of the rate without (target >= 80)\n",
                mb / plotSeconds, 100.0 * seconds / plotSeconds);
    std::printf("script in expect    %.2f MB/s, %.0f %% of the rate without (target >= 80)%s\n",
                mb / scriptSeconds, 100.0 * seconds / scriptSeconds,
                scriptWaited ? "" : ", SCRIPT ENDED EARLY");
    std::printf("trivial reader      %.2f MB/s (the limit)\n", limit);
    std::printf("CPU per MB          %.3f s; %.3f s with the log, %.3f s with the plot, "
                "%.3f s with the script\n",
                cpu / mb, logCpu / mb, plotCpu / mb, scriptCpu / mb);
    std::printf("peak memory         %.1f MB (target < 100)\n", double(usage.ru_maxrss) / 1024.0);
    std::printf("flush at 300000     %.2f ms median, %.2f ms worst (target <= 5)\n",
                flushMs[flushMs.size() / 2], flushMs.back());
    QFile::remove(comPortLink(1));
    w.reset();
    return lost ? 2 : 0;
}
