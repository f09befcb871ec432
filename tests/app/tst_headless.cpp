// The program run with --script and no display: what the script prints, its exit codes, a
// stop by SIGTERM or SIGINT while it waits (the log keeping what came), and the example
// script against a device that logs it in.
#include "tests/support/ptydevice.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <atomic>
#include <csignal>
#include <thread>

using namespace Qt::StringLiterals;

namespace {

// A device that answers each line (ended by CR) from a table, until stopped.
class Device
{
public:
    Device(Pty &pty, QMap<QByteArray, QByteArray> answers)
        : thread_([this, &pty, answers = std::move(answers)] {
              QByteArray line;
              while (!stop_) {
                  for (const char c : pty.receive(1, 50)) {
                      if (c != '\r') {
                          line += c;
                          continue;
                      }
                      pty.send(answers.value(line, "?\r\n"));
                      line.clear();
                  }
              }
          })
    {
    }
    ~Device()
    {
        stop_ = true;
        thread_.join();
    }

private:
    std::atomic<bool> stop_ = false;
    std::thread thread_;
};

} // namespace

class TestHeadless : public QObject
{
    Q_OBJECT

    QTemporaryDir dir_;
    Pty pty_;

    // Starts the program on the pty with the script text (or a file that does not exist
    // when null), without a display and with a configuration folder of its own.
    bool start(QProcess &program, const QByteArray &script, const QStringList &args = {})
    {
        QString path = dir_.filePath(u"none.lua"_s);
        if (!script.isNull()) {
            QFile file(path = dir_.filePath(u"t.lua"_s));
            if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
                file.write(script) != script.size())
                return false;
        }
        return startFile(program, path, args);
    }
    bool startFile(QProcess &program, const QString &path, const QStringList &args)
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove(u"QT_QPA_PLATFORM"_s);
        env.remove(u"DISPLAY"_s);
        env.remove(u"WAYLAND_DISPLAY"_s);
        env.insert(u"XDG_CONFIG_HOME"_s, dir_.path());
        program.setProcessEnvironment(env);
        program.start(QCoreApplication::applicationDirPath() + u"/orvo232"_s,
                      QStringList{u"--port"_s, pty_.slavePath(), u"--script"_s, path} + args);
        return pty_.isOpen() && program.waitForStarted();
    }

