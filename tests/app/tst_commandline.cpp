// The command line: each option, the port list's lines and the error exit; and the program
// itself started with --log under a file size limit, into a FIFO or a pipe, and ended by
// SIGTERM during a flood.
#include "app/commandline.h"
#include "tests/support/ptydevice.h"
#include "tests/support/samples.h"

#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/stat.h>

using namespace Qt::StringLiterals;

class TestCommandLine : public QObject
{
    Q_OBJECT

    // The program on COM1 = the pty, with its configuration folder in dir.
    static bool start(QProcess &program, const QTemporaryDir &dir, const Pty &pty,
                      const QStringList &args)
    {
        if (!dir.isValid() || !pty.isOpen() || !QDir(dir.path()).mkpath(u"orvo232/ports"_s) ||
            !QFile::link(pty.slavePath(), dir.filePath(u"orvo232/ports/com1"_s)))
            return false;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(u"XDG_CONFIG_HOME"_s, dir.path());
        env.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
        program.setProcessEnvironment(env);
        program.start(QCoreApplication::applicationDirPath() + u"/orvo232"_s,
                      QStringList{u"--com=1"_s} + args);
        return program.waitForStarted();
    }

    // What a run was given, as "name=value" in the order of the fields.
    static QString given(const CommandLine &c)
    {
        QStringList parts;
        const auto add = [&](const char *name, const auto &value, auto text) {
            if (value)
                parts << QLatin1StringView(name) + u'=' + text(*value);
        };
        add("com", c.comNumber, [](qint16 n) { return QString::number(n); });
        add("port", c.port, [](const PortAddress &a) { return a.toString(); });
        add("baud", c.baudRate, [](qint32 n) { return QString::number(n); });
        add("line", c.framing, framingText);
        add("flow", c.flow, flowControlText);
        add("log", c.logPath, [](const QString &t) { return t; });
        add("script", c.script, [](const QString &t) { return t; });
        if (!c.scriptArguments.isEmpty())
            parts << u"args="_s + c.scriptArguments.join(u'|');
        return parts.join(u' ');
    }

private slots:
    void options_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("exitCode"); // -1: a run
        QTest::addColumn<QString>("out");  // the start of standard output, or what the run got
        QTest::addColumn<QString>("err");
        const auto row = [](const char *name, const QStringList &args, int code, const QString &out,
                            const QString &err = QString()) {
            QTest::newRow(name) << args << code << out << err;
        };
        row("none", {}, -1, QString());
        row("help", {u"--help"_s}, 0, u"Usage: orvo232 [options] [-- script arguments]\n"_s);
        row("version", {u"--version"_s}, 0, u"orvo232 " ORVO_VERSION "\n"_s);
        row("list", {u"--list-ports"_s}, 0,
            u"COM2\t/dev/ttyUSB0\t\nCOM5\t/dev/pts/3\tFT232R  FTDI  A1\n"_s);
        row("all", {u"--com"_s, u"12"_s, u"--baud=921600"_s, u"--log=a b"_s}, -1,
            u"com=12 baud=921600 log=a b"_s);
        row("com", {u"--com=3"_s}, -1, u"com=3"_s);
        row("baud", {u"--baud"_s, u"300"_s}, -1, u"baud=300"_s);
        row("qt option", {u"-platform"_s, u"offscreen"_s}, -1, QString());
        row("network",
            {u"--port=RFC2217://[::1]:2217"_s, u"--line"_s, u"7e1.5"_s, u"--flow=RtsCts"_s}, -1,
            u"port=rfc2217://[::1]:2217 line=7E1.5 flow=rtscts"_s);
        row("device", {u"--port"_s, u"/dev/ttyUSB0"_s, u"--flow=none"_s}, -1,
            u"port=/dev/ttyUSB0 flow=none"_s);
        row("port com", {u"--port=7"_s}, -1, u"com=7"_s); // a COM number, whichever option
        row("script", {u"--script=t.lua"_s, u"--com=2"_s, u"--"_s, u"a b"_s, u"--"_s, u"--com=x"_s},
            -1, u"com=2 script=t.lua args=a b|--|--com=x"_s);
        row("dashes alone", {u"--"_s}, -1, QString());
        row("log no value", {u"--log"_s}, 2, QString(), u"Missing value after '--log'."_s);
        row("log before dashes", {u"--log"_s, u"--"_s, u"x"_s}, 2, QString(),
            u"Missing value after '--log'."_s);
        row("unknown", {u"--logfile=x"_s}, 2, QString(), u"Unknown option 'logfile'."_s);
        row("com text", {u"--com"_s, u"x1"_s}, 2, QString(),
            u"--com needs a COM number from 1 to 255, not 'x1'."_s);
        row("com range", {u"--com=256"_s}, 2, QString(),
            u"--com needs a COM number from 1 to 255, not '256'."_s);
        // Every occurrence is checked.
        row("com twice", {u"--com=3x"_s, u"--com=4"_s}, 2, QString(),
            u"--com needs a COM number from 1 to 255, not '3x'."_s);
        row("baud twice", {u"--baud"_s, u"-1"_s, u"--baud=9600"_s}, 2, QString(),
            u"--baud needs a baud rate in whole numbers, not '-1'."_s);
        row("log empty", {u"--log="_s}, 2, QString(), u"--log needs a file name."_s);
        row("baud text", {u"--baud=9600,n,8,1"_s}, 2, QString(),
            u"--baud needs a baud rate in whole numbers, not '9600,n,8,1'."_s);
        row("no value", {u"--baud"_s}, 2, QString(), u"Missing value after '--baud'."_s);
        row("argument", {u"COM3"_s}, 2, QString(), u"Unexpected argument 'COM3'."_s);
        const QString portError =
            u"--port needs a COM number from 1 to 255, a device such as "
            "/dev/ttyUSB0, tcp://HOST:PORT or rfc2217://HOST:PORT, not '%1'."_s;
        row("port range", {u"--port=256"_s}, 2, QString(), portError.arg(u"256"));
        row("port twice", {u"--port=telnet://h:23"_s, u"--port=tcp://h:23"_s}, 2, QString(),
            portError.arg(u"telnet://h:23"));
        row("com and port", {u"--port=/dev/ttyS0"_s, u"--com=1"_s}, 2, QString(),
            u"--com and --port both name the port: give one of them."_s);
        row("line twice", {u"--line=8N3"_s, u"--line=8N1"_s}, 2, QString(),
            u"--line needs data bits 5 to 8, parity N, O, E, M or S and stop bits 1, 1.5 or 2, "
            "such as 8N1 or 7E1, not '8N3'."_s);
        row("flow", {u"--flow=hardware"_s}, 2, QString(),
            u"--flow needs none, rtscts or xonxoff, not 'hardware'."_s);
        row("script empty", {u"--script="_s, u"--"_s, u"a"_s}, 2, QString(),
            u"--script needs a file name."_s);
        // Arguments are the script's only.
        row("arguments without a script", {u"--com=1"_s, u"--"_s, u"a"_s}, 2, QString(),
            u"Unexpected argument 'a'."_s);
        row("argument before the dashes", {u"--script=t.lua"_s, u"a"_s, u"--"_s, u"b"_s}, 2,
            QString(), u"Unexpected argument 'a'."_s);
    }
    void options()
    {
        QFETCH(QStringList, args);
        QFETCH(int, exitCode);
        QFETCH(QString, out);
        QFETCH(QString, err);
        const CommandLine c = parseCommandLine(QStringList{u"orvo232"_s} + args, [] {
            return QList<PortListEntry>{{2, u"/dev/ttyUSB0"_s, QString()},
                                        {5, u"/dev/pts/3"_s, u"FT232R  FTDI  A1"_s}};
        });
        QCOMPARE(c.exitNow ? c.exitCode : -1, exitCode);
        QCOMPARE(c.err, err);
        if (c.exitNow)
            QVERIFY2(c.out.startsWith(out), qPrintable(c.out));
        else
            QCOMPARE(given(c), out);
    }

    // The log into a FIFO without a reader, whose reader stops reading or goes away never
    // holds or kills the program: SIGTERM closes it as a user's close does, the settings
    // saved and a folder in the place of options.ini reported on standard error.
    void logIntoAFifo()
    {
        for (const char *reader : {"none", "stops", "gone"}) {
            QTemporaryDir dir;
            Pty pty;
            const QString fifo = dir.filePath(u"fifo"_s), config = dir.filePath(u"orvo232"_s);
            const QByteArray name = QFile::encodeName(fifo);
            QVERIFY(::mkfifo(name, 0600) == 0 && QDir(config).mkpath(u"options.ini"_s));
            int fd = *reader == 'n' ? -1 : ::open(name, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
            QProcess program;
            QVERIFY(start(program, dir, pty, {u"--baud=1200"_s, u"--log"_s, fifo}));
            termios t{}; // the port is open at 1200 baud, and the log right after it
            QTRY_VERIFY_WITH_TIMEOUT(::tcgetattr(pty.slave(), &t) == 0 && cfgetispeed(&t) == B1200,
                                     20000);
            ::fcntl(pty.master(), F_SETFL, O_NONBLOCK); // a program killed fails the send
            if (QByteArray got; fd >= 0) {
                char buf[64];
                QVERIFY(pty.send("hello"));
                QTRY_VERIFY_WITH_TIMEOUT( // the log is open
                    (got += QByteArray(buf, qMax<ssize_t>(0, ::read(fd, buf, 64)))) == "hello",
                    20000);
                if (*reader == 'g')
                    ::close(std::exchange(fd, -1));
                QVERIFY(pty.send(QByteArray(256 * 1024, 'x'), 20000)); // more than a pipe holds
                int unread = -1; // until the program has read it all from the device
                QTRY_VERIFY_WITH_TIMEOUT(::ioctl(pty.slave(), FIONREAD, &unread) == 0 && !unread,
                                         20000);
                QVERIFY(!program.waitForFinished(2000)); // the log's write has not killed it
            }
            program.terminate();
            QVERIFY2(program.waitForFinished(20000), reader);
            QVERIFY(program.exitStatus() == QProcess::NormalExit && program.exitCode() == 0);
            QVERIFY(QFile::exists(config + u"/Orvo_RS232_ini"_s));
            QVERIFY(program.readAllStandardError().contains(
                "orvo232: Could not save " + QFile::encodeName(config) + "/options.ini: "));
            if (fd >= 0)
                ::close(fd);
        }
    }

    // A log write past the file size limit stops the log; the program goes on and still
    // closes normally on SIGTERM.
    void logPastFileSizeLimit()
    {
        QTemporaryDir dir;
        Pty pty;
        const QString log = dir.filePath(u"rx.log"_s);
        QProcess program;
        program.setChildProcessModifier([] {
            const rlimit limit{4096, 4096};
            ::setrlimit(RLIMIT_FSIZE, &limit);
        });
        QVERIFY(start(program, dir, pty, {u"--log"_s, log}));
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(log), 20000); // the port is open by then
        QVERIFY(pty.send(QByteArray(16384, 'x'), 20000));
        QTRY_COMPARE_WITH_TIMEOUT(QFileInfo(log).size(), qint64(4096), 20000);
        QVERIFY(pty.send(QByteArray(1024, 'y'), 20000));
        program.terminate();
        program.waitForFinished(20000);
        QCOMPARE(program.state(), QProcess::NotRunning);
        QCOMPARE(program.exitStatus(), QProcess::NormalExit); // not killed by the limit
        QCOMPARE(program.exitCode(), 0);
    }

    // SIGTERM while the device floods the port and goes on sending: all the program had read
    // is in the log, and the rest, still in the line, follows it; nothing went missing between.
    void sigtermInAFloodLosesNothing()
    {
        QTemporaryDir dir;
        Pty pty;
        const QString log = dir.filePath(u"rx.log"_s);
        QProcess program;
        QVERIFY(start(program, dir, pty, {u"--log"_s, log}));
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(log), 20000); // the port is open by then
        QByteArray sent(32 << 20, Qt::Uninitialized);
        QRandomGenerator(3).fillRange(reinterpret_cast<quint32 *>(sent.data()), sent.size() / 4);
        ::fcntl(pty.master(), F_SETFL, O_NONBLOCK);
        qsizetype written = 0;
        while (program.state() != QProcess::NotRunning) {
            const ssize_t n = ::write(pty.master(), sent.constData() + written,
                                      size_t(qMin<qsizetype>(65536, sent.size() - written)));
            if (n > 0 && written < (8 << 20) && written + n >= (8 << 20))
                program.terminate();
            written += qMax<ssize_t>(n, 0);
            if (n <= 0)
                program.waitForFinished(5);
        }
        QCOMPARE(program.exitCode(), 0);
        QVERIFY(readTestFile(log) + pty.unread() == sent.left(written));
    }
};

QTEST_GUILESS_MAIN(TestCommandLine)
#include "tst_commandline.moc"
