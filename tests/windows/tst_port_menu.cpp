// The Port menu bound to the window: port items made as it opens, the output lines and
// the break on the port, and the options kept in options.ini across runs.
#include "fakecommport.h"
#include "mainsession.h"
#include "mainwindow.h"
#include "ptydevice.h"
#include "testsupport.h"
#include "useroptions.h"

#include <QAction>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

using Ports = QList<PortListEntry>;

class TestPortMenu : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> dir;

    std::unique_ptr<MainWindow> open(std::function<Ports()> listPorts = {})
    {
        Services s = testServices(dir->path());
        s.makeCommPort = [] { return std::make_unique<FakeCommPort>(); };
        s.listPorts = std::move(listPorts);
        return std::make_unique<MainWindow>(s);
    }
    static FakeCommPort &fake(MainWindow &w)
    {
        return *static_cast<FakeCommPort *>(w.session().port.port());
    }
    // The menu as it opens: the port items (disabled ones marked) and each item's state.
    static QList<QAction *> portItems(MainWindow &w)
    {
        emit w.ui.portMenu->aboutToShow();
        QList<QAction *> items = w.ui.portMenu->actions();
        return items.mid(0, items.indexOf(w.ui.portItemsEnd));
    }
    static QStringList captions(MainWindow &w)
    {
        QStringList out;
        for (QAction *a : portItems(w))
            out << a->text() + (a->isEnabled() ? "" : " (disabled)");
        return out;
    }
    static QString lineStates(MainWindow &w)
    {
        portItems(w);
        QString out;
        for (QAction *a : {w.ui.dtrAction, w.ui.rtsAction, w.ui.sendBreakAction})
            out += QString(a->isEnabled() ? "on" : "off") + (a->isChecked() ? "+ " : " ");
        return out;
    }

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void init() { dir = std::make_unique<QTemporaryDir>(); }
    void cleanup()
    {
        for (int n : {5, 9})
            QFile::remove(comPortLink(n));
    }

    void portItemsAsListed_data()
    {
        QTest::addColumn<Ports>("ports");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("none") << Ports{} << QStringList{"No Serial Ports Found (disabled)"};
        QTest::newRow("described, '&' kept literal")
            << Ports{{2, "/dev/ttyUSB0", "Maker & Co  ABC1"}, {7, "/dev/a&b", ""}}
            << QStringList{"COM2  /dev/ttyUSB0  Maker && Co  ABC1", "COM7  /dev/a&&b"};
    }
    void portItemsAsListed()
    {
        QFETCH(Ports, ports);
        QFETCH(QStringList, expected);
        auto w = open([&ports] { return ports; });
        QCOMPARE(captions(*w), expected);
        QCOMPARE(captions(*w), expected); // made afresh, not added to
    }

    void linkedPtysAreListedAndChosen()
    {
        Pty five, nine;
        QVERIFY(linkComPort(5, five.slavePath()) && linkComPort(9, nine.slavePath()));
        auto w = open();
        const QStringList items = captions(*w);
        const qsizetype at = items.indexOf("COM5  " + five.slavePath());
        QVERIFY2(at >= 0 && items.value(at + 1) == "COM9  " + nine.slavePath(),
                 qPrintable(items.join(u'|')));
        w->ui.portMenu->actions().at(at + 1)->trigger(); // as made when the menu opened
        QCOMPARE(w->ui.comNumberBox->text(), QStringLiteral("9"));
        QCOMPARE(w->session().port.comNumber(), 9);
        QCOMPARE(fake(*w).opens, 1); // chosen, not opened
    }

    void linesAndBreakReachTheOpenPort()
    {
        auto w = open([] { return Ports{}; });
        FakeCommPort &port = fake(*w);
        QCOMPARE(lineStates(*w), QStringLiteral("on+ on+ on "));
        w->ui.dtrAction->trigger();
        QVERIFY(!port.dtr && port.rts);
        w->ui.rtsAction->trigger();
        w->ui.sendBreakAction->trigger();
        QVERIFY(!port.rts);
        QCOMPARE(port.breaks, QList<int>{250});
        port.dtr = true; // the menu shows the port, not its own last state
        QCOMPARE(lineStates(*w), QStringLiteral("on+ on on "));
        w->ui.disconnectButton->click();
        QCOMPARE(lineStates(*w), QStringLiteral("off off off "));
        w->ui.reconnectButton->click();
        QCOMPARE(lineStates(*w), QStringLiteral("on+ on+ on "));
    }

    void optionsKeptBesideTheSettingsFile()
    {
        const QString settings = testServices(dir->path()).settingsPath;
        auto w = open();
        w->close();
        QVERIFY(!QFile::exists(userOptionsPath(settings))); // nothing changed, nothing made
        QFile file(settings);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray records = file.readAll();
        file.close();

        w = open();
        QVERIFY(!w->ui.reconnectAutomaticallyAction->isChecked());
        QVERIFY(!w->ui.timestampLogAction->isChecked());
        w->ui.reconnectAutomaticallyAction->trigger();
        w->ui.timestampLogAction->trigger();
        w->close();
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), records);
        QCOMPARE(loadUserOptions(userOptionsPath(settings)), (UserOptions{true, true}));

        w = open();
        QVERIFY(w->ui.reconnectAutomaticallyAction->isChecked());
        QVERIFY(w->ui.timestampLogAction->isChecked());
        fake(*w).loseDevice();
        QVERIFY(w->session().autoReconnect.waiting());
        w->ui.disconnectButton->click();
        QVERIFY(!w->session().autoReconnect.waiting());
    }
};

QTEST_MAIN(TestPortMenu)
#include "tst_port_menu.moc"
