// The script engine on its own thread: matching over received bytes however they are split,
// the program's functions through a host, outcomes and errors, the stop, the input cap, and
// the example script in a dialogue with a device on a pty.
#include "scripting/scripthost.h"
#include "scripting/scriptrunner.h"
#include "scripting/scriptsend.h"
#include "tests/support/partsrig.h"

#include <QSocketNotifier>
#include <QtTest>

#include <atomic>
#include <functional>
#include <thread>

using namespace Qt::StringLiterals;
using End = ScriptOutcome::End;

namespace {

// Records what a script asks; sends go to fd when one is given.
class TestHost : public ScriptHost
{
public:
    int fd = -1;
    int busyAnswers = 0; // the next sends find another send running
    QByteArray sent;
    QStringList calls, statuses;
    QByteArrayList out;
    PortSettings line;
    std::function<void(const QByteArray &)> onOutput;

    std::optional<qint64> send(const QByteArray &bytes) override
    {
        if (busyAnswers > 0 && busyAnswers--)
            return std::nullopt;
        sent += bytes;
        for (qsizetype done = 0; fd >= 0 && done < bytes.size();)
            done += qMax<qsizetype>(0, ::write(fd, bytes.constData() + done, bytes.size() - done));
        return bytes.size();
    }
    bool setDtr(bool on) override { return record(u"dtr %1"_s.arg(on)); }
    bool setRts(bool on) override { return record(u"rts %1"_s.arg(on)); }
    bool sendBreak(int ms) override { return record(u"break %1"_s.arg(ms)); }
    PortSettings lineSettings() const override { return line; }
    bool setLineSettings(const PortSettings &s) override
    {
        line = s;
        return record(u"line %1"_s.arg(s.baud));
    }
    void output(const QByteArray &text) override
    {
        out << text;
        if (onOutput)
            onOutput(text);
    }
    void status(const QString &l) override { statuses << l; }

private:
    bool record(const QString &call)
    {
        calls << call;
        return true;
    }
};

struct Rig
{
    QTemporaryDir dir;
    TestHost host;
    ScriptRunner runner{host};
    std::optional<ScriptOutcome> outcome;

    Rig()
    {
        QObject::connect(&runner, &ScriptRunner::ended,
                         [this](const ScriptOutcome &o) { outcome = o; });
    }
    bool start(const QByteArray &script, const QStringList &args = {})
    {
        QFile f(dir.filePath(u"t.lua"_s));
        return f.open(QIODevice::WriteOnly) && f.write(script) == script.size() &&
               (f.close(), runner.start(f.fileName(), args));
    }
    // Bytes one call each, every one taken by the script before the next comes.
    void feedSplit(const QByteArray &bytes)
    {
        for (char c : bytes) {
            runner.received(QByteArrayView(&c, 1));
            (void)QTest::qWaitFor([&] { return runner.untaken() == 0; }, 5000);
        }
    }
    bool ended()
    {
        return QTest::qWaitFor([&] { return outcome.has_value(); }, 30000);
    }
};

} // namespace

class TestScripting : public QObject
{
    Q_OBJECT
private slots:
    void init() { QStandardPaths::setTestModeEnabled(true); }

    void matching_data()
    {
        QTest::addColumn<QByteArray>("script");
        QTest::addColumn<QByteArray>("feed");
        QTest::addColumn<QByteArrayList>("out");
        const struct
        {
            const char *name;
            QByteArray script, feed;
            QByteArrayList out;
        } rows[] = {
            {"captures",
             "log(port.expect('T=(%-?%d+) H=(%d+)\\r', 5000))\n"
             "log(port.expect_plain('T=', 5000), port.readline(5000))",
             "noise T=-12 H=40\r\nT=7\n",
             {"T=-12 H=40\r\t-12\t40", "T=\t7"}},
            {"binary",
             "log(port.expect_plain('\\0\\255\\0', 5000))\nlog(port.read(3, 5000))\n"
             "log(port.expect('\\255([\\0-\\31]+)\\255', 5000))",
             QByteArray("ab\0\xff\0\xffxy\xff\0\1\2\xff", 14),
             {QByteArray("\0\xff\0", 3), "\xffxy", QByteArray("\xff\0\1\2\xff\t\0\1\2", 9)}},
            {"line ends",
             "for i = 1, 5 do log(port.readline(5000)) end log(port.read(1, 5000))",
             "one\r\ntwo\nthree\rfour\r\n\r\nX",
             {"one", "two", "three", "four", "", "X"}},
            {"consumed and timeouts",
             "log(port.expect('A', 5000))\n"
             "log(port.expect('A', 30), port.readline(0), port.read(5, 10), port.expect('x', 0))",
             "Aabc",
             {"A", "nil\tnil\tnil\tnil"}},
        };
        for (const auto &r : rows)
            for (const bool split : {false, true})
                QTest::addRow("%s%s", r.name, split ? " split at every byte" : "")
                    << r.script << r.feed << r.out;
    }
    void matching()
    {
        QFETCH(QByteArray, script);
        QFETCH(QByteArray, feed);
        QFETCH(QByteArrayList, out);
        Rig rig;
        QVERIFY(rig.start(script));
        if (QString::fromLatin1(QTest::currentDataTag()).endsWith(u"byte"))
            rig.feedSplit(feed);
        else
            rig.runner.received(feed);
        QVERIFY(rig.ended());
        QCOMPARE(rig.host.out, out);
        QCOMPARE(rig.outcome->end, End::Finished);
    }

