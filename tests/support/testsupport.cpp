#include "testsupport.h"

#include "messagebox.h"

#include <QDir>

Services testServices(const QString &folder)
{
    Services s;
    s.settingsPath = QDir(folder).filePath(QStringLiteral("Orvo_RS232_ini"));
    s.programFolder = folder;
    return s;
}
