#include "tests/support/testsupport.h"

#include "tests/support/fakes.h"

#include <QDir>

Services testServices(const QString &folder)
{
    Services s;
    s.settingsPath = QDir(folder).filePath(QStringLiteral("Orvo_RS232_ini"));
    s.programFolder = folder;
    s.makeFileDialog = [](QWidget *) { return std::make_unique<FakeDialog>(); };
    auto box = std::make_shared<FakeMessageBox>();
    s.makeMessageBox = [box](QWidget *) { return box; };
    return s;
}
