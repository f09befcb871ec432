#include "appicon.h"
#include "mainwindow.h"
#include "unixsignals.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("orvo232"));
    QApplication::setApplicationDisplayName(QStringLiteral("Orvo-232 Communicator"));
    QApplication::setOrganizationName(QString());
    QApplication::setDesktopFileName(QStringLiteral("orvo232"));
    QApplication::setWindowIcon(orvoIcon());

    MainWindow window;
    UnixSignalCloser closer;
    QObject::connect(&closer, &UnixSignalCloser::terminateRequested, &window,
                     &MainWindow::closeOnSignal);
    window.show();
    return app.exec();
}
