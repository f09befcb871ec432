// Start-up values from the command line reach the boxes and the port in place of those of
// the settings file; what is not given still comes from the file.
#include "platform/savefile.h"
#include "platform/widgets/textbox.h"
#include "terminal/settingsfile.h"
#include "tests/support/fakecommport.h"
#include "tests/support/fakes.h"
#include "tests/support/testsupport.h"
#include "windows/mainsession.h"
#include "windows/mainwindow.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

LineSettings parseLineSettings(const QString &label)
{
    return label.startsWith(u'7') ? LineSettings{*parseFraming(u"7E1"_s), FlowControl::RtsCts}
                                  : LineSettings{};
}

} // namespace

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
        QTest::addColumn<QString>("label");
        const QString defaults = u"8,N,1 no control"_s;
        QTest::newRow("none") << StartupOverrides{} << u"3"_s << u"19200"_s << defaults;
        QTest::newRow("both") << StartupOverrides{12, 921600} << u"12"_s << u"921600"_s << defaults;
        QTest::newRow("com") << StartupOverrides{5, std::nullopt} << u"5"_s << u"19200"_s
                             << defaults;
        QTest::newRow("baud") << StartupOverrides{std::nullopt, 300} << u"3"_s << u"300"_s
                              << defaults;
        // --port, --line and --flow: the COM box keeps its number.
        QTest::newRow("port and line")
            << StartupOverrides{std::nullopt, std::nullopt, std::nullopt,
                                PortAddress::parse(u"tcp://127.0.0.1:4001"_s),
                                [](const LineSettings &) {
                                    return LineSettings{*parseFraming(u"7E1"_s),
                                                        FlowControl::RtsCts};
                                }}
            << u"3"_s << u"19200"_s << u"7,E,1 RTS/CTS"_s;
    }
    void overridesReachTheBoxes()
    {
        QFETCH(StartupOverrides, overrides);
        QFETCH(QString, com);
        QFETCH(QString, baud);
        QFETCH(QString, label);
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
        QCOMPARE(port->address, overrides.port.value_or(PortAddress::ofCom(com.toInt())));
        QCOMPARE(port->settings, parseLineSettings(label).at(baud.toInt()));
        QCOMPARE(w.ui.frameFormatLabel->text(), label);
    }

    // --log opens the log at start-up; the menu item stops it, asks for a file and starts it.
    void logFromStartAndMenu()
    {
        QTemporaryDir dir;
        QVERIFY(QDir::setCurrent(dir.path()));
        Services s = testServices(dir.path());
        FakeDialog *dialog = nullptr; // the last one made is the log's
        s.makeFileDialog = [&](QWidget *) {
            return std::unique_ptr<FileDialog>(dialog = new FakeDialog);
        };
        MainWindow w(s, StartupOverrides{std::nullopt, std::nullopt, u"run.log"_s});
        QAction *item = w.ui.logReceivedAction;
        QVERIFY(item->isChecked() && w.session().log.path() == dir.filePath(u"run.log"_s));
        dialog->answer = dir.filePath(u"run.log"_s);
        const std::pair<bool, bool> steps[] = {{false, false}, {true, false}, {false, true}};
        for (auto [cancel, open] : steps) { // stop; cancel the dialog; start
            dialog->cancel = cancel;
            item->trigger();
            QVERIFY(item->isChecked() == open && w.session().log.isOpen() == open);
        }
        QVERIFY(dialog->requests.size() == 2 &&
                dialog->requests[1].mode == FileDialogMode::SaveAppending);
        // Never into the settings file or options.ini, however spelt: both are replaced at
        // close. (The settings file is not made yet: a first run.)
        QVERIFY(QFile::link(dir.path(), u"here"_s) &&
                QFile(u"options.ini"_s).open(QFile::WriteOnly));
        item->trigger(); // stops the log
        for (const QString &file :
             {u"../%1/Orvo_RS232_ini"_s.arg(QDir::current().dirName()), u"here/options.ini"_s}) {
            dialog->answer = file;
            item->trigger();
            QVERIFY(!item->isChecked() && !w.session().log.isOpen());
            QVERIFY(
                w.ui.statusPane->text().endsWith(u"Log not opened: %1: it is the %2 file\r\n"_s.arg(
                    QFileInfo(file).absoluteFilePath(),
                    file.contains(u"Orvo"_s) ? u"settings"_s : u"options"_s)));
        }
        w.ui.timestampLogAction->trigger();
        QVERIFY(w.session().log.timestamps());
        w.close();
        QVERIFY(!w.session().log.isOpen());
    }
};

QTEST_MAIN(TestCommandLineWindow)
#include "tst_commandline_window.moc"
