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

std::optional<qint64> comNumber(const QString &text)
{
    return positiveNumber(text, kMaxComNumber);
}

std::optional<qint64> baudRate(const QString &text)
{
    return positiveNumber(text, std::numeric_limits<qint32>::max());
}

std::optional<QString> fileName(const QString &text)
{
    return text.isEmpty() ? std::nullopt : std::optional(text);
}

// Reads every occurrence of an option; the last one given counts. The first value that
// parse refuses makes the error line, the value in place of any %1.
template <typename T, typename Parse>
bool takeEach(const QStringList &values, Parse parse, std::optional<T> &into, const QString &error,
              QString &err)
{
    for (const QString &value : values) {
        const auto parsed = parse(value);
        if (!parsed) {
            err = QString(error).replace(QStringLiteral("%1"), value);
            return false;
        }
        into = T(*parsed);
    }
    return true;
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
    const QCommandLineOption port(
        QStringLiteral("port"),
        QStringLiteral("Opens <ADDRESS> instead of the saved COM port: a COM number, a device "
                       "(/dev/ttyUSB0), tcp://HOST:PORT (raw bytes) or rfc2217://HOST:PORT."),
        QStringLiteral("ADDRESS"));
    const QCommandLineOption line(
        QStringLiteral("line"),
        QStringLiteral("Uses data bits, parity and stop bits <DPS> instead of the saved ones: "
                       "8N1, 7E1, 8N1.5 (parity N, O, E, M or S)."),
        QStringLiteral("DPS"));
    const QCommandLineOption flow(
        QStringLiteral("flow"),
        QStringLiteral(
            "Uses flow control <FLOW> (none, rtscts or xonxoff) instead of the saved one."),
        QStringLiteral("FLOW"));
    const QCommandLineOption script(
        QStringLiteral("script"),
        QStringLiteral("Runs the Lua script <FILE> without a window and exits with its code; the "
                       "arguments after -- go to the script."),
        QStringLiteral("FILE"));
    parser.addOptions({help, version, list, com, port, baud, line, flow, log, script});
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

    // All after the first "--" is the script's, taken as it stands.
    const qsizetype dashes = arguments.indexOf(QStringLiteral("--"), 1);
    const QStringList trailing = dashes < 0 ? QStringList() : arguments.sliced(dashes + 1);
    if (!parser.parse(dashes < 0 ? arguments : arguments.first(dashes)))
        return finished(2, QString(), parser.errorText());
    const QStringList unexpected =
        parser.positionalArguments() + (parser.isSet(script) ? QStringList() : trailing);
    if (!unexpected.isEmpty())
        return finished(2, QString(),
                        QStringLiteral("Unexpected argument '%1'.").arg(unexpected.constFirst()));
    if (parser.isSet(help))
        // The usage line names the program, whatever path started it.
        return finished(0, parser.helpText().replace(
                               0, parser.helpText().indexOf(u'\n'),
                               QStringLiteral("Usage: orvo232 [options] [-- script arguments]")));
    if (parser.isSet(version))
        return finished(0, QStringLiteral("orvo232 " ORVO_VERSION "\n"));

    CommandLine c;
    QString err;
    const QString comRange =
        QStringLiteral("a COM number from %1 to %2").arg(kMinComNumber).arg(kMaxComNumber);
    const bool valid =
        takeEach(parser.values(com), comNumber, c.comNumber,
                 QStringLiteral("--com needs %1, not '%2'.").arg(comRange, u"%1"), err) &&
        takeEach(parser.values(port), &PortAddress::parse, c.port,
                 QStringLiteral("--port needs %1, a device such as /dev/ttyUSB0, tcp://HOST:PORT "
                                "or rfc2217://HOST:PORT, not '%2'.")
                     .arg(comRange, u"%1"),
                 err) &&
        takeEach(parser.values(baud), baudRate, c.baudRate,
                 QStringLiteral("--baud needs a baud rate in whole numbers, not '%1'."), err) &&
        takeEach(parser.values(line), &parseFraming, c.framing,
                 QStringLiteral("--line needs data bits 5 to 8, parity N, O, E, M or S and stop "
                                "bits 1, 1.5 or 2, such as 8N1 or 7E1, not '%1'."),
                 err) &&
        takeEach(parser.values(flow), &parseFlowControl, c.flow,
                 QStringLiteral("--flow needs none, rtscts or xonxoff, not '%1'."), err) &&
        takeEach(parser.values(log), fileName, c.logPath,
                 QStringLiteral("--log needs a file name."), err) &&
        takeEach(parser.values(script), fileName, c.script,
                 QStringLiteral("--script needs a file name."), err);
    if (!valid)
        return finished(2, QString(), err);
    if (parser.isSet(com) && parser.isSet(port))
        return finished(2, QString(),
                        QStringLiteral("--com and --port both name the port: give one of them."));
    // A COM number is one whichever option gave it.
    if (c.port && c.port->kind == PortAddress::Kind::Com)
        c.comNumber = qint16(std::exchange(c.port, std::nullopt)->com);
    c.scriptArguments = trailing;
    if (parser.isSet(list)) {
        QString out;
        for (const PortListEntry &p : ports())
            out += QStringLiteral("COM%1\t%2\t%3\n").arg(p.comNumber).arg(p.device, p.description);
        return finished(0, out);
    }
    return c;
}
