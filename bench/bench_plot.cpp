// The live plot: parser and store throughput, memory at 8 series x 1 000 000 samples, a
// redraw at full history against one in follow mode, and a pseudo-terminal run: 8 series at
// 2 000 lines a second with the window shown (lines kept, redraws a second, CPU on top of
// receiving alone), then a full-speed drain with and without the plot.
//   bench_plot [--seconds N] [--screenshot FILE]
#include "plot/plotfeed.h"
#include "terminal/capturebuffer.h"
#include "tests/support/ptydevice.h"
#include "tests/support/testsupport.h"
#include "windows/plotcanvas.h"
#include "windows/plotwindow.h"

#include <QApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QPushButton>
#include <QSocketNotifier>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <thread>
#include <vector>

namespace {

constexpr int kSeries = 8;
constexpr int kRate = 2000; // lines a second

// Processor time of this thread or of the whole process, to the nanosecond.
double cpuSeconds(clockid_t clock)
{
    timespec t{};
    clock_gettime(clock, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

double residentMB()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.size() > 1 ? fields[1].toDouble() * double(sysconf(_SC_PAGESIZE)) / 1048576.0 : 0;
}

// Line i of a board's output: 8 readings, as numbers or as name:value pairs.
QByteArray line(qint64 i, bool pairs)
{
    char text[256];
    int n = 0;
    for (int s = 0; s < kSeries; ++s) {
        const double v = 100 * std::sin(double(i) * 0.001 * (s + 1)) + s * 10 + (i % 7) * 0.01;
        n += pairs ? std::snprintf(text + n, sizeof text - size_t(n), "%sch%d:%.3f", s ? " " : "",
                                   s, v)
                   : std::snprintf(text + n, sizeof text - size_t(n), "%s%.3f", s ? "," : "", v);
    }
    return QByteArray(text, n) + "\r\n";
}

QByteArray lines(qint64 from, qint64 count, bool pairs = false)
{
    QByteArray out;
    for (qint64 i = from; i < from + count; ++i)
        out += line(i, pairs);
    return out;
}

// Processor time rather than wall time: the machine may be busy with other work.
template <typename F> double medianMs(int rounds, F &&step)
{
    std::vector<double> ms;
    for (int r = 0; r < rounds; ++r) {
        const double c0 = cpuSeconds(CLOCK_THREAD_CPUTIME_ID);
        step();
        ms.push_back((cpuSeconds(CLOCK_THREAD_CPUTIME_ID) - c0) * 1e3);
    }
    std::sort(ms.begin(), ms.end());
    return ms[ms.size() / 2];
}

void parserThroughput()
{
    for (const bool pairs : {false, true}) {
        const QByteArray chunk = lines(0, 20000, pairs);
        SampleStore store;
        LineParser parser(store);
        const double c0 = cpuSeconds(CLOCK_THREAD_CPUTIME_ID);
        for (int round = 0; round < 25; ++round)
            for (qsizetype i = 0; i < chunk.size(); i += 4096)
                parser.feed(
                    QByteArrayView(chunk).sliced(i, std::min<qsizetype>(4096, chunk.size() - i)),
                    round);
        const double s = cpuSeconds(CLOCK_THREAD_CPUTIME_ID) - c0;
        std::printf("parse + store (%s)  %.1f MB/s, %.0f k lines/s of processor time\n",
                    pairs ? "name:value" : "numbers   ", 25.0 * double(chunk.size()) / 1e6 / s,
                    double(store.lineCount()) / 1e3 / s);
    }
}

// Reads the slave side of a pty in the event loop and hands every read to the plot.
struct PtyReader
{
    int fd;
    PlotFeed *feed; // null: read and drop
    qint64 bytes = 0;
    QSocketNotifier notifier{qintptr(fd), QSocketNotifier::Read};
    std::vector<char> buffer = std::vector<char>(65536);

    PtyReader(int fd_, PlotFeed *feed_) : fd(fd_), feed(feed_)
    {
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
        QObject::connect(&notifier, &QSocketNotifier::activated, [this] {
            for (ssize_t n; (n = ::read(fd, buffer.data(), buffer.size())) > 0;) {
                bytes += n;
                if (feed)
                    feed->received(QByteArrayView(buffer.data(), n),
                                   QDateTime::currentMSecsSinceEpoch());
            }
        });
    }
};

struct Run
{
    double seconds = 0;
    double cpu = 0; // of the reading side
    qint64 sent = 0;
    qint64 received = 0;
};

// Writes lines into the pty at `rate` a second (0: as fast as it takes them).
Run pace(PlotFeed *feed, qint64 total, int rate)
{
    Pty pty;
    PtyReader reader(pty.slave(), feed);
    QByteArray all;
    std::vector<qsizetype> ends; // of each line in `all`
    for (qint64 i = 0; i < total; ++i)
        ends.push_back((all += line(i, false)).size());
    Run run;
    std::atomic<bool> done{false};
    double writerCpu = 0;
    QElapsedTimer clock;
    clock.start();
    const double cpu0 = cpuSeconds(CLOCK_PROCESS_CPUTIME_ID);
    std::thread writer([&] {
        const double c0 = cpuSeconds(CLOCK_THREAD_CPUTIME_ID);
        for (qint64 i = 0; i < total;) {
            const qint64 due = rate ? std::min(total, clock.elapsed() * rate / 1000) : total;
            if (due > i) {
                const qsizetype from = i ? ends[size_t(i - 1)] : 0;
                if (!pty.send(all.sliced(from, ends[size_t(due - 1)] - from)))
                    break;
                i = due;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        writerCpu = cpuSeconds(CLOCK_THREAD_CPUTIME_ID) - c0;
        done = true;
    });
    // The event loop sleeps between events, as the program's does; a timer looks for the end.
    QEventLoop loop;
    QTimer check;
    QObject::connect(&check, &QTimer::timeout, &loop, [&] {
        if ((done && reader.bytes >= all.size()) || clock.elapsed() > 600000)
            loop.quit();
    });
    check.start(20);
    loop.exec();
    run.seconds = double(clock.nsecsElapsed()) / 1e9;
    writer.join();
    run.cpu = cpuSeconds(CLOCK_PROCESS_CPUTIME_ID) - cpu0 - writerCpu;
    run.sent = total;
    run.received = reader.bytes;
    return run;
}

// The window over a minute of a temperature loop, the cursor in it, as a PNG.
bool writeScreenshot(const QString &path)
{
    QTemporaryDir dir;
    PlotFeed feed;
    CaptureBuffer capture;
    PlotWindow w(testServices(dir.path()), feed, capture);
    w.resize(1000, 520);
    w.present();
    const qint64 t0 = QDateTime(QDate(2024, 5, 14), QTime(9, 30)).toMSecsSinceEpoch();
    feed.received("Heater controller v2.1 ready\r\n", t0);
    double temp = 21, integral = 0;
    for (int i = 0; i < 3000; ++i) {
        const double setpoint = i < 600 ? 25 : i < 1800 ? 60 : 40;
        const double error = setpoint - temp;
        const double heater = std::clamp(8 * error + integral, 0.0, 100.0);
        integral = std::clamp(integral + error * 0.05, 0.0, 100.0);
        temp += heater * 0.004 - (temp - 21) * 0.0015 + 0.04 * std::sin(i * 0.7);
        feed.received(QStringLiteral("setpoint:%1 temp:%2 heater:%3\r\n")
                          .arg(setpoint)
                          .arg(temp, 0, 'f', 2)
                          .arg(heater, 0, 'f', 1)
                          .toLatin1(),
                      t0 + i * 20);
    }
    w.ui.wholeRunButton->click();
    w.refresh();
    QCoreApplication::processEvents();
    const QRect area = w.ui.canvas->plotRect();
    w.ui.canvas->setCursorAt(QPoint(area.left() + area.width() * 62 / 100, area.center().y()));
    return w.grab().save(path, "PNG");
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QStandardPaths::setTestModeEnabled(true);
    const QStringList args = app.arguments();
    const qsizetype at = args.indexOf(QStringLiteral("--seconds"));
    const int seconds = at > 0 && at + 1 < args.size() ? args[at + 1].toInt() : 60;
    const qsizetype shot = args.indexOf(QStringLiteral("--screenshot"));
    if (shot > 0 && shot + 1 < args.size())
        return writeScreenshot(args[shot + 1]) ? 0 : 1;

    QTemporaryDir dir;
    const Services services = testServices(dir.path());
    CaptureBuffer capture;

    // 1 000 000 lines of 8 series, 2 000 a second.
    PlotFeed feed;
    feed.start();
    const double rss0 = residentMB();
    const qint64 t0 = 1'700'000'000'000;
    for (qint64 i = 0; i < 1'000'000; i += 1000)
        feed.received(lines(i, 1000), t0 + i / 2);
    std::printf("store at 8 x %lld     %.1f MB (target < 150); the process grew by %.1f MB\n",
                feed.store().lineCount(), double(feed.store().memoryBytes()) / 1048576.0,
                residentMB() - rss0);

    parserThroughput();

    // Redraw of a 1000-pixel-wide plot: following 10 s against the whole run.
    auto *w = new PlotWindow(services, feed, capture);
    w->resize(1300, 600);
    w->present();
    QCoreApplication::processEvents();
    QImage image(w->ui.canvas->size(), QImage::Format_RGB32);
    const auto draw = [&] { w->ui.canvas->render(&image); };
    const double follow = medianMs(30, draw);
    w->view().showWholeRun();
    const double whole = medianMs(30, draw);
    // Twice the history: the cost stays with the width.
    for (qint64 i = 1'000'000; i < 2'000'000; i += 1000)
        feed.received(lines(i, 1000), t0 + i / 2);
    const double whole2 = medianMs(30, draw);
    std::printf("redraw %d px wide    follow 10 s %.2f ms, whole run %.2f ms at 1 M lines, "
                "%.2f ms at 2 M (processor time)\n",
                w->ui.canvas->plotRect().width(), follow, whole, whole2);
    w->view().follow();
    delete w;

    // 8 series at 2 000 lines a second through a pty, without and with the plot shown.
    const qint64 total = qint64(seconds) * kRate;
    const Run alone = pace(nullptr, total, kRate);
    w = new PlotWindow(services, feed, capture);
    w->present();
    const qint64 paints0 = w->ui.canvas->paintCount();
    const Run plotted = pace(&feed, total, kRate);
    const double redraws = double(w->ui.canvas->paintCount() - paints0) / plotted.seconds;
    const bool kept = feed.store().lineCount() == total && alone.received == plotted.received;
    std::printf("pty %d lines/s x 8    %lld lines sent, %lld plotted (%s), %.1f redraws/s "
                "(target >= 30)\n",
                kRate, total, feed.store().lineCount(), kept ? "none lost" : "LINES LOST", redraws);
    std::printf("CPU                  receiving alone %.1f %% of a core, with the plot %.1f %%: "
                "the plot %.1f %% (target <= 25)\n",
                100 * alone.cpu / alone.seconds, 100 * plotted.cpu / plotted.seconds,
                100 * (plotted.cpu / plotted.seconds - alone.cpu / alone.seconds));

    // As fast as the pty takes it: 1 000 000 lines with and without the plot.
    const Run drainAlone = pace(nullptr, 1'000'000, 0);
    w->ui.clearButton->click();
    const Run drainPlotted = pace(&feed, 1'000'000, 0);
    const double mb = double(drainPlotted.received) / 1e6;
    const double plotCpuPerMB = (drainPlotted.cpu - drainAlone.cpu) / mb;
    std::printf("drain                %.1f MB/s alone, %.1f MB/s with the plot (%lld lines "
                "plotted); the plot costs %.1f ms of processor time per MB\n",
                double(drainAlone.received) / 1e6 / drainAlone.seconds, mb / drainPlotted.seconds,
                feed.store().lineCount(), plotCpuPerMB * 1e3);
    std::printf("                     a receive path draining 5 MB/s alone keeps %.0f %% of "
                "its rate with the plot (target >= 80)\n",
                100 / (1 + 5 * plotCpuPerMB));
    delete w;
    return kept ? 0 : 2;
}
