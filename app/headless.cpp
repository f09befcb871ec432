#include "app/headless.h"

#include "app/commandline.h"
#include "app/unixsignals.h"
#include "platform/qtcommport.h"
#include "platform/widgets/services.h"
#include "scripting/headlesssession.h"
#include "terminal/sessionsettings.h"
#include "terminal/settingsfile.h"
#include "terminal/useroptions.h"

#include <QCoreApplication>

#include <cstdio>

int runHeadless(const CommandLine &line, int &argc, char **argv)
{
    QCoreApplication app(argc, argv);
    // A signal from here on stops the script, and the port and the log close.
    UnixSignalCloser closer;

    const QString settingsPath = defaultSettingsPath();
    const StartupValues saved =
        startupValues(readSettingsFile(settingsPath).value_or(SettingsRecords{}));
    const QString optionsPath = userOptionsPath(settingsPath);
    const PortAddress address =
        line.port.value_or(PortAddress::ofCom(line.comNumber.value_or(saved.comNumber)));
    const PortSettings settings =
        line.lineSettings(loadLineSettings(optionsPath)).at(line.baudRate.value_or(saved.baudRate));

    HeadlessSession session(makeQtCommPort(), stdout, stderr);
    if (!session.openPort(address, settings))
        return 1;
    if (line.logPath) {
        SessionLog &log = session.log();
        log.protect(settingsPath, QStringLiteral("settings file"));
        log.protect(optionsPath, QStringLiteral("options file"));
        log.setTimestamps(loadUserOptions(optionsPath).timestampLogLines);
        if (!log.open(*line.logPath))
            return 1;
    }
    QObject::connect(&closer, &UnixSignalCloser::terminateRequested, &session,
                     [&session](int signalNumber) { session.stop(128 + signalNumber); });
    QObject::connect(&session, &HeadlessSession::finished, &app,
                     [](int code) { QCoreApplication::exit(code); });
    session.start(*line.script, line.scriptArguments);
    const int code = QCoreApplication::exec();
    session.close();
    return code;
}
