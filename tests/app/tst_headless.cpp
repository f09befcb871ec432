// The program run with --script and no display, on COM 1 = a pty: what the script prints,
// the settings it runs at, its exit codes, a stop by SIGTERM or SIGINT while it waits (the
// log keeping what came), and the example script against a device that logs it in.
#include "tests/support/ptydevice.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <thread>

using namespace Qt::StringLiterals;

class TestHeadless : public QObject
{
    Q_OBJECT

    QTemporaryDir dir_;
    Pty pty_;
    const QByteArray options_ = "[Line]\nframing=8N2\nflow=xonxoff\n";

    QString config(const QString &name) const { return dir_.filePath(u"orvo232/"_s + name); }

    // The file holding text, or one that does not exist when text is null.
    QString script(const QByteArray &text)
    {
        QFile file(dir_.filePath(text.isNull() ? u"none.lua"_s : u"t.lua"_s));
        if (!text.isNull() && (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
                               file.write(text) != text.size()))
            return QString();
        return file.fileName();
    }
    // The program without a display, with the configuration folder in dir_.
    bool start(QProcess &program, const QString &script, const QStringList &args = {})
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const QString &name : {u"QT_QPA_PLATFORM"_s, u"DISPLAY"_s, u"WAYLAND_DISPLAY"_s})
            env.remove(name);
        env.insert(u"XDG_CONFIG_HOME"_s, dir_.path());
        program.setProcessEnvironment(env);
        program.start(QCoreApplication::applicationDirPath() + u"/orvo232"_s,
                      QStringList{u"--script"_s, script} + args);
        return program.waitForStarted();
    }

private slots:
    void initTestCase()
    {
        QFile file(config(u"options.ini"_s));
        QVERIFY(pty_.isOpen() && QDir(dir_.path()).mkpath(u"orvo232/ports"_s) &&
                file.open(QIODevice::WriteOnly) && file.write(options_) == options_.size());
        QVERIFY(QFile::link(pty_.slavePath(), config(u"ports/com1"_s)));
    }

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
        const QByteArray settings = "local s = port.settings() log(s.baud, s.line, s.flow)";
        row("saved settings", settings, {}, 0, "9600\t8N2\txonxoff\n");
        row("given settings", settings,
            {u"--com=1"_s, u"--baud=1200"_s, u"--line=8N1"_s, u"--flow=none"_s}, 0,
            "1200\t8N1\tnone\n");
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
        QVERIFY(start(program, this->script(script), args));
        QVERIFY(program.waitForFinished(30000));
        const QByteArray errors = program.readAllStandardError();
        QVERIFY2(program.exitStatus() == QProcess::NormalExit, errors);
        QCOMPARE(program.exitCode(), code);
        QCOMPARE(program.readAllStandardOutput(), out);
        QVERIFY2(errors.contains(err), errors);
        // Nothing is written back.
        QFile file(config(u"options.ini"_s));
        QVERIFY(file.open(QIODevice::ReadOnly) && file.readAll() == options_);
        QVERIFY(!QFile::exists(config(u"Orvo_RS232_ini"_s)));
    }

    // A signal ends a script waiting for input, asleep or sending to a device that takes
    // nothing more: the exit code says which signal, and the log holds every byte that came.
    void stopBySignal_data()
    {
        QTest::addColumn<QByteArray>("script");
        QTest::addColumn<int>("signal");
        const QByteArray ready = "log(port.expect('ready', 20000)) ";
        QTest::newRow("term in expect") << ready + "port.expect('never')" << SIGTERM;
        QTest::newRow("int in sleep") << ready + "sleep(1e9)" << SIGINT;
        QTest::newRow("term in send") << ready + "port.send(('x'):rep(1e6))" << SIGTERM;
    }
    void stopBySignal()
    {
        QFETCH(QByteArray, script);
        QFETCH(int, signal);
        const QString log = dir_.filePath(u"rx.log"_s);
        QFile::remove(log);
        QProcess program;
        QVERIFY(start(program, this->script(script), {u"--log"_s, log}));
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

    // The example logs in round after round, checks the answer and says how it went, against
    // a device that answers each line.
    void example_data()
    {
        QTest::addColumn<QString>("password");
        QTest::addColumn<int>("code");
        QTest::addColumn<QByteArray>("out");
        QTest::newRow("passes") << u"secret"_s << 0
                                << "round 1: Linux 6.1\nround 2: Linux 6.1\npassed\n"_ba;
        QTest::newRow("wrong password")
            << u"guess"_s << 2 << "round failed: no \"# \" after \"guess\"\n"_ba;
    }
    void example()
    {
        QFETCH(QString, password);
        QFETCH(int, code);
        QFETCH(QByteArray, out);
        const QMap<QByteArray, QByteArray> answers{{"", "\r\nlogin: "},
                                                   {"root", "root\r\nPassword: "},
                                                   {"secret", "\r\n# "},
                                                   {"guess", "\r\nLogin incorrect\r\nlogin: "},
                                                   {"uname", "uname\r\nLinux 6.1\r\n# "},
                                                   {"exit", "exit\r\nlogout\r\n"}};
        const std::jthread device([&](std::stop_token stop) {
            QByteArray line;
            while (!stop.stop_requested())
                for (const char c : pty_.receive(1, 50))
                    if (c != '\r')
                        line += c;
                    else
                        pty_.send(answers.value(std::exchange(line, {}), "?\r\n"));
        });
        QProcess program;
        QVERIFY(start(program, u"" ORVO_EXAMPLES_DIR "/login.lua"_s, {u"--"_s, u"2"_s, password}));
        QVERIFY(program.waitForFinished(30000));
        QCOMPARE(program.exitCode(), code);
        QCOMPARE(program.readAllStandardOutput(), out);
    }
};

QTEST_GUILESS_MAIN(TestHeadless)
#include "tst_headless.moc"
