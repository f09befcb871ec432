// The Port menu bound to the window: port items made as it opens, the output lines and
// the break on the port, and the options kept in options.ini across runs.
#include "platform/widgets/textbox.h"
#include "tests/support/fakecommport.h"
#include "tests/support/fakes.h"
#include "tests/support/ptywindow.h"
#include "tests/support/samples.h"
#include "tests/support/testsupport.h"
#include "windows/mainsession.h"
#include "windows/mainwindow.h"

#include <QAction>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QtTest>

using namespace Qt::StringLiterals;
using Ports = QList<PortListEntry>;

class TestPortMenuWindow : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;
    std::shared_ptr<FakeMessageBox> messages; // the last window's

    std::unique_ptr<MainWindow> open(std::function<Ports()> listPorts = {})
    {
        Services s = testServices(dir.path());
        messages = std::static_pointer_cast<FakeMessageBox>(s.makeMessageBox(nullptr));
        s.makeCommPort = [] { return std::make_unique<FakeCommPort>(); };
        s.listPorts = std::move(listPorts);
        return std::make_unique<MainWindow>(s);
    }
    static FakeCommPort &fake(MainWindow &w)
    {
        return static_cast<FakeCommPort &>(*w.session().port.port());
    }
    // The menu as it opens: the port items, then the line items ("-" disabled, "+" checked).
    static QString shown(MainWindow &w)
    {
        emit w.ui.portMenu->aboutToShow();
        QList<QAction *> items = w.ui.portMenu->actions();
        items = items.mid(0, items.indexOf(w.ui.portItemsEnd));
        QStringList out;
        for (QAction *a : items + QList{w.ui.dtrAction, w.ui.rtsAction, w.ui.sendBreakAction})
            out << (a->isEnabled() ? "" : "-") + a->text() + (a->isChecked() ? "+" : "");
        return out.join(u',');
    }

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void portItemsAndLines_data()
    {
        QTest::addColumn<Ports>("ports");
        QTest::addColumn<QString>("expected");
        QTest::newRow("none") << Ports{} << "-No Serial Ports Found";
        QTest::newRow("described, '&' literal")
            << Ports{{2, "/dev/ttyUSB0", "Maker & Co  ABC1"}, {7, "/dev/a&b", ""}}
            << "COM2  /dev/ttyUSB0  Maker && Co  ABC1,COM7  /dev/a&&b";
    }
    void portItemsAndLines()
    {
        QFETCH(Ports, ports);
        QFETCH(QString, expected);
        auto w = open([&ports] { return ports; });
        QCOMPARE(shown(*w), expected + ",&DTR+,&RTS+,Send &Break");
        FakeCommPort &port = fake(*w);
        w->ui.dtrAction->trigger();
        w->ui.sendBreakAction->trigger();
        QVERIFY(!port.dtr && port.rts);
        QCOMPARE(port.breaks, QList<int>{250});
        port.dtr = true;
        port.rts = false; // the marks show the port, made afresh each time
        QCOMPARE(shown(*w), expected + ",&DTR+,&RTS,Send &Break");
        w->ui.disconnectButton->click();
        QCOMPARE(shown(*w), expected + ",-&DTR,-&RTS,-Send &Break");
    }

    // A port chosen while one is open is switched to at once, the old one let go.
    void linkedPtysAreListedAndChosen()
    {
        PtyWindow one;
        Pty nine;
        QVERIFY(linkComPort(9, nine.slavePath()));
        MainWindow &w = *one.w;
        const QString items = shown(w), nineItem = "COM9  " + nine.slavePath();
        QVERIFY2(items.startsWith("COM1  " + one.pty.slavePath() + ',' + nineItem),
                 qPrintable(items));
        w.ui.statusPane->setText({});
        for (QAction *a : w.ui.portMenu->actions()) // as made when the menu opened
            if (a->text() == nineItem)
                a->trigger();
        QCOMPARE(w.ui.comNumberBox->text(), "9");
        QCOMPARE(w.ui.statusPane->text(), "COM Port Disconnected\r\nCom Port Connected.\r\n");
        QVERIFY(w.session().port.output("x") == 1 && nine.receiveUntilQuiet() == "x");
        const auto other = makeQtCommPort();
        QVERIFY(other->open(PortAddress::ofCom(1), {}).ok()); // COM1 was let go
        QFile::remove(comPortLink(1));
        QFile::remove(comPortLink(9));
    }

    void optionsKeptBesideTheSettingsFile()
    {
        const QString settings = testServices(dir.path()).settingsPath;
        auto w = open();
        w->close();
        const QByteArray records = readTestFile(settings);
        w = open();
        w->ui.reconnectAutomaticallyAction->trigger();
        w->ui.timestampLogAction->trigger();
        w->close();
        QCOMPARE(readTestFile(settings), records);

        w = open();
        QVERIFY(w->ui.reconnectAutomaticallyAction->isChecked() &&
                w->ui.timestampLogAction->isChecked() && w->session().log.timestamps());
        fake(*w).loseDevice();
        QVERIFY(w->session().autoReconnect.waiting());
        w->ui.disconnectButton->click();
        QVERIFY(!w->session().autoReconnect.waiting());

        // A failed write says so, as one of the settings file does, and the user decides.
        const QString options = dir.filePath(u"options.ini"_s);
        QVERIFY(QFile::remove(options) && QDir(dir.path()).mkdir(u"options.ini"_s));
        messages->answers = {false, true}; // keep the window, then close without saving
        QVERIFY(!w->close() && w->close());
        QCOMPARE(messages->asked,
                 QStringList(2, u"Could not save %1:\r\nFilename refers to a directory\r\n\r\n"
                                "Close without saving?"_s.arg(options)));
    }
};

QTEST_MAIN(TestPortMenuWindow)
#include "tst_portmenu_window.moc"
