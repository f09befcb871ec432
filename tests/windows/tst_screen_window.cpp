// Both windows on screens of other sizes: larger, the panes and logs take the room while the
// controls above them stay put; smaller, the client area scrolls to every control. Both come
// back as they were left, unless that was off every screen.
#include "platform/widgets/divider.h"
#include "platform/widgets/textbox.h"
#include "tests/support/fakecommport.h"
#include "tests/support/samples.h"
#include "tests/support/testsupport.h"
#include "windows/mainwindow.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

struct Window
{
    QTemporaryDir dir;
    std::unique_ptr<MainWindow> w;

    Window() { open(); }
    void open()
    {
        Services s = testServices(dir.path());
        s.makeCommPort = [] { return std::make_unique<FakeCommPort>(); };
        w = std::make_unique<MainWindow>(s);
        w->show();
    }
    QString optionsFile() const { return dir.filePath(u"options.ini"_s); }
    MainWidgets &ui() { return w->ui; }
    // The window resized so that its client area gains dx, dy pixels over the design size.
    void grow(QMainWindow *window, QWidget *client, int dx, int dy)
    {
        const QSize extra = client->size() - QSize(client->minimumSize());
        window->resize(window->size() + QSize(dx, dy) - extra);
        QTRY_COMPARE(client->size(), client->minimumSize() + QSize(dx, dy));
    }
};

// Scrolls to w and checks that it is then in sight, wholly or filling the view. A caption
// reaching past the client area's edge (the editor's, by design) counts up to that edge.
bool reachable(QScrollArea *area, QWidget *w)
{
    const QRect place = w->geometry() & area->widget()->rect();
    // Its far corner, then its near one: a widget larger than the view shows its top left.
    area->ensureVisible(place.right() + 1, place.bottom() + 1, 0, 0);
    area->ensureVisible(place.left(), place.top(), 0, 0);
    const QRect inView(area->widget()->mapTo(area->viewport(), place.topLeft()), place.size());
    const QRect seen = area->viewport()->rect() & inView;
    return seen.size() == inView.size().boundedTo(area->viewport()->size());
}

} // namespace

