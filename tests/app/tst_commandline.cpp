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

private slots:
    void options_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("exitCode"); // -1: the window opens
        QTest::addColumn<QString>("out");  // the start of standard output, or the overrides
        QTest::addColumn<QString>("err");
        QTest::newRow("none") << QStringList{} << -1 << u"- -"_s << QString();
        QTest::newRow("help") << QStringList{u"--help"_s} << 0 << u"Usage: orvo232"_s << QString();
        QTest::newRow("version") << QStringList{u"--version"_s} << 0
                                 << u"orvo232 " ORVO_VERSION "\n"_s << QString();
        QTest::newRow("list") << QStringList{u"--list-ports"_s} << 0
                              << u"COM2\t/dev/ttyUSB0\t\nCOM5\t/dev/pts/3\tFT232R  FTDI  A1\n"_s
                              << QString();
        QTest::newRow("all") << QStringList{u"--com"_s, u"12"_s, u"--baud=921600"_s, u"--log=a b"_s}
                             << -1 << u"12 921600 a b"_s << QString();
        QTest::newRow("com") << QStringList{u"--com=3"_s} << -1 << u"3 -"_s << QString();
        QTest::newRow("baud") << QStringList{u"--baud"_s, u"300"_s} << -1 << u"- 300"_s
                              << QString();
        QTest::newRow("qt option")
            << QStringList{u"-platform"_s, u"offscreen"_s} << -1 << u"- -"_s << QString();
        QTest::newRow("log no value")
            << QStringList{u"--log"_s} << 2 << QString() << u"Missing value after '--log'."_s;
        QTest::newRow("unknown") << QStringList{u"--logfile=x"_s} << 2 << QString()
                                 << u"Unknown option 'logfile'."_s;
        QTest::newRow("com text") << QStringList{u"--com"_s, u"x1"_s} << 2 << QString()
                                  << u"--com needs a COM number from 1 to 255, not 'x1'."_s;
        QTest::newRow("com range") << QStringList{u"--com=256"_s} << 2 << QString()
                                   << u"--com needs a COM number from 1 to 255, not '256'."_s;
        // Every occurrence is checked.
        QTest::newRow("com twice") << QStringList{u"--com=3x"_s, u"--com=4"_s} << 2 << QString()
                                   << u"--com needs a COM number from 1 to 255, not '3x'."_s;
        QTest::newRow("baud twice")
            << QStringList{u"--baud"_s, u"-1"_s, u"--baud=9600"_s} << 2 << QString()
            << u"--baud needs a baud rate in whole numbers, not '-1'."_s;
        QTest::newRow("log empty")
            << QStringList{u"--log="_s} << 2 << QString() << u"--log needs a file name."_s;
        QTest::newRow("baud text") << QStringList{u"--baud=9600,n,8,1"_s} << 2 << QString()
                                   << u"--baud needs a baud rate in whole numbers, not "
                                      "'9600,n,8,1'."_s;
        QTest::newRow("no value") << QStringList{u"--baud"_s} << 2 << QString()
                                  << u"Missing value after '--baud'."_s;
        QTest::newRow("argument") << QStringList{u"COM3"_s} << 2 << QString()
                                  << u"Unexpected argument 'COM3'."_s;
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
        const auto shown = [](auto v) { return v ? QString::number(*v) : u"-"_s; };
        const QString overrides =
            shown(c.comNumber) + u' ' + shown(c.baudRate) + u' ' + c.logPath.value_or(u"-"_s);
        QVERIFY2((c.exitNow ? c.out : overrides).startsWith(out), qPrintable(c.out));
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