private slots:
    void runs_data()
    {
        QTest::addColumn<QByteArray>("script");
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("code");
        QTest::addColumn<QByteArray>("out");
        QTest::addColumn<QByteArray>("err"); // a part of standard error
        const auto row = [](const char *name, const QByteArray &script, const QStringList &args,
                            int code, const QByteArray &out, const QByteArray &err = {}) {
            QTest::newRow(name) << script << args << code << out << err;
        };
        row("log and print", "log('a', 1, nil)\nprint('b\\0\\255')\nlog(#arg, arg[1], arg[2])",
            {u"--"_s, u"x"_s, u"y z"_s}, 0, "a\t1\tnil\nb\0\xff\n2\tx\ty z\n"_ba);
        row("error", "log('x')\nerror('boom')", {}, 1, "x\n", "t.lua:2: boom\n");
        row("syntax", "log('x'", {}, 1, "", "t.lua:1: ");
        row("exit", "log('x') exit(7) log('y')", {}, 7, "x\n");
        row("os.exit", "os.exit(false)", {}, 1, "");
        row("no file", QByteArray(), {}, 1, "", "none.lua");
        row("bad option", "", {u"--baud=x"_s}, 2, "", "--baud needs");
        row("bad port", "", {u"--port=/nonexistent/tty"_s}, 1, "", "Port not opened: ");
        row("unusable rate", "", {u"--baud=50"_s}, 1, "", "below 110 baud");
        row("log not opened", "", {u"--log"_s, u"/nonexistent/rx.log"_s}, 1, "",
            "Log not opened: ");
    }
    void runs()
    {
        QFETCH(QByteArray, script);
        QFETCH(QStringList, args);
        QFETCH(int, code);
        QFETCH(QByteArray, out);
        QFETCH(QByteArray, err);
        QProcess program;
        QVERIFY(start(program, script, args));
        QVERIFY(program.waitForFinished(30000));
        const QByteArray errors = program.readAllStandardError();
        QVERIFY2(program.exitStatus() == QProcess::NormalExit, errors);
        QCOMPARE(program.exitCode(), code);
        QCOMPARE(program.readAllStandardOutput(), out);
        QVERIFY2(errors.contains(err), errors);
    }

    // A signal ends a script waiting for input, asleep or sending to a device that takes
    // nothing more: the exit code says which signal, and the log holds every byte that came.
    void stopBySignal_data()
    {
        QTest::addColumn<QByteArray>("script");
        QTest::addColumn<int>("signal");
        QTest::newRow("term in expect")
            << "log(port.expect('ready', 20000)) port.expect('never')"_ba << SIGTERM;
        QTest::newRow("int in sleep") << "log(port.expect('ready', 20000)) sleep(1e9)"_ba << SIGINT;
        QTest::newRow("term in send")
            << "log(port.expect('ready', 20000)) port.send(('x'):rep(1e6))"_ba << SIGTERM;
    }
    void stopBySignal()
    {
        QFETCH(QByteArray, script);
        QFETCH(int, signal);
        const QString log = dir_.filePath(u"rx.log"_s);
        QFile::remove(log);
        QProcess program;
        QVERIFY(start(program, script, {u"--log"_s, log}));
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(log), 20000);
        QVERIFY(pty_.send("ready\r\n\0\xff"_ba));
        QByteArray out;
        QTRY_COMPARE_WITH_TIMEOUT(out += program.readAllStandardOutput(), "ready\n"_ba, 20000);
        QTest::qWait(200); // into the wait
        QElapsedTimer took;
        took.start();
        ::kill(pid_t(program.processId()), signal);
        QVERIFY(program.waitForFinished(20000));
        qInfo("%s: exited %lld ms after the signal", QTest::currentDataTag(), took.elapsed());
        pty_.receive(std::numeric_limits<int>::max(), 200); // what the send left, unread
        QVERIFY(program.exitStatus() == QProcess::NormalExit);
        QCOMPARE(program.exitCode(), 128 + signal);
        QFile file(log);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), "ready\r\n\0\xff"_ba);
        QVERIFY(program.readAllStandardError().contains("Log closed (9 bytes)"));
    }

    // The example logs in round after round, checks the answer and says how it went.
    void example_data()
    {
        QTest::addColumn<QByteArray>("password");
        QTest::addColumn<int>("code");
        QTest::addColumn<QByteArray>("out");
        QTest::newRow("passes") << "secret"_ba << 0
                                << "round 1: Linux 6.1\nround 2: Linux 6.1\nround 3: Linux "
                                   "6.1\npassed\n"_ba;
        QTest::newRow("wrong password")
            << "guess"_ba << 2 << "round failed: no \"# \" after \"guess\"\n"_ba;
    }
    void example()
    {
        QFETCH(QByteArray, password);
        QFETCH(int, code);
        QFETCH(QByteArray, out);
        const Device device(pty_, {{"", "\r\nlogin: "},
                                   {"root", "root\r\nPassword: "},
                                   {"secret", "\r\n# "},
                                   {"guess", "\r\nLogin incorrect\r\nlogin: "},
                                   {"uname", "uname\r\nLinux 6.1\r\n# "},
                                   {"exit", "exit\r\nlogout\r\n"}});
        QProcess program;
        QVERIFY(startFile(program, u"" ORVO_EXAMPLES_DIR "/login.lua"_s,
                          {u"--"_s, u"3"_s, QString::fromLatin1(password)}));
        QVERIFY(program.waitForFinished(30000));
        QCOMPARE(program.exitCode(), code);
        QCOMPARE(program.readAllStandardOutput(), out);
    }
};

QTEST_GUILESS_MAIN(TestHeadless)
#include "tst_headless.moc"
