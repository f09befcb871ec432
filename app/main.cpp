#include "app/commandline.h"
#include "app/headless.h"
#include "app/unixsignals.h"
#include "platform/portlist.h"
#include "platform/widgets/appicon.h"
#include "windows/mainwindow.h"

#include <QApplication>

#include <csignal>
#include <cstdio>

int main(int argc, char *argv[])
{
    // First of all, before anything that could wait.
    installSignalHandlers();
    // A pipe whose reader has gone (the session log into a FIFO) fails the write with EPIPE,
    // which is reported, instead of the signal killing the program.
    std::signal(SIGPIPE, SIG_IGN);

    // Set before anything asks for the configuration folder (the ports/comN links).
    QCoreApplication::setApplicationName(QStringLiteral("orvo232"));
    QCoreApplication::setOrganizationName(QString());

    // Past a file size limit (ulimit -f) a write then fails and is reported, e.g. by the
    // session log, instead of the signal killing the program with its unsaved settings.
    std::signal(SIGXFSZ, SIG_IGN);

    // The command line is read before any window system is needed: --list-ports works
    // without a display.
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    const CommandLine line = parseCommandLine(arguments, [] { return listSerialPorts(); });
    if (line.exitNow) {
        const QByteArray out = line.out.toLocal8Bit();
        std::fwrite(out.constData(), 1, size_t(out.size()), stdout);
        if (!line.err.isEmpty())
            std::fprintf(stderr, "orvo232: %s\n", line.err.toLocal8Bit().constData());
        return line.exitCode;
    }
    // No window at all: no display is needed.
    if (line.script)
        return runHeadless(line, argc, argv);

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("orvo232"));
    QApplication::setApplicationDisplayName(QStringLiteral("Orvo-232 Communicator"));
    QApplication::setOrganizationName(QString());
    QApplication::setDesktopFileName(QStringLiteral("orvo232"));
    QApplication::setWindowIcon(orvoIcon());

    // From here on a signal closes the window once the event loop runs.
    UnixSignalCloser closer;
    MainWindow window(
        defaultServices(),
        StartupOverrides{line.comNumber, line.baudRate, line.logPath, line.port,
                         [line](const LineSettings &saved) { return line.lineSettings(saved); }});
    QObject::connect(&closer, &UnixSignalCloser::terminateRequested, &window,
                     &MainWindow::closeOnSignal);
    window.show();
    return app.exec();
}
