#include "terminal/useroptions.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>
#include <QSettings>

namespace {

const QString kReconnect = QStringLiteral("Port/reconnectAutomatically");
const QString kTimestamp = QStringLiteral("Log/timestampLines");

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
