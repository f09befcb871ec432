// The command line: each option, the port list's lines and the error exit; and the program
// itself started with --log under a file size limit, into a FIFO or a pipe.
#include "app/commandline.h"
#include "tests/support/ptydevice.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/stat.h>

using namespace Qt::StringLiterals;

class TestCommandLine : public QObject
{
    Q_OBJECT

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
        // Every occurrence counts, the last one given wins.
        QTest::newRow("com twice") << QStringList{u"--com=3x"_s, u"--com=4"_s} << 2 << QString()
                                   << u"--com needs a COM number from 1 to 255, not '3x'."_s;
        QTest::newRow("baud twice")
            << QStringList{u"--baud"_s, u"-1"_s, u"--baud=9600"_s} << 2 << QString()
            << u"--baud needs a baud rate in whole numbers, not '-1'."_s;
        QTest::newRow("last wins")
            << QStringList{u"--com=3"_s, u"--com=255"_s, u"--log=a"_s, u"--log=b"_s} << -1
            << u"255 - b"_s << QString();
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

    // The log into a FIFO without a reader, one whose reader stops reading, or a pipe whose
    // reader goes away never holds or kills the program: SIGTERM then closes it as a user's
    // close does, and a folder in the place of options.ini is reported on standard error.
    void logIntoFifoOrPipe_data()
    {
        QTest::addColumn<QString>("reader");
        QTest::newRow("no reader") << u"none"_s;
        QTest::newRow("reader stops") << u"stops"_s;
        QTest::newRow("reader gone") << u"gone"_s;
    }
    void logIntoFifoOrPipe()
    {
        QFETCH(QString, reader);
        QTemporaryDir dir;
        Pty pty;
        const QString config = dir.filePath(u"orvo232"_s), fifo = dir.filePath(u"fifo"_s);
        QVERIFY(dir.isValid() && pty.isOpen() && QDir(config).mkpath(u"ports"_s));
        QVERIFY(QDir(config).mkpath(u"options.ini"_s));
        QVERIFY(QFile::link(pty.slavePath(), config + u"/ports/com1"_s));
        QVERIFY(::mkfifo(QFile::encodeName(fifo).constData(), 0600) == 0);
        int fd = reader == u"none"_s ? -1
                                     : ::open(QFile::encodeName(fifo).constData(),
                                              O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        QProcess program;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(u"XDG_CONFIG_HOME"_s, dir.path());
        env.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
        program.setProcessEnvironment(env);
        program.start(QCoreApplication::applicationDirPath() + u"/orvo232"_s,
                      {u"--com"_s, u"1"_s, u"--baud"_s, u"1200"_s, u"--log"_s, fifo});
        QVERIFY(program.waitForStarted());
        // The port is open at 1200 baud (then the log too, right after it).
        const auto portOpen = [&pty] {
            termios t{};
            return ::tcgetattr(pty.slave(), &t) == 0 && ::cfgetispeed(&t) == B1200;
        };
        QTRY_VERIFY_WITH_TIMEOUT(portOpen(), 20000);
        if (reader != u"none"_s) {
            ::fcntl(pty.master(), F_SETFL, O_NONBLOCK); // a program killed fails the send
            QVERIFY(pty.send("hello"));
            QByteArray got;
            char buf[16];
            QTRY_VERIFY_WITH_TIMEOUT(
                (got += QByteArray(buf, qMax<ssize_t>(0, ::read(fd, buf, sizeof buf))))
                    .contains("hello"),
                20000);
            if (reader == u"gone"_s)
                ::close(std::exchange(fd, -1));
            QVERIFY(pty.send(QByteArray(256 * 1024, 'x'), 20000)); // more than a pipe holds
            // The program has read it all from the device.
            int unread = -1;
            QTRY_VERIFY_WITH_TIMEOUT(::ioctl(pty.slave(), FIONREAD, &unread) == 0 && unread == 0,
                                     20000);
            QVERIFY(!program.waitForFinished(2000)); // the log's write has not killed it
        }
        program.terminate();
        QVERIFY(program.waitForFinished(20000));
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), 0);
        if (fd >= 0)
            ::close(fd);
        QVERIFY(QFile::exists(config + u"/Orvo_RS232_ini"_s)); // the settings were saved
        const QString err = QString::fromLocal8Bit(program.readAllStandardError());
        QVERIFY2(err.contains(u"orvo232: Could not save %1/options.ini: "_s.arg(config)),
                 qPrintable(err));
    }

    // A log write past the file size limit stops the log; the program goes on and still
    // closes normally on SIGTERM.
    void logPastFileSizeLimit()
    {
        QTemporaryDir dir;
        Pty pty;
        QVERIFY(dir.isValid() && pty.isOpen() && QDir(dir.path()).mkpath(u"orvo232/ports"_s));
        QVERIFY(QFile::link(pty.slavePath(), dir.filePath(u"orvo232/ports/com1"_s)));
        const QString log = dir.filePath(u"rx.log"_s);
        QProcess program;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(u"XDG_CONFIG_HOME"_s, dir.path());
        env.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
        program.setProcessEnvironment(env);
        program.setChildProcessModifier([] {
            const rlimit limit{4096, 4096};
            ::setrlimit(RLIMIT_FSIZE, &limit);
        });
        program.start(QCoreApplication::applicationDirPath() + u"/orvo232"_s,
                      {u"--com"_s, u"1"_s, u"--log"_s, log});
        QVERIFY(program.waitForStarted());
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
};

QTEST_GUILESS_MAIN(TestCommandLine)
#include "tst_commandline.moc"
