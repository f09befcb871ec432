// The script engine against a device on a pseudo-terminal, through the real serial port and
// the GUI thread's receive route: the time from an answer's last byte to expect returning
// over 1 000 send/expect rounds, how fast a stop ends a waiting or busy script, and the
// receive rate with a script waiting in expect against the rate without one.
#include "platform/qtcommport.h"
#include "scripting/scripthost.h"
#include "scripting/scriptrunner.h"
#include "tests/support/ptydevice.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <map>
#include <sys/resource.h>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double nowMs()
{
    return std::chrono::duration<double, std::milli>(Clock::now().time_since_epoch()).count();
}

struct BenchHost : ScriptHost
{
    CommPort *port = nullptr;
    QByteArrayList out;
    std::optional<qint64> send(const QByteArray &b) override { return port->write(b); }
    bool setDtr(bool) override { return true; }
    bool setRts(bool) override { return true; }
    bool sendBreak(int) override { return true; }
    PortSettings lineSettings() const override { return {}; }
    bool setLineSettings(const PortSettings &) override { return true; }
    void output(const QByteArray &text) override { out << text; }
    void status(const QString &) override {}
};

// Answers "ping N\r" with "ok N\r\n" and notes when each answer was written.
struct EchoBot
{
    std::thread thread;
    std::atomic<bool> quit = false;
    std::vector<double> answeredAt = std::vector<double>(1001, 0);

    void start(Pty &pty)
    {
        thread = std::thread([this, &pty] {
            QByteArray line;
            while (!quit) {
                for (char c : pty.receive(1, 20)) {
                    if (c != '\r') {
                        line += c;
                        continue;
                    }
                    const int n = line.mid(5).toInt();
                    pty.send("ok " + QByteArray::number(n) + "\r\n");
                    if (n > 0 && n < int(answeredAt.size()))
                        answeredAt[size_t(n)] = nowMs();
                    line.clear();
                }
            }
        });
    }
    void stop()
    {
        quit = true;
        thread.join();
    }
};

double cpuSeconds()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// CPU seconds of each thread of this process, by thread id.
std::map<QString, double> threadCpu()
{
    std::map<QString, double> cpu;
    for (const QString &tid :
         QDir(QStringLiteral("/proc/self/task")).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile f(QStringLiteral("/proc/self/task/%1/stat").arg(tid));
        if (!f.open(QIODevice::ReadOnly))
            continue;
        const QByteArray stat = f.readAll();
        const QList<QByteArray> fields = stat.mid(stat.lastIndexOf(')') + 2).split(' ');
        if (fields.size() > 12) // utime and stime, the 14th and 15th fields
            cpu[tid] =
                (fields[11].toDouble() + fields[12].toDouble()) / double(sysconf(_SC_CLK_TCK));
    }
    return cpu;
}

double percentile(std::vector<double> v, double p)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[std::min(v.size() - 1, size_t(p * double(v.size())))];
}

bool waitFor(const std::function<bool()> &done, int ms = 60000)
{
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 10);
    return done();
}

