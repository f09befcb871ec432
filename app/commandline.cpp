#include "app/commandline.h"

#include "platform/portnames.h"

#include <QCommandLineParser>

#include <limits>

namespace {

CommandLine finished(int code, const QString &out, const QString &err = QString())
{
    CommandLine c;
    c.exitNow = true;
    c.exitCode = code;
    c.out = out;
    c.err = err;
    return c;
}

// Whole decimal numbers from 1 to max; nothing else.
std::optional<qint64> positiveNumber(const QString &text, qint64 max)
{
    bool ok = false;
    const qint64 n = text.toLongLong(&ok);
    if (!ok || n < 1 || n > max || text.trimmed() != text || text.startsWith(u'+'))
        return std::nullopt;
    return n;
}

} // namespace

CommandLine parseCommandLine(const QStringList &arguments,
                             const std::function<QList<PortListEntry>()> &ports)
{
    QCommandLineParser parser;
    // -platform and the other Qt options are words after one dash, as Qt reads them.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.setApplicationDescription(QStringLiteral("Orvo-232 Communicator: RS-232 terminal"));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Prints this help and exits."));
    const QCommandLineOption version(QStringLiteral("version"),
                                     QStringLiteral("Prints the program's version and exits."));
    const QCommandLineOption list(QStringLiteral("list-ports"),
                                  QStringLiteral("Prints one line per serial port and exits."));
    const QCommandLineOption com(
        QStringLiteral("com"),
        QStringLiteral("Opens COM port <N> (1 to 255) instead of the saved one."),
        QStringLiteral("N"));
    const QCommandLineOption baud(QStringLiteral("baud"),
                                  QStringLiteral("Uses baud rate <RATE> instead of the saved one."),
                                  QStringLiteral("RATE"));
    const QCommandLineOption log(QStringLiteral("log"),
                                 QStringLiteral("Appends every byte received to <FILE>."),
                                 QStringLiteral("FILE"));
    parser.addOptions({help, version, list, com, baud, log});
    // Qt's own window options, which QApplication takes: accepted, not shown.
    for (const char *name : {"platform", "platformpluginpath", "platformtheme", "plugin",
                             "qwindowgeometry", "geometry", "qwindowtitle", "title", "qwindowicon",
                             "icon", "style", "stylesheet", "session", "display"}) {
        QCommandLineOption qt(QString::fromLatin1(name), QString(), QStringLiteral("value"));
        qt.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(qt);
    }
    for (const char *name : {"reverse", "widgetcount", "nograb", "dograb", "sync"}) {
        QCommandLineOption qt(QString::fromLatin1(name));
        qt.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(qt);
    }

    if (!parser.parse(arguments))
        return finished(2, QString(), parser.errorText());
    if (!parser.positionalArguments().isEmpty())
        return finished(2, QString(),
                        QStringLiteral("Unexpected argument '%1'.")
                            .arg(parser.positionalArguments().constFirst()));
    if (parser.isSet(help))
        // The usage line names the program, whatever path started it.
        return finished(0, parser.helpText().replace(0, parser.helpText().indexOf(u'\n'),
                                                     QStringLiteral("Usage: orvo232 [options]")));
    if (parser.isSet(version))
        return finished(0, QStringLiteral("orvo232 " ORVO_VERSION "\n"));

    // Every occurrence is checked; the last one given counts.
    CommandLine c;
    for (const QString &value : parser.values(com)) {
        const auto n = positiveNumber(value, kMaxComNumber);
        if (!n)
            return finished(2, QString(),
                            QStringLiteral("--com needs a COM number from %1 to %2, not '%3'.")
                                .arg(kMinComNumber)
                                .arg(kMaxComNumber)
                                .arg(value));
        c.comNumber = qint16(*n);
    }
    for (const QString &value : parser.values(baud)) {
        const auto n = positiveNumber(value, std::numeric_limits<qint32>::max());
        if (!n)
            return finished(
                2, QString(),
                QStringLiteral("--baud needs a baud rate in whole numbers, not '%1'.").arg(value));
        c.baudRate = qint32(*n);
    }
    for (const QString &value : parser.values(log)) {
        if (value.isEmpty())
            return finished(2, QString(), QStringLiteral("--log needs a file name."));
        c.logPath = value;
    }
    if (parser.isSet(list)) {
        QString out;
        for (const PortListEntry &p : ports())
            out += QStringLiteral("COM%1\t%2\t%3\n").arg(p.comNumber).arg(p.device, p.description);
        return finished(0, out);
    }
    return c;
}
