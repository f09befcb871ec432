// The plot window over a known stream: legend, last values, what is drawn, the exports and
// the run's start and end.
#include "plot/plotfeed.h"
#include "terminal/capturebuffer.h"
#include "tests/support/fakes.h"
#include "tests/support/testsupport.h"
#include "windows/plotcanvas.h"
#include "windows/plotwindow.h"

#include <QCheckBox>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

struct Fixture
{
    QTemporaryDir dir;
    Services services = testServices(dir.path());
    FakeDialog *dialog = nullptr;
    std::shared_ptr<FakeMessageBox> box =
        std::static_pointer_cast<FakeMessageBox>(services.makeMessageBox(nullptr));
    PlotFeed feed;
    CaptureBuffer capture;
    QPointer<PlotWindow> w;

    Fixture()
    {
        services.makeFileDialog = [this](QWidget *) {
            auto d = std::make_unique<FakeDialog>();
            dialog = d.get();
            return d;
        };
        w = new PlotWindow(services, feed, capture);
    }
    ~Fixture() { delete w; }

    void receive(const QByteArray &bytes, qint64 msecs)
    {
        capture.store(bytes);
        feed.received(bytes, msecs);
    }
    QStringList legend() const
    {
        QStringList out;
        for (int i = 0; i < w->ui.legend->topLevelItemCount(); ++i)
            out << w->ui.legend->topLevelItem(i)->text(0) + u'=' +
                       w->ui.legend->topLevelItem(i)->text(1);
        return out;
    }
    // Pixels of the canvas in a series' colour.
    int pixelsOf(int series) const
    {
        const QImage image = w->ui.canvas->grab().toImage();
        int n = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                n += image.pixelColor(x, y) == seriesColor(series);
        return n;
    }
};

} // namespace

class TestPlotWindow : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { qputenv("TZ", "UTC"); }

    void legendDrawingAndExports()
    {
        Fixture f;
        f.w->present();
        f.receive("boot\r\ntemp:21.5 hum:40\r\ntemp:22", 1'700'000'000'000);
        f.receive(" hum:41.25\r\nhum:-7e-3\n", 1'700'000'000'500);
        f.w->refresh();
        QCOMPARE(f.legend(), (QStringList{u"temp=22"_s, u"hum=-0.007"_s}));
        QCOMPARE(f.w->ui.statusLabel->text(), u"3 lines, 1 skipped"_s);
        QVERIFY(f.pixelsOf(0) > 0);
        QVERIFY(f.pixelsOf(1) > 0);

        // A click on a name hides that series and a second one shows it again.
        QTreeWidget *legend = f.w->ui.legend;
        const QPoint hum = legend->visualItemRect(legend->topLevelItem(1)).center();
        QTest::mouseClick(legend->viewport(), Qt::LeftButton, {}, hum);
        QVERIFY(f.w->view().isHidden(1));
        QCOMPARE(f.pixelsOf(1), 0);
        QVERIFY(f.pixelsOf(0) > 0);
        QTest::mouseClick(legend->viewport(), Qt::LeftButton, {}, hum);
        QVERIFY(f.pixelsOf(1) > 0);

        // A name without a suffix gets ".csv"; every line as parsed, hidden series too.
        f.dialog->answer = f.dir.filePath(u"run"_s);
        f.w->exportCsv();
        QFile csv(f.dir.filePath(u"run.csv"_s));
        QVERIFY(csv.open(QIODevice::ReadOnly));
        QCOMPARE(csv.readAll(), "time,temp,hum\r\n"
                                "2023-11-14 22:13:20.000,21.5,40\r\n"
                                "2023-11-14 22:13:20.000,22,41.25\r\n"
                                "2023-11-14 22:13:20.500,,-0.007\r\n"_ba);
        f.dialog->answer = f.dir.filePath(u"plot.png"_s);
        f.w->exportImage();
        QCOMPARE(QImage(f.dialog->answer).size(), f.w->size());
        f.dialog->answer = f.dir.filePath(u"gone/run.csv"_s);
        f.w->exportCsv();
        QCOMPARE(f.box->shown.size(), 1);
        QVERIFY(f.box->shown[0].startsWith("Could not save "_L1 + f.dialog->answer));
        QCOMPARE(f.dialog->requests.last().title, u"Export CSV"_s);
    }

    void viewControls()
    {
        Fixture f;
        f.w->present();
        f.receive("1\n2\n3\n", 1000);
        QWidget *canvas = f.w->ui.canvas;
        QTest::mouseMove(canvas, canvas->rect().center());
        QWheelEvent wheel(QPointF(canvas->rect().center()), canvas->mapToGlobal(QPointF(0, 0)), {},
                          {0, 120}, Qt::NoButton, {}, Qt::NoScrollPhase, false);
        QApplication::sendEvent(canvas, &wheel);
        QCOMPARE(f.w->view().mode(), PlotView::Mode::Fixed);
        QVERIFY(!f.w->ui.followButton->isChecked());
        f.w->ui.pauseButton->click();
        QVERIFY(f.w->view().paused());
        QTest::mouseDClick(canvas, Qt::LeftButton, {}, canvas->rect().center());
        QCOMPARE(f.w->view().mode(), PlotView::Mode::Follow);
        QVERIFY(f.w->ui.followButton->isChecked() && !f.w->ui.pauseButton->isChecked());
        f.w->ui.sampleNumberBox->click();
        QCOMPARE(f.w->view().span(), 1000.0);
        QCOMPARE(f.w->ui.canvas->axis(), XAxis::SampleNumber);
    }

    // The run starts with the window, again from the capture on request, and ends with it.
    void runFollowsTheWindow()
    {
        Fixture f;
        f.receive("1\n2", 10);
        f.w->present();
        QVERIFY(f.feed.running());
        f.receive("5\n3\n", 20);
        QCOMPARE(f.feed.store().lineCount(), 1); // "5" is the end of a line already begun
        f.w->ui.fromCaptureButton->click();
        QCOMPARE(f.feed.store().lineCount(), 3);
        QCOMPARE(f.legend(), QStringList{u"1=3"_s});
        QCOMPARE(f.w->view().mode(), PlotView::Mode::WholeRun);
        f.w->close();
        QTRY_VERIFY(f.w.isNull());
        QVERIFY(!f.feed.running());
        QCOMPARE(f.feed.store().lineCount(), 0);
    }
};

QTEST_MAIN(TestPlotWindow)
#include "tst_plot_window.moc"
