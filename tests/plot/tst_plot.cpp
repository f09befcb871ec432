// The plot's parts without widgets: lines to samples, the store and its decimation against
// a plain reading of every sample, the view's ranges, the CSV and the feed.
#include "plot/decimate.h"
#include "plot/lineparser.h"
#include "plot/plotcsv.h"
#include "plot/plotfeed.h"
#include "plot/plotview.h"

#include <QRandomGenerator>
#include <QtTest>

#include <cmath>

using namespace Qt::StringLiterals;

namespace {

// "name=value ..." per line held, lines joined by '|'.
QString dump(const SampleStore &store)
{
    QStringList lines;
    std::vector<qint64> next(size_t(store.seriesCount()));
    for (int s = 0; s < store.seriesCount(); ++s)
        next[size_t(s)] = store.firstSample(s);
    for (qint64 line = store.firstLine(); line < store.lineCount(); ++line) {
        QStringList values;
        for (int s = 0; s < store.seriesCount(); ++s) {
            const SeriesColumn &c = store.column(s);
            if (next[size_t(s)] < c.end() && c.line(next[size_t(s)]) == line)
                values << QString::fromLatin1(store.seriesName(s)) + u'=' +
                              QString::number(c.value(next[size_t(s)]++));
        }
        lines << values.join(u' ');
    }
    return lines.join(u'|');
}

QString names(const SampleStore &store)
{
    QStringList out;
    for (int s = 0; s < store.seriesCount(); ++s)
        out << QString::fromLatin1(store.seriesName(s));
    return out.join(u',');
}

// A stream of every form with every line end, and lines that are skipped.
QByteArray randomStream(quint32 seed, int lines)
{
    QRandomGenerator rng(seed);
    static const char *const kEnds[] = {"\r\n", "\n", "\r"};
    static const char *const kJunk[] = {"boot v1.2", "OK>", "x=5", "1 2 abc", "", "temp:", "a,b,c"};
    QByteArray out("partial 1,2");
    for (int i = 0; i < lines; ++i) {
        out += kEnds[rng.bounded(3)];
        const double v = (rng.generateDouble() - 0.5) * std::pow(10.0, rng.bounded(-4, 8));
        switch (rng.bounded(4)) {
        case 0:
            out += "t:" + QByteArray::number(v, 'g', 12) + ", u: " + QByteArray::number(i);
            break;
        case 1:
            out += QByteArray::number(v, 'e', 6) + ";" + QByteArray::number(-i) + " nan,1e3";
            break;
        case 2:
            out += kJunk[rng.bounded(7)];
            break;
        default:
            out += "  " + QByteArray::number(i) + "\t,," + QByteArray::number(v, 'f', 3);
        }
    }
    return out + "\n";
}

} // namespace

