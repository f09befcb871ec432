#pragma once

#include "platform/linesettings.h"
#include "platform/portaddress.h"
#include "platform/savefile.h"

#include <QList>
#include <QString>
#include <QStringList>

class QSettings;

// Options of this program kept apart from the settings file, whose records stay as they
// are: options.ini in the same folder.
struct UserOptions
{
    bool reconnectAutomatically = false;
    bool timestampLogLines = false;

    bool operator==(const UserOptions &) const = default;
};

// options.ini beside the settings file at settingsPath.
QString userOptionsPath(const QString &settingsPath);
// A missing or unreadable file gives the defaults.
UserOptions loadUserOptions(const QString &path);
// Says why when the file could not be written. Defaults create no file.
WriteResult saveUserOptions(const QString &path, const UserOptions &options);

// Each of the following has a section of its own in the options file at path, read and written
// by its owner alone. A missing file, or an entry that cannot be read, gives the default; a
// default leaves no entry and makes no file.

// [Line]: framing and flow control; the rate stays in the settings file.
LineSettings loadLineSettings(const QString &path);
WriteResult saveLineSettings(const QString &path, const LineSettings &settings);

// Lists of recent entries, the most recent first, each once: [RecentNetworkPorts] (network
// addresses only) and [RecentScripts].
inline constexpr qsizetype kRecentNetworkPorts = 8;
inline constexpr qsizetype kRecentScripts = 5;
QList<PortAddress> loadRecentNetworkPorts(const QString &path);
WriteResult saveRecentNetworkPorts(const QString &path, const QList<PortAddress> &addresses);
QStringList loadRecentScripts(const QString &path);
WriteResult saveRecentScripts(const QString &path, const QStringList &paths);
// Puts the entry first, once (an address however its host is spelt), and lets the oldest go
// past the limit.
void rememberNetworkPort(QList<PortAddress> &recent, const PortAddress &address);
void rememberScript(QStringList &recent, const QString &path);

// Writes what was set in an options file out and says why when that failed.
WriteResult syncOptions(QSettings &file);
