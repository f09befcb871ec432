#include "platform/widgets/services.h"

#include "platform/commport.h"
#include "platform/filedialog.h"
#include "platform/messagebox.h"
#include "platform/printer.h"
#include "platform/qtcommport.h"
#include "platform/widgets/qtfiledialog.h"
#include "platform/widgets/qtmessagebox.h"
#include "platform/widgets/qtprinter.h"

#include <QCoreApplication>
#include <QDir>
#include <QStandardPaths>

Services defaultServices()
{
    Services s;
    s.makeCommPort = [] { return makeQtCommPort(); };
    s.makeFileDialog = [](QWidget *parent) { return makeQtFileDialog(parent); };
    s.makePrinter = [](QWidget *parent) { return makeQtPrinter(parent); };
    s.makeMessageBox = [](QWidget *parent) { return std::make_shared<QtMessageBox>(parent); };
    return s;
}

QString defaultSettingsPath()
{
    const QString dir = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
    return QDir(dir).filePath(QStringLiteral("Orvo_RS232_ini"));
}

QString programFolder(const Services &services)
{
    if (!services.programFolder.isEmpty())
        return services.programFolder;
    // Beside the executable in the build tree; installed, Help.txt lies in share/orvo232.
    const QDir exe(QCoreApplication::applicationDirPath());
    if (exe.exists(QStringLiteral("Help.txt")))
        return exe.path();
    const QString installed = exe.filePath(QStringLiteral("../share/orvo232"));
    if (QDir(installed).exists(QStringLiteral("Help.txt")))
        return QDir::cleanPath(installed);
    return exe.path();
}
