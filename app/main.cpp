#include "frmserial.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("orvo232"));
    QApplication::setApplicationDisplayName(QStringLiteral("Orvo-232 Communicator"));
    QApplication::setOrganizationName(QString());

    frmSerial window;
    window.show();
    return app.exec();
}
