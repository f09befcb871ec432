// The command line: each option, the port list's lines and the error exit; and the program
// itself started with --log under a file size limit.
#include "app/commandline.h"
#include "tests/support/ptydevice.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <sys/resource.h>

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
                                  << u"--com needs a COM number from 1 to 32767, not 'x1'."_s;
        QTest::newRow("com range") << QStringList{u"--com=40000"_s} << 2 << QString()
                                   << u"--com needs a COM number from 1 to 32767, not '40000'."_s;
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
