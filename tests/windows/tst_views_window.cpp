// The View and Options menus, Help, Always On Top and the rebuild button on the real main
// window, and the Qt file dialog itself.
#include "platform/widgets/qtfiledialog.h"
#include "platform/widgets/textbox.h"
#include "tests/support/fakecommport.h"
#include "tests/support/testsupport.h"
#include "windows/mainsession.h"
#include "windows/mainwindow.h"

#include <QAction>
#include <QApplication>
#include <QFileDialog>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include <functional>
#include <memory>

using namespace Qt::StringLiterals;

namespace {

// A main window on fake dialogs and a fake port, its files in a temporary folder.
struct Window
{
    QTemporaryDir dir;
    std::unique_ptr<MainWindow> w;

    Window() { open(); }
    // A new window on the same folder, as after a restart of the program.
    void open()
    {
        w.reset();
        Services s = testServices(dir.path());
        s.makeCommPort = [] { return std::make_unique<FakeCommPort>(); };
        w = std::make_unique<MainWindow>(s);
    }
    MainWidgets &ui() { return w->ui; }
    Options &options() { return w->session().options; }
};

// Acts on the Qt file dialog once it is up.
void whenDialogShows(std::function<void(QFileDialog *)> act)
{
    auto *timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, act] {
        if (auto *dlg = qobject_cast<QFileDialog *>(QApplication::activeModalWidget())) {
            timer->deleteLater();
            timer->stop();
            act(dlg);
        }
    });
    timer->start();
}

} // namespace