    void outcomes_data()
    {
        QTest::addColumn<QByteArray>("script");
        QTest::addColumn<int>("end");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("error"); // what the failure line holds
        const auto row = [](const char *name, const char *script, End end, int code,
                            const char *error = "") {
            QTest::newRow(name) << QByteArray(script) << int(end) << code
                                << QString::fromUtf8(error);
        };
        row("normal end", "log('x')", End::Finished, 0);
        row("exit", "exit(7)", End::Finished, 7);
        row("exit inside pcall", "pcall(exit, 5) log('on')", End::Finished, 5);
        row("os.exit is exit", "os.exit(false)", End::Finished, 1);
        row("runtime error", "local t\nt.x = 1", End::Failed, 1, "t.lua:2: attempt to index");
        row("error with a table", "\n\nerror({})", End::Failed, 1,
            "t.lua:3: (error object is a table");
        row("error at level 0", "error('plain', 0)", End::Failed, 1, "t.lua:1: plain");
        row("syntax error", "x = = 1", End::Failed, 1, "t.lua:1:");
        row("malformed pattern", "\nport.expect('(%', 10)", End::Failed, 1, "t.lua:2: malformed");
        row("bad hex", "port.sendhex('0 1')", End::Failed, 1,
            "t.lua:1: bad argument #1 to 'sendhex'");
        row("bad framing", "port.line('9X1')", End::Failed, 1,
            "t.lua:1: bad argument #1 to 'line'");
    }
    void outcomes()
    {
        QFETCH(QByteArray, script);
        QFETCH(int, end);
        QFETCH(int, code);
        QFETCH(QString, error);
        Rig rig;
        QVERIFY(rig.start(script));
        QVERIFY(rig.ended());
        QCOMPARE(int(rig.outcome->end), end);
        QCOMPARE(rig.outcome->exitCode, code);
        QVERIFY2(rig.outcome->error.contains(error), qPrintable(rig.outcome->error));
        QVERIFY(!rig.host.out.contains("on"));
        const QString last = rig.host.statuses.value(1);
        QVERIFY2(end == int(End::Failed)
                     ? last.startsWith(u"Script t.lua failed: "_s) && last.contains(error)
                     : last == u"Script t.lua finished (exit %1)"_s.arg(code),
                 qPrintable(last));
    }

    void missingFileAndArguments()
    {
        Rig rig;
        QVERIFY(rig.runner.start(rig.dir.filePath(u"none.lua"_s)));
        QVERIFY(rig.ended());
        QCOMPARE(rig.outcome->exitCode, 1);
        QVERIFY(rig.outcome->error.startsWith(u"cannot open "_s));
        rig.outcome.reset();
        QVERIFY(rig.start("log(arg[0]:match('[^/]+$'), arg[1], arg[2], select('#', ...), ...)",
                          {u"a b"_s, u"ü"_s}));
        QVERIFY(rig.ended());
        QCOMPARE(rig.host.out, QByteArrayList{"t.lua\ta b\tü\t2\ta b\tü"});
    }

    // Every call reaches the host on the GUI thread; a send finding another send running is
    // asked again.
    void hostCalls()
    {
        Rig rig;
        rig.host.busyAnswers = 2;
        QVERIFY(
            rig.start("log(port.sendhex('01 03:00,0a\\t'), port.send('a\\0\\255'), port.dtr(true),"
                      " port.rts(false), port.brk(5), port.baud(19200), port.line('7e2'),"
                      " port.flow('RtsCts'))\n"
                      "local s = port.settings() log(s.baud, s.line, s.flow)"));
        QVERIFY(rig.ended());
        QCOMPARE(rig.host.sent, QByteArray("\x01\x03\x00\x0a"
                                           "a\0\xff",
                                           7));
        QCOMPARE(rig.host.calls, (QStringList{u"dtr 1"_s, u"rts 0"_s, u"break 5"_s, u"line 19200"_s,
                                              u"line 19200"_s, u"line 19200"_s}));
        QCOMPARE(rig.host.out, (QByteArrayList{"4\t3\ttrue\ttrue\ttrue\ttrue\ttrue\ttrue",
                                               "19200\t7E2\trtscts"}));
    }

    // Past the cap the oldest unconsumed bytes go, also those the script holds already.
    void inputCap()
    {
        Rig rig;
        rig.host.onOutput = [&](const QByteArray &text) {
            if (text == "ready")
                rig.runner.received(QByteArray(3 << 19, '.') + "END");
        };
        QVERIFY(
            rig.start("port.expect_plain('b', 5000) log('ready')\n"
                      "log(port.available(), port.dropped(), port.read(1, 0))\n"
                      "log(port.expect_plain('END', 0), port.flush_input(), port.available())"));
        rig.runner.received("abc");
        QVERIFY(rig.ended());
        QCOMPARE(rig.host.out, (QByteArrayList{"ready", "1048576\t524292\t.", "END\t0\t0"}));
    }