class TestScreenWindow : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void designSizeFitsWithoutScrolling()
    {
        Window r;
        QVERIFY(QTest::qWaitForWindowExposed(r.w.get()));
        QCOMPARE(r.ui().clientArea->size(), kMainClientSize);
        QVERIFY(!r.ui().scrollArea->verticalScrollBar()->isVisible());
        QVERIFY(!r.ui().scrollArea->horizontalScrollBar()->isVisible());
        // A 1280 x 720 screen at a scale factor of 2 leaves 640 x 360, less the frame.
        QVERIFY(r.w->minimumSizeHint().width() <= 600);
        QVERIFY(r.w->minimumSizeHint().height() <= 320);
    }

    void largerWindowGivesThePanesTheRoom_data()
    {
        QTest::addColumn<int>("item");
        QTest::addColumn<bool>("list");    // the send keys beside the pane
        QTest::addColumn<bool>("stacked"); // ascii over hex, sharing the extra height
        QTest::newRow("ascii list") << 0 << true << false;
        QTest::newRow("hex list") << 1 << true << false;
        QTest::newRow("big ascii") << 2 << false << false;
        QTest::newRow("big hex") << 3 << false << false;
        QTest::newRow("ascii over hex") << 4 << false << true;
    }
    void largerWindowGivesThePanesTheRoom()
    {
        QFETCH(int, item);
        QFETCH(bool, list);
        QFETCH(bool, stacked);
        Window r;
        MainWidgets &ui = r.ui();
        QMenu *view = r.w->menuBar()->actions().at(2)->menu();
        view->actions().at(item)->trigger();
        QList<QWidget *> top = {ui.sendLineButtons[1], ui.disconnectButton, ui.stopButton,
                                ui.rebuildPanesButton};
        QList<QRect> topAtDesign;
        for (QWidget *w : top)
            topAtDesign << w->geometry();
        const QRect key = ui.keyStringBoxes[19]->geometry();
        const QRect ascii = ui.rxAsciiPane->geometry(), hex = ui.rxHexPane->geometry();
        const QRect echo = ui.txEchoPane->geometry(), status = ui.statusPane->geometry();
        const int gap = ui.rxCountBox->y() - hex.bottom();
        const QPoint clear = ui.clearStatusButton->pos(), counter = ui.txCountBox->pos();

        r.grow(r.w.get(), ui.clientArea, 300, 200);
        for (int i = 0; i < top.size(); ++i)
            QCOMPARE(top[i]->geometry(), topAtDesign[i]);
        // The send keys stay whole beside the pane, or under the big panes.
        QCOMPARE(ui.keyStringBoxes[19]->geometry(), key.translated(list ? 300 : 0, 0));
        QCOMPARE(ui.rxHexPane->width(), hex.width() + 300);
        QCOMPARE(ui.rxAsciiPane->width(), ascii.width() + 300);
        QCOMPARE(ui.rxAsciiPane->height() + ui.rxHexPane->height(),
                 ascii.height() + hex.height() + (stacked ? 100 : 200));
        QCOMPARE(ui.rxHexPane->geometry().bottom(), hex.bottom() + 100);
        if (stacked)
            QCOMPARE(ui.rxHexPane->y(),
                     ui.rxAsciiPane->geometry().bottom() + hex.y() - ascii.bottom());
        // The row of counters stays just below the panes; the logs fill the rest.
        QCOMPARE(ui.rxCountBox->y() - ui.rxHexPane->geometry().bottom(), gap);
        QCOMPARE(ui.txCountBox->pos(), counter + QPoint(0, 100));
        QCOMPARE(ui.clearStatusButton->pos(), clear + QPoint(150, 100));
        QCOMPARE(ui.txEchoPane->size(), echo.size() + QSize(150, 100));
        QCOMPARE(ui.statusPane->size(), status.size() + QSize(150, 100));
        QCOMPARE(ui.statusPane->geometry().bottomRight(), status.bottomRight() + QPoint(300, 200));
        QCOMPARE(ui.txEchoPane->geometry().bottom(), ui.statusPane->geometry().bottom());
    }

    // The divider moved, the layout and both windows' places survive a restart; a run that
    // moved nothing writes no options.ini.
    void arrangementKeptAcrossRestart()
    {
        Window r;
        QVERIFY(QTest::qWaitForWindowActive(r.w.get()));
        r.w->close();
        QVERIFY(!QFile::exists(r.optionsFile()));

        r.open();
        MainWidgets *ui = &r.ui();
        QVERIFY(QTest::qWaitForWindowActive(r.w.get()));
        r.grow(r.w.get(), ui->clientArea, 300, 100);
        QVERIFY(ui->divider && ui->divider->isVisible());
        QCOMPARE(ui->divider->geometry(), QRect(597, 120, 15, 481));
        QTest::mousePress(ui->divider, Qt::LeftButton, {}, QPoint(7, 200));
        QTest::mouseMove(ui->divider, QPoint(-93, 200));
        QTest::mouseRelease(ui->divider, Qt::LeftButton, {}, QPoint(7, 200));
        QCOMPARE(ui->rxAsciiPane->geometry(), QRect(8, 120, 489, 481));
        QCOMPARE(ui->keyStringBoxes[0]->geometry(), QRect(790, 96, 213, 22));
        ui->hexAndKeysViewAction->trigger();
        r.w->move(40, 30);
        const QRect main = r.w->geometry();
        r.w->showHexEditor();
        HexEditorWindow *editor = r.w->hexEditorWindow();
        QVERIFY(QTest::qWaitForWindowActive(editor));
        editor->setGeometry(60, 50, 1000, 500);
        r.w->close();

        r.open();
        ui = &r.ui();
        QCOMPARE(r.w->geometry(), main);
        QVERIFY(ui->hexAndKeysViewAction->isChecked());
        QTRY_COMPARE(ui->rxHexPane->geometry(), QRect(8, 120, 490, 481));
        QCOMPARE(ui->divider->geometry(), QRect(498, 120, 14, 481));
        QCOMPARE(ui->keyStringBoxes[0]->geometry(), QRect(790, 96, 213, 22));
        r.w->showHexEditor();
        QCOMPARE(r.w->hexEditorWindow()->geometry(), QRect(60, 50, 1000, 500));
    }

    // A place on a monitor that is gone: design size on the primary screen, and forgotten.
    void placeOffEveryScreenIsIgnored()
    {
        QTemporaryDir dir;
        const QString options = dir.filePath(u"options.ini"_s);
        writeTestFile(options, "[MainWindow]\ngeometry=@Rect(-2000 100 1100 800)\nmaximized=true\n"
                               "[HexEditor]\ngeometry=@Rect(900 3000 1000 500)\n");
        Services s = testServices(dir.path());
        s.makeCommPort = [] { return std::make_unique<FakeCommPort>(); };
        MainWindow w(s);
        w.show();
        w.showHexEditor();
        HexEditorWindow *editor = w.hexEditorWindow();
        QVERIFY(QTest::qWaitForWindowExposed(&w) && QTest::qWaitForWindowExposed(editor));
        const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
        QVERIFY(!w.isMaximized());
        QCOMPARE(w.ui.clientArea->size(), kMainClientSize);
        QCOMPARE(editor->ui.clientArea->size(), QSize(899, 414));
        QVERIFY(screen.intersects(w.geometry()) && screen.intersects(editor->geometry()));
        w.close();
        const QString kept = QSettings(options, QSettings::IniFormat).allKeys().join(u' ');
        QVERIFY2(!kept.contains(u"geometry"_s) && !kept.contains(u"maximized"_s), qPrintable(kept));
    }

    void hexEditorGivesItsViewsTheRoom()
    {
        Window r;
        r.w->showHexEditor();
        HexEditorWindow *e = r.w->hexEditorWindow();
        HexEditorWidgets &ui = e->ui;
        QCOMPARE(ui.clientArea->size(), QSize(899, 414));
        const QRect hex = ui.hexPane->geometry(), ascii = ui.asciiPane->geometry();
        const QPoint button = ui.autoUpdateButton->pos(), caption = ui.lengthLabel->pos();
        r.grow(e, ui.clientArea, 300, 90);
        QCOMPARE(ui.hexPane->geometry(), hex.adjusted(0, 0, 200, 90));
        QCOMPARE(ui.asciiPane->geometry(), ascii.adjusted(200, 0, 300, 90));
        QCOMPARE(ui.autoUpdateButton->pos(), button + QPoint(200, 0));
        QCOMPARE(ui.lengthLabel->pos(), caption + QPoint(0, 90));
    }

    void smallerWindowScrollsToEveryControl()
    {
        Window r;
        r.w->showHexEditor();
        HexEditorWindow *e = r.w->hexEditorWindow();
        const struct
        {
            QMainWindow *window;
            QWidget *client;
        } windows[] = {{r.w.get(), r.ui().clientArea}, {e, e->ui.clientArea}};
        for (const auto &[window, client] : windows) {
            window->resize(window->minimumSizeHint().expandedTo(QSize(320, 200)));
            auto *area = qobject_cast<QScrollArea *>(window->centralWidget());
            QVERIFY(area);
            QTRY_VERIFY(area->verticalScrollBar()->isVisible() &&
                        area->horizontalScrollBar()->isVisible());
            QCoreApplication::processEvents(); // the viewport makes room for the scroll bars
            QCOMPARE(client->size(), client->minimumSize());
            for (QObject *o : client->children())
                if (auto *w = qobject_cast<QWidget *>(o); w && w->isVisible())
                    QVERIFY2(reachable(area, w),
                             qPrintable(w->objectName() + u" "_s + QString::number(w->x())));
        }
    }
};

QTEST_MAIN(TestScreenWindow)
#include "tst_screen_window.moc"
