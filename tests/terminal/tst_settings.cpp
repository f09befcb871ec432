// Start-up and shut-down of the main window with its settings file.
#include "fakecommport.h"
#include "frmserial.h"
#include "globals.h"
#include "testsupport.h"
#include "textbox.h"

#include <QAction>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <memory>
#include <sys/resource.h>

namespace {

QByteArray emptyTexts(int count)
{
    return QByteArray("\"\"\r\n").repeated(count);
}

// Every text and number record different from its neighbours.
QByteArray fullFile()
{
    QByteArray bytes;
    for (int page = 1; page <= 50; ++page) {
        for (int row = 0; row < 20; ++row) {
            bytes +=
                "\"desc " + QByteArray::number(page) + "/" + QByteArray::number(row) + "\"\r\n";
            bytes += "\"AT+" + QByteArray::number(page * 100 + row) + "\"\"q\"\"\xE9\"\r\n";
        }
    }
    return bytes +
           "\"tx zero\"\r\n\"tx, one\"\r\n\"1\"\r\n57600\r\n7\r\n3\r\n1\r\n2\r\n2\r\n1\r\n1\r\n";
}

} // namespace

class TestSettings : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;
    QString path() const { return dir.filePath(QStringLiteral("Orvo_RS232_ini")); }

    void putFile(const QByteArray &bytes)
    {
        QFile f(path());
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    QByteArray fileBytes() const
    {
        QFile f(path());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    }
    std::unique_ptr<frmSerial> open(bool refuseOpen = false)
    {
        Services s = testServices(dir.path());
        s.makeCommPort = [refuseOpen] {
            auto port = std::make_unique<FakeCommPort>();
            port->refuseOpen = refuseOpen;
            return port;
        };
        return std::make_unique<frmSerial>(s);
    }
    static FakeCommPort *fake(frmSerial &w) { return static_cast<FakeCommPort *>(w.MSComm1.get()); }

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void init()
    {
        resetGlobals();
        QFile::remove(path());
    }

    void firstRunUsesDefaultsAndWritesThem()
    {
        auto w = open();
        QCOMPARE(w->txt[0]->text(), QString());
        QCOMPARE(w->Text3->text(), QString());
        QCOMPARE(w->txtBaud->text(), QStringLiteral("9600"));
        QCOMPARE(w->txtCommport->text(), QStringLiteral("1"));
        QCOMPARE(mainFontSize, 1);
        QCOMPARE(hexFontSize, 0);
        QCOMPARE(w->SerialText->font().pointSizeF(), 10.0);
        QVERIFY(w->mnuFontSmall->isChecked());
        QCOMPARE(w->bankIndex, 1);
        QCOMPARE(fake(*w)->settings, QStringLiteral("9600,n,8,1"));
        QCOMPARE(fake(*w)->port, 1);
        QVERIFY(w->MSComm1->portOpen());
        QCOMPARE(backColor(w->lblConnect), QColor(255, 0, 0));
        QCOMPARE(w->txtStatus->text(), QString()); // nothing reported at start-up
        QCOMPARE(w->fileName, QString());

        w->close();
        QVERIFY(!w->MSComm1->portOpen());
        QCOMPARE(fileBytes(), emptyTexts(2003) + "9600\r\n1\r\n1\r\n0\r\n0\r\n0\r\n0\r\n0\r\n");
    }

    void everyRecordSurvivesARoundTrip()
    {
        const QByteArray original = fullFile();
        putFile(original);
        auto w = open();
        QCOMPARE(w->bankText2[1][0], QStringLiteral("desc 1/0"));
        QCOMPARE(w->bankText1[50][19], QStringLiteral("AT+5019\"q\"\u00e9"));
        QCOMPARE(w->txt[1]->text(), QStringLiteral("tx, one"));
        QCOMPARE(w->baudRate, 57600);
        QCOMPARE(w->commPort, 7);
        QCOMPARE(fake(*w)->port, 7);
        QCOMPARE(fake(*w)->settings, QStringLiteral("57600,n,8,1"));
        QCOMPARE(w->SerialText1->font().pointSizeF(), 22.0);
        QCOMPARE(w->txtSent->font().pointSizeF(), 22.0);
        QVERIFY(w->mnuFontLarge->isChecked());
        QVERIFY(!w->mnuFontSmall->isChecked());
        QVERIFY(w->mnuScroll->isChecked());
        QCOMPARE(w->silentCapture, 2);
        QVERIFY(!w->mnuSilent->isChecked()); // only 1 checks the item
        QCOMPARE(hexFontSize, 2);
        QVERIFY(w->mnuAutoClearTX->isChecked());
        QVERIFY(w->mnuTXSilent->isChecked());
        w->close();
        QCOMPARE(fileBytes(), original);
    }

    void rangeRulesAtStartUp_data()
    {
        QTest::addColumn<QByteArray>("numbers");
        QTest::addColumn<QString>("baud");
        QTest::addColumn<QString>("port");
        QTest::addColumn<double>("points");
        QTest::newRow("lowest baud") << QByteArray("110\r\n16\r\n2") << "110"
                                     << "16" << 14.0;
        QTest::newRow("115200") << QByteArray("115200\r\n3\r\n1") << "115200"
                                << "3" << 10.0;
        QTest::newRow("highest baud") << QByteArray("116000\r\n1\r\n3") << "116000"
                                      << "1" << 22.0;
        QTest::newRow("too slow, port 0") << QByteArray("109\r\n0\r\n0") << "9600"
                                          << "1" << 10.0;
        QTest::newRow("too fast, port 17") << QByteArray("116001\r\n17\r\n4") << "9600"
                                           << "1" << 8.25;
        QTest::newRow("malformed") << QByteArray("fast\r\nx\r\n-1") << "9600"
                                   << "1" << 8.25;
    }
    void rangeRulesAtStartUp()
    {
        QFETCH(QByteArray, numbers);
        QFETCH(QString, baud);
        QFETCH(QString, port);
        QFETCH(double, points);
        putFile(emptyTexts(2003) + numbers + "\r\n");
        auto w = open();
        QCOMPARE(w->txtBaud->text(), baud);
        QCOMPARE(w->txtCommport->text(), port);
        QCOMPARE(w->SerialText->font().pointSizeF(), points);
        // An unknown font choice leaves the design's check mark.
        QCOMPARE(w->mnuFontSmall->isChecked(), points == 10.0 || points == 8.25);
    }

    void missingTextRecordsTakeThePreviousOne()
    {
        putFile(emptyTexts(2000) + "\"only\"\r\n");
        auto w = open();
        QCOMPARE(w->txt[0]->text(), QStringLiteral("only"));
        QCOMPARE(w->txt[1]->text(), QStringLiteral("only"));
        QCOMPARE(w->Text3->text(), QStringLiteral("only"));
        QCOMPARE(w->txtBaud->text(), QStringLiteral("9600"));
    }

    void unloadTakesTheBaudAsTyped()
    {
        auto w = open();
        w->txtBaud->setText(QStringLiteral("fast"));
        w->close();
        QVERIFY(fileBytes().endsWith("\"\"\r\n0\r\n1\r\n1\r\n0\r\n0\r\n0\r\n0\r\n0\r\n"));
        w = open();
        QCOMPARE(w->txtBaud->text(), QStringLiteral("9600"));
        w->txtBaud->setText(QStringLiteral("300.5 baud"));
        w->txtCommport->setText(QStringLiteral("40"));
        w->close();
        QVERIFY(fileBytes().endsWith("\"\"\r\n300\r\n40\r\n1\r\n0\r\n0\r\n0\r\n0\r\n0\r\n"));
    }

    void busyPortAtStartUpIsSilent()
    {
        auto w = open(true);
        QVERIFY(!w->MSComm1->portOpen());
        QCOMPARE(backColor(w->lblConnect), QColor(255, 255, 255));
        QCOMPARE(w->txtStatus->text(), QString());
    }

    void failedWriteAtCloseKeepsTheOldFile()
    {
        putFile(fullFile());
        auto w = open();
        w->txt[0]->setText(QStringLiteral("changed"));
        struct rlimit old
        {
        };
        QCOMPARE(getrlimit(RLIMIT_FSIZE, &old), 0);
        const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        struct rlimit small = old;
        small.rlim_cur = 4096;
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
        w->close(); // closing proceeds
        setrlimit(RLIMIT_FSIZE, &old);
        std::signal(SIGXFSZ, oldHandler);
        QCOMPARE(fileBytes(), fullFile());
    }
};

QTEST_MAIN(TestSettings)
#include "tst_settings.moc"
