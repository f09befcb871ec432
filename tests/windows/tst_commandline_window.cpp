// Start-up values from the command line reach the boxes and the port in place of those of
// the settings file; what is not given still comes from the file.
#include "fakecommport.h"
#include "fakes.h"
#include "mainsession.h"
#include "mainwindow.h"
#include "ptydevice.h"
#include "qtcommport.h"
#include "samples.h"
#include "savefile.h"
#include "settingsfile.h"
#include "testsupport.h"
#include "textbox.h"

#include <QAction>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QtTest>

using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(StartupOverrides)

class TestCommandLineWindow : public QObject
{
    Q_OBJECT

private slots:
    void overridesReachTheBoxes_data()
    {
        QTest::addColumn<StartupOverrides>("overrides");
        QTest::addColumn<QString>("com");
        QTest::addColumn<QString>("baud");
        QTest::newRow("none") << StartupOverrides{} << u"3"_s << u"19200"_s;
        QTest::newRow("both") << StartupOverrides{12, 921600} << u"12"_s << u"921600"_s;
        QTest::newRow("com") << StartupOverrides{5, std::nullopt} << u"5"_s << u"19200"_s;
        QTest::newRow("baud") << StartupOverrides{std::nullopt, 300} << u"3"_s << u"300"_s;
    }
    void overridesReachTheBoxes()
    {
        QFETCH(StartupOverrides, overrides);
        QFETCH(QString, com);
        QFETCH(QString, baud);
        QTemporaryDir dir;
        Services s = testServices(dir.path());
        s.settingsPath = dir.filePath(u"Orvo_RS232_ini"_s);
        SettingsRecords file;
        file.baudRate = 19200;
        file.commPort = 3;
        QVERIFY(writeFileSafely(s.settingsPath, formatSettings(file)));
        FakeCommPort *port = nullptr;
        s.makeCommPort = [&port] {
            auto p = std::make_unique<FakeCommPort>();
            port = p.get();
            return p;
        };
        MainWindow w(s, overrides);
        QCOMPARE(w.ui.comNumberBox->text(), com);
        QCOMPARE(w.ui.baudRateBox->text(), baud);
        QCOMPARE(port->port, com.toInt());
        QCOMPARE(port->settings, baud + u",n,8,1"_s);
    }

    // --log opens the log at start-up; the menu item stops it, asks for a file and starts it.
    void logFromStartAndMenu()
    {
        QStandardPaths::setTestModeEnabled(true);
        QTemporaryDir dir;
        Pty pty;
        QVERIFY(linkComPort(1, pty.slavePath()));
        Services s = testServices(dir.path());
        s.makeCommPort = [] { return makeQtCommPort(); };
        FakeDialog *dialog = nullptr; // the last one made is the log's
        s.makeFileDialog = [&dialog](QWidget *) {
            auto d = std::make_unique<FakeDialog>();
            dialog = d.get();
            return d;
        };
        QVERIFY(QDir::setCurrent(dir.path()));
        MainWindow w(s, StartupOverrides{std::nullopt, std::nullopt, u"run.log"_s});
        QAction *item = w.ui.logReceivedAction;
        const auto file = [&dir] { return readTestFile(dir.filePath(u"run.log"_s)); };
        QVERIFY(item->isChecked());
        QVERIFY(pty.send("one\n"));
        QTRY_COMPARE(file(), "one\n");
        item->trigger();
        QVERIFY(!item->isChecked() && !w.session().log.isOpen());
        QVERIFY(w.ui.statusPane->text().endsWith(u"Log closed (4 bytes)\r\n"_s));
        dialog->result = CommonDialog::cdlCancel;
        item->trigger();
        QVERIFY(!item->isChecked() && !w.session().log.isOpen());
        dialog->result = 0;
        dialog->answer = dir.filePath(u"run.log"_s);
        item->trigger();
        QVERIFY(item->isChecked() && w.session().log.isOpen());
        QVERIFY(dialog->flagsSeen.last() & CommonDialog::cdlAppends);
        w.ui.timestampLogAction->trigger();
        QVERIFY(pty.send("two\n"));
        QTRY_VERIFY(file().startsWith("one\n[") && file().endsWith("] two\n"));
        w.close();
        QVERIFY(!w.session().log.isOpen());
    }
};

QTEST_MAIN(TestCommandLineWindow)
#include "tst_commandline_window.moc"