class TestViewsWindow : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void layouts_data()
    {
        QTest::addColumn<int>("item");
        QTest::addColumn<QRect>("ascii");
        QTest::addColumn<QRect>("hex");
        QTest::addColumn<int>("front"); // 0 ascii, 1 hex, -1 untouched
        const QRect narrow(8, 120, 290, 431), wide(8, 120, 697, 431);
        QTest::newRow("RX Ascii - SendKey List") << 0 << narrow << narrow << 0;
        QTest::newRow("RX Hex - SendKey List") << 1 << narrow << narrow << 1;
        QTest::newRow("Big ASCII Receive Pane") << 2 << wide << wide << 0;
        QTest::newRow("Big Hex Receive Pane") << 3 << wide << wide << 1;
        QTest::newRow("Ascii Over Hex")
            << 4 << QRect(8, 120, 697, 215) << QRect(8, 335, 697, 215) << -1;
    }
    void layouts()
    {
        QFETCH(int, item);
        QFETCH(QRect, ascii);
        QFETCH(QRect, hex);
        QFETCH(int, front);
        Window r;
        MainWidgets &ui = r.ui();
        const QList<QAction *> items{ui.asciiAndKeysViewAction, ui.hexAndKeysViewAction,
                                     ui.bigAsciiViewAction, ui.bigHexViewAction,
                                     ui.asciiOverHexViewAction};
        auto above = [](QWidget *a, QWidget *b) { // among their siblings
            return a->parentWidget()->children().indexOf(a) >
                   b->parentWidget()->children().indexOf(b);
        };
        auto asciiInFront = [&] { return above(ui.rxAsciiPane, ui.rxHexPane); };
        items[front == 0 ? 1 : 0]->trigger(); // the other pane in front first
        const bool before = asciiInFront();
        items[item]->trigger();
        QCOMPARE(ui.rxAsciiPane->geometry(), ascii);
        QCOMPARE(ui.rxHexPane->geometry(), hex);
        QCOMPARE(asciiInFront(), front < 0 ? before : front == 0);
        for (int i = 0; i < 5; ++i)
            QCOMPARE(items[i]->isChecked(), i == item);
    }

    void fontsAndOptionsSurviveARestart()
    {
        Window r;
        r.ui().fontLargeAction->trigger();
        QVERIFY(!r.ui().fontSmallAction->isChecked());
        r.options().silentCapture = 2; // from the settings file: on, but not checked
        r.ui().silentCaptureAction->setChecked(false);
        r.ui().silentCaptureAction->trigger(); // "Silent Capture" and "Auto Scroll" follow the mark
                                               // ...
        QCOMPARE(r.options().silentCapture, 1);
        r.ui().autoScrollAction->trigger();
        r.options().clearTxOnSend = 2; // ... "Clear TX on Each Send" and "Silent TX" the variable
        r.ui().clearTxOnSendAction->trigger();
        QCOMPARE(r.options().clearTxOnSend, 0);
        r.ui().silentTxAction->trigger();
        r.w->close();
        r.open();
        MainWidgets &ui = r.ui();
        for (TextBox *box : {ui.rxAsciiPane, ui.rxHexPane, ui.txEchoPane})
            QVERIFY(box->font().family() == u"Courier New"_s && box->font().pointSizeF() == 22);
        const Options &o = r.options();
        QCOMPARE(o.mainFont, 3);
        QVERIFY(ui.fontLargeAction->isChecked() && !ui.fontSmallAction->isChecked());
        QCOMPARE((QList<int>{o.silentCapture, o.autoScroll, o.clearTxOnSend, o.silentTx}),
                 (QList<int>{1, 1, 0, 1}));
        QVERIFY(ui.silentCaptureAction->isChecked() && ui.autoScrollAction->isChecked());
        QVERIFY(!ui.clearTxOnSendAction->isChecked() && ui.silentTxAction->isChecked());
        ui.fontSmallAction->trigger();
        QCOMPARE(ui.txEchoPane->font().pointSizeF(), 10.0);
    }

    void rebuildFillsThePanesWhileCapturingSilently()
    {
        Window r;
        r.options().silentCapture = 1;
        r.w->session().capture.store(QByteArray("\x00\x41\x0D\x0A", 4));
        r.ui().rebuildPanesButton->click();
        QCOMPARE(r.ui().rxAsciiPane->text(), u"<0>A\r\n"_s);
        QCOMPARE(r.ui().rxHexPane->text(), u"00 41 0D 0A "_s);
    }

    // The window keeps its place and the item never shows a mark.
    void alwaysOnTop()
    {
        Window r;
        r.w->show();
        const QRect geometry = r.w->geometry();
        for (bool on : {true, false}) {
            r.ui().alwaysOnTopAction->trigger();
            QCOMPARE(r.w->windowFlags().testFlag(Qt::WindowStaysOnTopHint), on);
            QVERIFY(r.w->isVisible() && !r.ui().alwaysOnTopAction->isChecked());
            QCOMPARE(r.w->geometry(), geometry);
        }
    }

    void helpShowsHelpTxt()
    {
        Window r;
        QFile f(r.dir.filePath(u"Help.txt"_s));
        QVERIFY(f.open(QIODevice::WriteOnly) && f.write("one\r\ntwo \xe9\r\nthree") > 0);
        f.close();
        r.ui().helpAction->trigger();
        std::unique_ptr<HelpWindow> help(r.w->helpWindow());
        QVERIFY(help && help->isVisible() && !help->isModal());
        QCOMPARE(help->helpPane->font().family(), u"Courier New"_s);
        QCOMPARE(help->helpPane->text(), u"one\r\ntwo \u00e9\r\nthree"_s);
    }

    // The real dialog: a save accepts a new name; a cancel keeps the name for the next show;
    // a file to open that is gone when accepted fails with its path.
    void qtFileDialog()
    {
        QCOMPARE(nameFiltersFromFilter(u"Projects|*.ovc|Text|*.txt;*.log|"_s),
                 (QStringList{u"Projects (*.ovc)"_s, u"Text (*.txt *.log)"_s}));
        QTemporaryDir dir;
        const QString path = dir.filePath(u"new.txt"_s);
        auto dlg = makeQtFileDialog(nullptr);
        QString offered;
        const auto show = [&](FileDialogMode mode, int result) { // -1: accept(), which checks
            whenDialogShows([&, result](QFileDialog *d) {
                QDialog *q = d;
                offered = d->selectedFiles().value(0);
                d->selectFile(path), result < 0 ? q->accept() : q->done(result);
            });
            return dlg->choose({mode, u"All Files (*.txt)|*.txt|"_s});
        };
        QVERIFY(show(FileDialogMode::Save, -1).path == path);
        QVERIFY(show(FileDialogMode::Open, QDialog::Rejected).cancelled);
        const FileChoice c = show(FileDialogMode::Open, QDialog::Accepted);
        QVERIFY(offered == path && c.path == path && c.failure);
        QCOMPARE(fileDialogFailureMessage(*c.failure),
                 u"Error 53 selecting file.\r\nFile not found"_s);
    }
};

QTEST_MAIN(TestViewsWindow)
#include "tst_views_window.moc"