QString writeScript(const QTemporaryDir &dir, const char *name, const QByteArray &text)
{
    QFile f(dir.filePath(QString::fromLatin1(name)));
    if (!f.open(QIODevice::WriteOnly) || f.write(text) != text.size())
        qFatal("cannot write %s", name);
    return f.fileName();
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QStandardPaths::setTestModeEnabled(true);
    QTemporaryDir dir;
    Pty pty;
    if (!pty.isOpen() || !linkComPort(1, pty.slavePath()))
        qFatal("bench_script: no pseudo-terminal for COM1");
    std::unique_ptr<CommPort> port = makeQtCommPort();
    if (!port->open(PortAddress::ofCom(1), {.baud = 115200}).ok())
        qFatal("bench_script: COM1 did not open");

    BenchHost host;
    host.port = port.get();
    ScriptRunner runner(host);
    std::optional<ScriptOutcome> outcome;
    QObject::connect(&runner, &ScriptRunner::ended, [&](const ScriptOutcome &o) { outcome = o; });
    bool feeding = true;
    qint64 received = 0;
    std::vector<double> lastByteAt; // when the GUI thread handed over each answer's end
    QObject::connect(port.get(), &CommPort::dataReady, [&] {
        const QByteArray bytes = port->takeReceived().bytes;
        received += bytes.size();
        if (bytes.contains('\n'))
            lastByteAt.push_back(nowMs());
        if (feeding)
            runner.received(bytes);
    });

    // 1. Send a line, expect the answer, 1 000 times.
    EchoBot bot;
    bot.start(pty);
    runner.start(writeScript(dir, "rounds.lua", R"(
        local t = {}
        for i = 1, 1000 do
            port.send("ping " .. i .. "\r")
            local m, n = port.expect("ok (%d+)\r\n", 2000)
            if n ~= tostring(i) then log("timeout " .. i) exit(1) end
            t[i] = string.format("%.4f", now())
        end
        log(table.concat(t, " ")))"));
    waitFor([&] { return outcome.has_value(); });
    bot.stop();
    std::vector<double> fromPort, fromFeed;
    const QList<QByteArray> times = host.out.value(0).split(' ');
    for (int i = 1; i <= 1000 && times.size() == 1000; ++i) {
        const double returned = times[i - 1].toDouble();
        fromPort.push_back(returned - bot.answeredAt[size_t(i)]);
        if (size_t(i) <= lastByteAt.size())
            fromFeed.push_back(returned - lastByteAt[size_t(i - 1)]);
    }
    std::printf("rounds              %lld of 1000 answered, exit %d, %s\n",
                qlonglong(fromPort.size()), outcome ? outcome->exitCode : -1,
                host.out.value(0).startsWith("timeout") ? host.out.value(0).constData()
                                                        : "no false timeout");
    std::printf("answer -> expect    median %.3f ms, 99th percentile %.3f ms (device's write; "
                "targets < 2 and < 10)\n",
                percentile(fromPort, 0.5), percentile(fromPort, 0.99));
    std::printf("feed -> expect      median %.3f ms, 99th percentile %.3f ms (GUI thread's "
                "hand-over)\n",
                percentile(fromFeed, 0.5), percentile(fromFeed, 0.99));

    // 2. Stop while the script waits in expect, sleeps, or loops.
    const struct
    {
        const char *name, *script;
    } waits[] = {{"expect", "log('in') port.expect('never')"},
                 {"sleep", "log('in') sleep(1e9)"},
                 {"busy loop", "log('in') local i = 0 while true do i = i + 1 end"}};
    for (const auto &w : waits) {
        std::vector<double> ms;
        for (int round = 0; round < 20; ++round) {
            host.out.clear();
            outcome.reset();
            runner.start(writeScript(dir, "stop.lua", w.script));
            waitFor([&] { return !host.out.isEmpty(); });
            QElapsedTimer settle;
            settle.start();
            waitFor([&] { return settle.elapsed() > 20; }, 100);
            const double t0 = nowMs();
            runner.stop();
            waitFor([&] { return outcome.has_value(); });
            ms.push_back(nowMs() - t0);
        }
        std::printf("stop in %-11s median %.3f ms, worst %.3f ms (target < 100)\n", w.name,
                    percentile(ms, 0.5), percentile(ms, 1.0));
    }

    // 3. Receive drain with no script, and with one waiting for what never comes.
    constexpr qint64 kTotal = 16 * 1024 * 1024;
    struct Rate
    {
        double mbPerS = 0, cpuMsPerMb = 0, scriptMsPerMb = 0;
    };
    const auto drain = [&](const char *script) {
        outcome.reset();
        const double cpu0 = cpuSeconds();
        const std::map<QString, double> before = threadCpu();
        if (script)
            runner.start(writeScript(dir, "wait.lua", script));
        feeding = script != nullptr;
        received = 0;
        std::thread writer([&] {
            QByteArray chunk(65536, 0);
            for (int i = 0; i < chunk.size(); ++i)
                chunk[i] = char('0' + i % 10 + (i % 61 == 0 ? 17 : 0));
            for (qint64 sent = 0; sent < kTotal; sent += chunk.size())
                pty.send(chunk);
        });
        QElapsedTimer t;
        t.start();
        waitFor([&] { return received >= kTotal; }, 300000);
        const double seconds = double(t.nsecsElapsed()) / 1e9;
        writer.join();
        const double mb = double(received) / 1e6;
        double scriptCpu = 0; // the threads started since: the script's
        for (const auto &[tid, cpu] : threadCpu())
            scriptCpu += before.count(tid) ? 0 : cpu;
        const Rate r{mb / seconds, (cpuSeconds() - cpu0) * 1000 / mb, scriptCpu * 1000 / mb};
        runner.stop();
        waitFor([&] { return !runner.running(); });
        return r;
    };
    // The best of three rounds each, as the machine may be busy with something else.
    Rate bare, plain, pattern;
    const auto best = [](Rate &b, Rate r) {
        b = {std::max(b.mbPerS, r.mbPerS),
             b.cpuMsPerMb ? std::min(b.cpuMsPerMb, r.cpuMsPerMb) : r.cpuMsPerMb,
             b.cpuMsPerMb ? std::min(b.scriptMsPerMb, r.scriptMsPerMb) : r.scriptMsPerMb};
    };
    for (int round = 0; round < 3; ++round) {
        best(bare, drain(nullptr));
        best(plain, drain("port.expect_plain('never')"));
        best(pattern, drain("port.expect('(%d+)Z')"));
    }
    std::printf("receive drain       %.2f MB/s without a script, %.1f ms CPU per MB (all "
                "threads, the device's too)\n",
                bare.mbPerS, bare.cpuMsPerMb);
    std::printf("  expect_plain      %.2f MB/s, %.0f %% (target >= 80), %.1f ms CPU per MB, "
                "%.2f of them the script's\n",
                plain.mbPerS, 100 * plain.mbPerS / bare.mbPerS, plain.cpuMsPerMb,
                plain.scriptMsPerMb);
    std::printf("  expect pattern    %.2f MB/s, %.0f %% (target >= 80), %.1f ms CPU per MB, "
                "%.2f of them the script's (a costly pattern over a full 1 MiB window)\n",
                pattern.mbPerS, 100 * pattern.mbPerS / bare.mbPerS, pattern.cpuMsPerMb,
                pattern.scriptMsPerMb);
    QFile::remove(comPortLink(1));
    return 0;
}
