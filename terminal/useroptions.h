#pragma once

#include "platform/savefile.h"

#include <QString>

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
// Writes what was set in an options file out and says why when that failed.
WriteResult syncOptions(QSettings &file);
