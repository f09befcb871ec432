#include "terminal/useroptions.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>
#include <QSettings>

#include <functional>

namespace {

const QString kReconnect = QStringLiteral("Port/reconnectAutomatically");
const QString kTimestamp = QStringLiteral("Log/timestampLines");
const QString kFraming = QStringLiteral("Line/framing");
const QString kFlow = QStringLiteral("Line/flow");
// A list is a section with the keys 1, 2, ... from the most recent.
const QString kRecentNetworkPortsGroup = QStringLiteral("RecentNetworkPorts");
const QString kRecentScriptsGroup = QStringLiteral("RecentScripts");

bool sameAddress(const PortAddress &a, const PortAddress &b)
{
    return a.toString().compare(b.toString(), Qt::CaseInsensitive) == 0;
}

template <typename T, typename Same>
void putFirst(QList<T> &list, const T &entry, qsizetype limit, Same same)
{
    list.removeIf([&](const T &e) { return same(e, entry); });
    list.prepend(entry);
    list.resize(qMin(list.size(), limit));
}

QStringList readList(const QString &path, const QString &group, qsizetype limit)
{
    const QSettings file(path, QSettings::IniFormat);
    QStringList texts;
    for (qsizetype i = 1; i <= limit; ++i) {
        const QString text = file.value(group + u'/' + QString::number(i)).toString();
        if (!text.isEmpty())
            texts << text;
    }
    return texts;
}

WriteResult writeList(const QString &path, const QString &group, const QStringList &texts)
{
    if (texts.isEmpty() && !QFileInfo::exists(path))
        return {};
    QSettings file(path, QSettings::IniFormat);
    file.remove(group);
    for (qsizetype i = 0; i < texts.size(); ++i)
        file.setValue(group + u'/' + QString::number(i + 1), texts[i]);
    return syncOptions(file);
}

} // namespace

QString userOptionsPath(const QString &settingsPath)
{
    return QFileInfo(settingsPath).absoluteDir().filePath(QStringLiteral("options.ini"));
}

UserOptions loadUserOptions(const QString &path)
{
    const QSettings file(path, QSettings::IniFormat);
    UserOptions o;
    o.reconnectAutomatically = file.value(kReconnect, false).toBool();
    o.timestampLogLines = file.value(kTimestamp, false).toBool();
    return o;
}

WriteResult saveUserOptions(const QString &path, const UserOptions &options)
{
    // A run that never changed them leaves the folder as it found it.
    if (options == UserOptions{} && !QFileInfo::exists(path))
        return {};
    QSettings file(path, QSettings::IniFormat);
    file.setValue(kReconnect, options.reconnectAutomatically);
    file.setValue(kTimestamp, options.timestampLogLines);
    return syncOptions(file);
}

LineSettings loadLineSettings(const QString &path)
{
    const QSettings file(path, QSettings::IniFormat);
    return {parseFraming(file.value(kFraming).toString()).value_or(Framing{}),
            parseFlowControl(file.value(kFlow).toString()).value_or(FlowControl::None)};
}

WriteResult saveLineSettings(const QString &path, const LineSettings &settings)
{
    if (settings == LineSettings{} && !QFileInfo::exists(path))
        return {};
    QSettings file(path, QSettings::IniFormat);
    if (settings.framing == Framing{})
        file.remove(kFraming);
    else
        file.setValue(kFraming, framingText(settings.framing));
    if (settings.flow == FlowControl::None)
        file.remove(kFlow);
    else
        file.setValue(kFlow, flowControlText(settings.flow));
    return syncOptions(file);
}

QList<PortAddress> loadRecentNetworkPorts(const QString &path)
{
    // From the oldest, so that of two equal entries the more recent stays.
    const QStringList texts = readList(path, kRecentNetworkPortsGroup, kRecentNetworkPorts);
    QList<PortAddress> recent;
    for (auto text = texts.crbegin(); text != texts.crend(); ++text) {
        const auto address = PortAddress::parse(*text);
        if (address && address->isNetwork())
            rememberNetworkPort(recent, *address);
    }
    return recent;
}

WriteResult saveRecentNetworkPorts(const QString &path, const QList<PortAddress> &addresses)
{
    QStringList texts;
    for (const PortAddress &a : addresses)
        texts << a.toString();
    return writeList(path, kRecentNetworkPortsGroup, texts);
}

QStringList loadRecentScripts(const QString &path)
{
    const QStringList texts = readList(path, kRecentScriptsGroup, kRecentScripts);
    QStringList recent;
    for (auto text = texts.crbegin(); text != texts.crend(); ++text)
        rememberScript(recent, *text);
    return recent;
}

WriteResult saveRecentScripts(const QString &path, const QStringList &paths)
{
    return writeList(path, kRecentScriptsGroup, paths);
}

void rememberNetworkPort(QList<PortAddress> &recent, const PortAddress &address)
{
    putFirst(recent, address, kRecentNetworkPorts, sameAddress);
}

void rememberScript(QStringList &recent, const QString &path)
{
    putFirst(recent, path, kRecentScripts, std::equal_to<QString>());
}

WriteResult syncOptions(QSettings &file)
{
    file.sync();
    if (file.status() != QSettings::AccessError)
        return {};
    // QSettings does not say why; an attempt to replace the file does.
    QSaveFile probe(file.fileName());
    if (!probe.open(QIODevice::WriteOnly))
        return {probe.errorString()};
    probe.cancelWriting();
    return {QStringLiteral("Unknown error")};
}
