// The Tools menu of the main window on a pty (its place is in the inventory golden): a
// script in a dialogue with the device and its status lines, the recent scripts across a
// restart, the ways to stop a script, and the plot of a known stream.
#include "platform/widgets/textbox.h"
#include "tests/support/fakes.h"
#include "tests/support/ptywindow.h"
#include "tests/support/samples.h"
#include "windows/mainsession.h"
#include "windows/plotwindow.h"
#include "windows/toolsmenu.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QtTest>

#include <limits>

using namespace Qt::StringLiterals;

namespace {

bool statusHas(PtyWindow &f, const QString &line)
{
    return QTest::qWaitFor([&] { return f.w->ui.statusPane->text().contains(line + u"\r\n"_s); },
                           20000);
}

// Until the device got `until`; the event loop runs meanwhile.
bool deviceGot(PtyWindow &f, const QByteArray &until)
{
    QByteArray got;
    return QTest::qWaitFor(
        [&] { return (got += f.pty.receive(std::numeric_limits<int>::max(), 5)).contains(until); },
        20000);
}

} // namespace

class TestToolsWindow : public QObject
{
    Q_OBJECT
private slots:
    // Chosen in the dialog, the script talks with the device through the window's sends; it
    // is then a recent script, also after a restart, and runs again from there.
    void dialogueAndRecent()
    {
        PtyWindow f;
        const QString path = writeTestFile(f.dir.filePath(u"t.lua"_s),
                                           "port.send('hello\\r')\n"
                                           "local m, n = port.expect('answer (%d+)', 10000)\n"
                                           "log('got ' .. n) exit(tonumber(n))");
        f.open([path](Services &s) {
            s.makeFileDialog = [path](QWidget *) {
                auto d = std::make_unique<FakeDialog>();
                d->answer = path;
                return d;
            };
        });
        for (int run = 0; run < 2; ++run) {
            ToolsMenu &tools = f.w->toolsMenu();
            if (run == 0) {
                tools.runScriptAction->trigger();
            } else {
                QCOMPARE(tools.recentItems().size(), 1);
                QCOMPARE(tools.recentItems()[0]->text(), u"&1 "_s + path);
                tools.recentItems()[0]->trigger();
            }
            QVERIFY(statusHas(f, u"Script t.lua running"_s));
            QVERIFY(!tools.runScriptAction->isEnabled() && tools.stopScriptAction->isEnabled());
            QVERIFY(deviceGot(f, "hello\r"));
            QVERIFY(f.pty.send("noise answer 7\r\n"));
            QVERIFY(statusHas(f, u"got 7\r\nScript t.lua finished (exit 7)"_s));
            QCOMPARE(f.w->ui.txCountBox->text(), u"6"_s);
            QVERIFY(tools.runScriptAction->isEnabled() && !tools.stopScriptAction->isEnabled());
            f.w->close();
            f.open();
        }
    }

    // Stop Script, the sequencer's STOP and Disconnect each end a script waiting in expect.
    void stops_data()
    {
        QTest::addColumn<int>("way");
        QTest::newRow("Stop Script") << 0;
        QTest::newRow("STOP") << 1;
        QTest::newRow("Disconnect") << 2;
    }
    void stops()
    {
        QFETCH(int, way);
        PtyWindow f;
        f.w->toolsMenu().runScript(writeTestFile(f.dir.filePath(u"t.lua"_s), "port.expect('x')"));
        QVERIFY(statusHas(f, u"Script t.lua running"_s));
        QVERIFY(f.pty.send("not it\r\n"));
        QTest::qWait(100);
        QVERIFY(f.w->session().scripts.running());
        if (way == 0)
            f.w->toolsMenu().stopScriptAction->trigger();
        else
            (way == 1 ? f.w->ui.stopButton : f.w->ui.disconnectButton)->click();
        QVERIFY(statusHas(f, u"Script t.lua stopped"_s));
    }

    // A script's change of the line shows beside the rate box, as the Port menu's does.
    void scriptChangesTheLineLabel()
    {
        PtyWindow f;
        f.w->toolsMenu().runScript(
            writeTestFile(f.dir.filePath(u"t.lua"_s), "port.flow('xonxoff')"));
        QVERIFY(statusHas(f, u"Script t.lua finished (exit 0)"_s));
        QCOMPARE(f.w->ui.frameFormatLabel->text(), u"8,N,1 XON/XOFF"_s);
    }

    // The one plot window shows what arrives once it is open: series, last values, lines
    // skipped.
    void plotOfAStream()
    {
        PtyWindow f;
        QVERIFY(f.pty.send("temp:1 hum:2\r\n"));
        QVERIFY(QTest::qWaitFor([&] { return f.w->ui.rxCountBox->text() == u"14"_s; }, 10000));
        f.w->toolsMenu().plotAction->trigger();
        PlotWindow *plot = f.w->plotWindow();
        QVERIFY(plot && plot->isVisible());
        f.w->toolsMenu().plotAction->trigger();
        QCOMPARE(f.w->plotWindow(), plot);
        QVERIFY(f.pty.send("boot\r\ntemp:21.5 hum:40\r\ntemp:22,hum:-0.5\r\n"));
        QStringList legend;
        QVERIFY(QTest::qWaitFor(
            [&] {
                plot->refresh();
                legend.clear();
                for (int i = 0; i < plot->ui.legend->topLevelItemCount(); ++i)
                    legend << plot->ui.legend->topLevelItem(i)->text(0) + u'=' +
                                  plot->ui.legend->topLevelItem(i)->text(1);
                return legend == QStringList{u"temp=22"_s, u"hum=-0.5"_s};
            },
            10000));
        QCOMPARE(plot->ui.statusLabel->text(), u"2 lines, 1 skipped"_s);
    }
};

QTEST_MAIN(TestToolsWindow)
#include "tst_tools_window.moc"
