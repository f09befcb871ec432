// The command runner without widgets: what a command of a busy lane does, nesting, and
// what waits for the runner to go idle.
#include "transmit/commandrunner.h"

#include <QtTest>

using namespace Qt::StringLiterals;

class TestCommandRunner : public QObject
{
    Q_OBJECT
private slots:
    // An outer command of the lane asks, while it runs (as from a yield), for `second` and
    // `third` with the same rule; the trace shows what ran when.
    void busyLane_data()
    {
        QTest::addColumn<WhenBusy>("whenBusy");
        QTest::addColumn<bool>("drop");
        QTest::addColumn<QString>("trace");
        QTest::newRow("refused") << WhenBusy::Refuse << false << u"(1)|-"_s;
        QTest::newRow("the latest deferred, in the same frame")
            << WhenBusy::Defer << false << u"(1)(3)|"_s;
        QTest::newRow("deferred, then dropped") << WhenBusy::Defer << true << u"(1)|"_s;
        QTest::newRow("joined, nested") << WhenBusy::Join << false << u"(1(2)(3))|"_s;
    }
    void busyLane()
    {
        QFETCH(WhenBusy, whenBusy);
        QFETCH(bool, drop);
        CommandRunner runner;
        CommandLane lane;
        QString ran;
        const auto command = [&](QChar n, const std::function<void()> &meanwhile = {}) {
            return [&, n, meanwhile] {
                ran += u'(' + QString(n);
                QVERIFY(lane.busy() && runner.running());
                if (meanwhile)
                    meanwhile();
                ran += u')';
            };
        };
        bool refused = false;
        QVERIFY(runner.run(lane, whenBusy, command(u'1', [&] {
                               refused = !runner.run(lane, whenBusy, command(u'2'));
                               (void)runner.run(lane, whenBusy, command(u'3'));
                               if (drop)
                                   lane.dropDeferred();
                           })));
        ran += u'|';
        if (whenBusy == WhenBusy::Refuse && refused)
            ran += u'-';
        QFETCH(QString, trace);
        QCOMPARE(ran, trace);
        QVERIFY(!lane.busy() && !runner.running());
    }

    // A send's ticket keeps the lane until it goes, also past the lane itself.
    void ticketsHoldTheLane()
    {
        auto lane = std::make_unique<CommandLane>();
        auto ticket = lane->tryBegin();
        QVERIFY(ticket && lane->busy() && !lane->tryBegin());
        ticket.reset();
        QVERIFY(!lane->busy());
        ticket = lane->tryBegin();
        lane.reset();
        ticket.reset(); // no use of the lane that is gone (ASan builds would tell)
    }

    // What waits for the runner runs once the outermost command has returned, at once when
    // none runs; a cancel forgets it.
    void whenIdle()
    {
        CommandRunner runner;
        QString trace;
        runner.whenIdle([&] { trace += u"now "_s; });
        runner.run([&] {
            runner.run([&] {
                runner.whenIdle([&] { trace += u"idle"_s; });
                trace += u"inner "_s;
            });
            trace += u"outer "_s;
        });
        QCOMPARE(trace, u"now inner outer idle"_s);
        runner.run([&] {
            runner.whenIdle([&] { trace += u"!"_s; });
            QVERIFY(runner.cancelWhenIdle());
        });
        QVERIFY(!runner.cancelWhenIdle());
        QCOMPARE(trace, u"now inner outer idle"_s);
    }
};

QTEST_GUILESS_MAIN(TestCommandRunner)
#include "tst_commandrunner.moc"