class TestPlot : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { qputenv("TZ", "UTC"); }

    void parsesLines_data()
    {
        QTest::addColumn<QByteArray>("stream");
        QTest::addColumn<QString>("names");
        QTest::addColumn<QString>("samples");
        QTest::addColumn<int>("skipped");
        QTest::newRow("pairs") << "temp:21.5 hum:40\r\ntemp:22,hum: 41\thum:42\n"_ba
                               << u"temp,hum"_s << u"temp=21.5 hum=40|temp=22 hum=42"_s << 0;
        QTest::newRow("header") << "boot v1.2\nready\ntemp,hum,press\n21.5,40,1013\n22;41 1014\n"_ba
                                << u"temp,hum,press"_s
                                << u"temp=21.5 hum=40 press=1013|temp=22 hum=41 press=1014"_s << 2;
        QTest::newRow("header of another size")
            << "a,b\n1,2,3\n"_ba << u"1,2,3"_s << u"1=1 2=2 3=3"_s << 1;
        QTest::newRow("header after numbers")
            << "1,2\nx,y\n3,4\n"_ba << u"1,2"_s << u"1=1 2=2|1=3 2=4"_s << 1;
        QTest::newRow("notation") << "-1.5e-3, +2 .5 5. 1E3\n"_ba << u"1,2,3,4,5"_s
                                  << u"1=-0.0015 2=2 3=0.5 4=5 5=1000"_s << 0;
        QTest::newRow("left out") << "1,nan,3\n4,inf,-INF,1e999\n1,,3,\n,5\nnan\n"_ba
                                  << u"1,2,3,4"_s << u"1=1 3=3|1=4|1=1 3=3|2=5|"_s << 0;
        QTest::newRow("line ends")
            << "1\r2\r\n3\n\r4\n\n5"_ba << u"1"_s << u"1=1|1=2|1=3|1=4"_s << 0;
        QTest::newRow("skipped") << "OK>\n12:30:45 up\nx=5\n1 2 abc\n  \t\ntemp:abc\n9x:1\n"
                                    "a:1 2\n+-1\n0x10\n"_ba
                                 << u""_s << u""_s << 9;
        QTest::newRow("forms mixed")
            << "a:1\n5,6\na:2 b:3 a:4\n"_ba << u"a,1,2,b"_s << u"a=1|1=5 2=6|a=4 b=3"_s << 0;
        QTest::newRow("overlong") << QByteArray(5000, '1') + "\n7\n" << u"1"_s << u"1=7"_s << 1;
    }
    void parsesLines()
    {
        QFETCH(QByteArray, stream);
        SampleStore store;
        LineParser parser(store);
        parser.feed(stream, 0);
        QTEST(names(store), "names");
        QTEST(dump(store), "samples");
        QTEST(int(parser.linesSkipped()), "skipped");
    }

    // Pieces of any size give the samples of the stream in one piece; a line's time is its
    // first byte's; a clock set back keeps the times in order.
    void piecesAndTimes()
    {
        const QByteArray stream = randomStream(7, 3000);
        SampleStore whole;
        LineParser wholeParser(whole);
        wholeParser.feed(stream, 0);
        QVERIFY(whole.lineCount() > 1500);
        QRandomGenerator rng(11);
        for (int round = 0; round < 2; ++round) {
            SampleStore store;
            LineParser parser(store);
            for (qsizetype i = 0; i < stream.size();) {
                const qsizetype n = round == 0 ? 1 : rng.bounded(1, 40);
                parser.feed(QByteArrayView(stream).sliced(i, std::min(n, stream.size() - i)), 0);
                i += n;
            }
            QCOMPARE(dump(store), dump(whole));
            QCOMPARE(names(store), names(whole));
            QCOMPARE(parser.linesSkipped(), wholeParser.linesSkipped());
        }

        SampleStore store;
        LineParser parser(store);
        const std::pair<const char *, qint64> pieces[] = {
            {"1", 100}, {"0\r", 200}, {"\n2", 300}, {"\n3\n4", 400}, {"\n", 50}};
        for (const auto &[bytes, msecs] : pieces)
            parser.feed(bytes, msecs);
        QCOMPARE(dump(store), u"1=10|1=2|1=3|1=4"_s);
        QCOMPARE((QList<qint64>{store.lineTime(0), store.lineTime(1), store.lineTime(2),
                                store.lineTime(3)}),
                 (QList<qint64>{100, 300, 400, 400}));
    }

    // Decimation and the nearest sample against every sample read one by one, on both axes,
    // with gaps, uneven times and the oldest lines let go.
    void decimationMatchesEverySample()
    {
        QRandomGenerator rng(3);
        SampleStore store(60000, 0);
        for (int s = 0; s < 3; ++s)
            store.seriesIndex(QByteArray::number(s));
        qint64 msecs = 1'700'000'000'000;
        for (int line = 0; line < 50000; ++line) {
            // Pauses of ten minutes; values that rise with the line, so that a sample shown
            // in the wrong column stands out.
            msecs += rng.bounded(200) == 0 ? 600000 : rng.bounded(3);
            std::vector<SeriesValue> values;
            for (int s = 0; s < 3; ++s)
                if (rng.bounded(s + 1) == 0)
                    values.push_back({s, line * 0.01 + rng.generateDouble() * 0.01});
            QVERIFY(store.addLine(msecs, values));
        }
        QVERIFY(store.firstLine() > 0);
        QVERIFY(store.samplesHeld() <= 60000);
        for (int trial = 0; trial < 40; ++trial) {
            const XAxis axis = trial % 2 ? XAxis::Time : XAxis::SampleNumber;
            const double first = store.lineX(store.firstLine(), axis);
            const double last = store.lineX(store.lineCount() - 1, axis);
            const double from = first + (last - first) * rng.generateDouble() * 1.1 - 1;
            const double to = from + (last - first) * std::pow(rng.generateDouble(), 4) + 1;
            const int width = trial == 0 ? 1 : rng.bounded(1, 700);
            const ColumnGrid grid(store, axis, from, to, width);
            const double w = (to - from) / width;
            for (int s = 0; s < 3; ++s) {
                const Trace trace = decimate(store, s, grid);
                std::map<int, ColumnSpan> expected;
                std::optional<SamplePoint> before, after;
                qint64 inRange = 0;
                const SeriesColumn &c = store.column(s);
                for (qint64 i = store.firstSample(s); i < c.end(); ++i) {
                    const double x = store.lineX(c.line(i), axis), y = c.value(i);
                    if (x < from) {
                        before = SamplePoint{x, y};
                    } else if (x > to) {
                        after = after ? after : SamplePoint{x, y};
                    } else {
                        ++inRange;
                        int col = std::clamp(int(std::floor((x - from) / w)), 0, width - 1);
                        // The column bounds as the grid computes them.
                        while (col + 1 < width && x >= from + (col + 1) * w)
                            ++col;
                        while (col > 0 && x < from + col * w)
                            --col;
                        auto [it, fresh] = expected.try_emplace(col, ColumnSpan{col, y, y, y, y});
                        it->second.last = y;
                        it->second.min = std::min(it->second.min, y);
                        it->second.max = std::max(it->second.max, y);
                    }
                }
                // Exact while columns hold few samples; else each column shows samples of
                // its own or a neighbouring column, and together they show them all.
                MinMax all, shown;
                for (const auto &[col, span] : expected)
                    all.add(MinMax{span.min, span.max});
                const bool exact = inRange < kCoarse * width;
                if (exact)
                    QCOMPARE(trace.columns.size(), expected.size());
                for (const ColumnSpan &got : trace.columns) {
                    shown.add(MinMax{got.min, got.max});
                    if (exact) {
                        const ColumnSpan &e = expected.at(got.column);
                        QVERIFY(got.first == e.first && got.last == e.last && got.min == e.min &&
                                got.max == e.max);
                        continue;
                    }
                    MinMax near;
                    for (int k = got.column - 1; k <= got.column + 1; ++k)
                        if (expected.count(k))
                            near.add(MinMax{expected.at(k).min, expected.at(k).max});
                    QVERIFY(got.min >= near.min && got.max <= near.max);
                }
                QVERIFY(shown.min == all.min && shown.max == all.max);
                QCOMPARE(trace.before.has_value(), before.has_value());
                QCOMPARE(trace.after.has_value(), after.has_value());
                QVERIFY(!before || trace.before->x == before->x);
                QVERIFY(!after || trace.after->x == after->x);

                const double x = from + (to - from) * rng.generateDouble();
                double best = HUGE_VAL;
                for (qint64 i = store.firstSample(s); i < c.end(); ++i)
                    best = std::min(best, std::abs(store.lineX(c.line(i), axis) - x));
                QCOMPARE(std::abs(nearestSample(store, s, axis, x)->x - x), best);
            }
        }
    }

    void viewRanges()
    {
        PlotView view;
        view.setSpan(10);
        QCOMPARE(view.range(0, 100).from, 90.0);
        view.showWholeRun();
        QCOMPARE(view.range(5, 100).from, 5.0);
        QCOMPARE(view.range(5, 5).to, 10.0); // a single sample: the span around it
        view.follow();
        QCOMPARE(view.range(0, 100).to, 100.0);
        view.setPaused(true);
        QCOMPARE(view.range(0, 200).to, 100.0);
        view.setPaused(false);
        QCOMPARE(view.range(0, 200).to, 200.0);
        view.zoom(0.5, 0.5); // about the middle of 190..200
        QCOMPARE(view.range(0, 300).from, 192.5);
        QCOMPARE(view.range(0, 300).to, 197.5);
        view.pan(0.2); // one fifth of the width to the left
        QCOMPARE(view.range(0, 300).from, 191.5);
        QCOMPARE(view.mode(), PlotView::Mode::Fixed);
        view.follow();
        QCOMPARE(view.range(0, 300).to, 300.0);

        QCOMPARE(paddedRange({0, 10}).from, -0.5);
        QCOMPARE(paddedRange({3, 3}).to, 3.5);
        QCOMPARE(niceStep(97, 5), 20.0);
        QCOMPARE(niceStep(0.0009, 3), 0.0005);
        QCOMPARE(timeStep(45000, 6), 10000.0);
        QCOMPARE(timeStep(900, 6), 200.0);
        QCOMPARE(timeStep(4 * 3600000.0, 5), 3600000.0);
        QCOMPARE(ticks({-3, 11}, 5), (std::vector<double>{0, 5, 10}));
        // Whole local hours at UTC+05:30.
        QCOMPARE(ticks({0, 7200000}, 3600000, 19800000), (std::vector<double>{1800000, 5400000}));
    }

    // Every number reads as the C library reads it, to the last bit.
    void numbersReadExactly()
    {
        QRandomGenerator rng(5);
        QByteArray stream;
        std::vector<double> expected;
        for (int i = 0; i < 20000; ++i) {
            const double v = (rng.generateDouble() - 0.3) * std::pow(10.0, rng.bounded(-30, 30));
            const char format[] = {'%', '.', char('0' + rng.bounded(1, 10)), "gef"[i % 3], 0};
            char text[400];
            std::snprintf(text, sizeof text, format, v);
            expected.push_back(std::strtod(text, nullptr));
            stream += text + "\n"_ba;
        }
        SampleStore store;
        LineParser(store).feed(stream, 0);
        QCOMPARE(store.column(0).end(), qint64(expected.size()));
        for (size_t i = 0; i < expected.size(); ++i)
            if (store.column(0).value(qint64(i)) != expected[i])
                QFAIL(stream.split('\n')[qsizetype(i)]);
    }

    void csv()
    {
        SampleStore store;
        LineParser parser(store);
        parser.feed("say\"hi\":1 b:2.25\r\n", 1'700'000'000'999);
        parser.feed("b:-3e-7\r\n", 1'700'000'001'000);
        parser.feed("say\"hi\":1e21\r\n", 1'700'000'001'020);
        QCOMPARE(plotCsv(store), "time,\"say\"\"hi\"\"\",b\r\n"
                                 "2023-11-14 22:13:20.999,1,2.25\r\n"
                                 "2023-11-14 22:13:21.000,,-3e-07\r\n"
                                 "2023-11-14 22:13:21.020,1e+21,\r\n"_ba);
    }

    // A run starts between lines; one from the capture reads it at the times its bytes came.
    void feedStarts()
    {
        PlotFeed feed;
        feed.received("1\n2", 10);
        feed.start();
        feed.received("5\n3\n", 20);
        QCOMPARE(dump(feed.store()), u"1=3"_s);
        QCOMPARE(feed.linesSkipped(), 1);
        const QByteArray everything = "1\n25\n3\n";
        feed.startFromCapture(everything);
        QCOMPARE(dump(feed.store()), u"1=1|1=25|1=3"_s);
        QCOMPARE(feed.store().lineTime(1), 10);
        QCOMPARE(feed.store().lineTime(2), 20);
        feed.startFromCapture(everything.sliced(3)); // "5\n3\n": a tail that starts mid-line
        QCOMPARE(dump(feed.store()), u"1=3"_s);
        feed.stop();
        feed.received("4\n", 30);
        QCOMPARE(feed.store().lineCount(), 0);
    }
};

QTEST_GUILESS_MAIN(TestPlot)
#include "tst_plot.moc"
