#include "frmserial.h"
#include "testsupport.h"

#include <QLabel>
#include <QTemporaryDir>
#include <QtTest>

class TestWindow : public QObject
{
    Q_OBJECT
private slots:
    void opensWithTitleAndClientArea()
    {
        QTemporaryDir dir;
        frmSerial w(testServices(dir.path()));
        QCOMPARE(w.windowTitle(), QStringLiteral("Orvo-232 Communicator"));
        QCOMPARE(w.client->size(), QSize(723, 699));
    }
};

QTEST_MAIN(TestWindow)
#include "tst_window.moc"