    void stop_data()
    {
        QTest::addColumn<QByteArray>("script");
        QTest::newRow("expect") << QByteArray("port.expect('never')");
        QTest::newRow("sleep") << QByteArray("sleep(1e9)");
        QTest::newRow("busy loop") << QByteArray("while true do end");
        QTest::newRow("pcall loop") << QByteArray("while true do pcall(port.expect, 'x') end");
        QTest::newRow("coroutine") << QByteArray("coroutine.wrap(function() while 1 do end end)()");
    }
    void stop()
    {
        QFETCH(QByteArray, script);
        Rig rig;
        QVERIFY(rig.start("log('in') " + script));
        QTRY_COMPARE(rig.host.out, QByteArrayList{"in"});
        QVERIFY(!rig.runner.start(rig.dir.filePath(u"t.lua"_s))); // one at a time
        rig.runner.stop();
        QVERIFY(rig.ended());
        QCOMPARE(rig.outcome->end, End::Stopped);
        QCOMPARE(rig.host.statuses,
                 (QStringList{u"Script t.lua running"_s, u"Script t.lua stopped"_s}));
        QVERIFY(!rig.runner.running());
    }

    // A script's send is recorded, counted and echoed as the window's sends, honours
    // Suspend and waits its turn at the send gate.
    void sendFromScriptAsTheWindowSends()
    {
        Parts p;
        QCOMPARE(sendFromScript(p.transmit, QByteArray("a\0\xff", 3)), 3);
        QCOMPARE(p.takeWritten(), QByteArray("a\0\xff", 3));
        QCOMPARE(p.record.stored(), QByteArrayView("a\0\xff", 3));
        QCOMPARE(p.views.txCount, u"3"_s);
        QCOMPARE(p.views.echo, QString::fromLatin1("a\0\xff\r\n", 5));
        p.state.hexKeys = p.state.suspended = true;
        QCOMPARE(sendFromScript(p.transmit, "AB"), 0);
        QCOMPARE(p.takeWritten(), QByteArray());
        QCOMPARE(p.views.echo.sliced(5), u"41 42 \r\n"_s);
        const auto ticket = p.gate.tryBegin();
        QCOMPARE(sendFromScript(p.transmit, "C"), std::nullopt);
        QCOMPARE(p.views.txCount, u"2"_s);
    }

    // The example logs in, runs a command and checks its answer, round after round, with a
    // device on a pty whose answers reach the script a byte at a time.
    void exampleDialogue_data()
    {
        QTest::addColumn<QString>("password");
        QTest::addColumn<int>("code");
        QTest::newRow("logs in") << u"secret"_s << 0;
        QTest::newRow("wrong password") << u"guess"_s << 2;
    }
    void exampleDialogue()
    {
        QFETCH(QString, password);
        QFETCH(int, code);
        Pty pty;
        QVERIFY(pty.isOpen());
        std::atomic<bool> quit = false;
        std::thread device([&] {
            QByteArray line;
            while (!quit) {
                for (char c : pty.receive(1, 50)) {
                    if (c != '\r') {
                        line += c;
                        continue;
                    }
                    const QByteArray answer = line.isEmpty()     ? "login: "
                                              : line == "root"   ? "Password: "
                                              : line == "secret" ? "\r\nWelcome\r\n# "
                                              : line == "uname"  ? "uname\r\nOrvoOS 2.4\r\n# "
                                              : line == "exit"   ? "logout\r\n"
                                                                 : "\r\nLogin incorrect\r\nlogin: ";
                    pty.send(answer);
                    line.clear();
                }
            }
        });
        Rig rig;
        rig.host.fd = pty.slave();
        ::fcntl(pty.slave(), F_SETFL, O_NONBLOCK);
        QSocketNotifier reader(pty.slave(), QSocketNotifier::Read);
        QObject::connect(&reader, &QSocketNotifier::activated, [&] {
            char buf[256];
            const ssize_t n = ::read(pty.slave(), buf, sizeof buf);
            for (ssize_t i = 0; i < n; ++i)
                rig.runner.received(QByteArrayView(buf + i, 1));
        });
        QVERIFY(
            rig.runner.start(QStringLiteral(ORVO_EXAMPLES_DIR "/login.lua"), {u"3"_s, password}));
        const bool ended = rig.ended();
        quit = true;
        device.join();
        QVERIFY(ended);
        QCOMPARE(rig.outcome->exitCode, code);
        if (code == 0)
            QCOMPARE(rig.host.out, (QByteArrayList{"round 1: OrvoOS 2.4", "round 2: OrvoOS 2.4",
                                                   "round 3: OrvoOS 2.4", "passed"}));
        else
            QVERIFY(rig.host.out.value(0).startsWith("round failed: no \"# \""));
    }
};

QTEST_GUILESS_MAIN(TestScripting)
#include "tst_scripting.moc"
