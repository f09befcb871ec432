#include "rig.h"

#include <QPushButton>
#include <QtTest>

#include <functional>

class TestSequencer : public QObject
{
    Q_OBJECT

    // Runs action once, posted so that it happens during the pause after row `row` of
    // the first page sent (the run yields there).
    static void atRow(Rig &r, int row, std::function<void()> action)
    {
        auto *conn = new QMetaObject::Connection;
        *conn = QObject::connect(r.w->Text8, &QLineEdit::textChanged, r.w.get(),
                                 [conn, row, action](const QString &t) {
                                     if (t != QString::number(row))
                                         return;
                                     QObject::disconnect(*conn);
                                     delete conn;
                                     QTimer::singleShot(0, action);
                                 });
    }

    static void fillPage(Rig &r, int page)
    {
        for (int row = 0; row < 20; ++row)
            r.fillRow(page, row, QStringLiteral("r%1").arg(row));
    }

    static QByteArray rows(int from, int to)
    {
        QByteArray out;
        for (int row = from; row <= to; ++row)
            out += "r" + QByteArray::number(row) + "\r";
        return out;
    }

private slots:
    void sendBankPacesEveryItem()
    {
        Rig r;
        r.w->txtDelay->setText(QStringLiteral("1"));
        r.w->Text1[0]->setText(QStringLiteral("first"));
        r.w->Text1[5]->setText(QStringLiteral("sixth"));
        r.setEndings(true, true);
        int pauses = 0;
        connect(r.w->Timer2, &QTimer::timeout, r.w.get(), [&] { ++pauses; });
        r.w->Command1->click();
        // CR only, on the bytes written; every item echoed and paused for.
        QCOMPARE(r.port->written, QByteArray("first\rsixth\r"));
        QCOMPARE(r.sent(), Rig::norm(QStringLiteral("first\r\n\r\n\r\n\r\n\r\nsixth\r\n") +
                                     QStringLiteral("\r\n").repeated(14)));
        QCOMPARE(r.w->Text8->text(), QStringLiteral("19"));
        QCOMPARE(pauses, 20);
        QCOMPARE(r.w->Timer2->interval(), 1);
        QVERIFY(!r.w->Timer2->isActive());
        QCOMPARE(r.w->bankText1[1][5], QStringLiteral("sixth")); // stored at the start
        QCOMPARE(txCaptureCount, 0);                             // the record is not touched
        QCOMPARE(r.w->txtTXCntr->text(), QStringLiteral("0"));
    }

    void stopBeforeAndDuringARun()
    {
        Rig r;
        r.w->txtDelay->setText(QStringLiteral("1"));
        fillPage(r, 1);
        r.w->ShowBankPage();
        r.setEndings(true, false);

        // STOP while idle: the next run sends its first item only.
        r.w->Command6->click();
        r.w->Command1->click();
        QCOMPARE(r.port->written, rows(0, 0));
        QCOMPARE(r.sent(), QStringLiteral("r0\n"));
        QCOMPARE(r.w->stopRequested, 0);

        // STOP during the pause after row 2: row 3 still goes, then the run ends.
        r.port->written.clear();
        r.w->autoClearTX = 1;
        atRow(r, 2, [&] { r.w->Command6->click(); });
        r.w->Command1->click();
        QCOMPARE(r.port->written, rows(0, 3));
        QCOMPARE(r.sent(), QStringLiteral("r0\nr1\nr2\nr3\n"));
        QCOMPARE(r.w->Text8->text(), QStringLiteral("3"));
        QCOMPARE(r.w->stopRequested, 0);
    }

    void suspendEndsTheRun()
    {
        Rig r;
        r.w->txtDelay->setText(QStringLiteral("1"));
        fillPage(r, 1);
        r.w->ShowBankPage();
        r.setEndings(true, false);
        bool pausedAfterLast = false;
        atRow(r, 2, [&] {
            r.w->Command4->click();
            connect(r.w->Text8, &QLineEdit::textChanged, r.w.get(), [&](const QString &t) {
                if (t == QStringLiteral("19"))
                    pausedAfterLast = !r.w->Timer2->isActive();
            });
        });
        r.w->Command1->click();
        QCOMPARE(r.port->written, rows(0, 2));
        QCOMPARE(r.sent(), QStringLiteral("r0\nr1\nr2\nr3\n")); // echoed, not written
        QCOMPARE(r.w->Text8->text(), QStringLiteral("19"));
        QVERIFY(pausedAfterLast);

        // In Send All the page pause runs and no further page is visited.
        r.w->Command4->click(); // resume
        r.port->written.clear();
        fillPage(r, 2);
        r.w->Timer1->setInterval(1);
        atRow(r, 4, [&] { r.w->Command4->click(); });
        r.w->Command3->click();
        QCOMPARE(r.port->written, rows(0, 4));
        QCOMPARE(r.w->Text3->text(), QStringLiteral("1"));
    }

    void sendAllVisitsEveryPageInOrder()
    {
        Rig r;
        // A pause of 0 ms still yields once and never hangs.
        r.w->txtDelay->setText(QStringLiteral("0"));
        r.w->Timer1->setInterval(1);
        r.w->Keyhex_Click(0);
        QByteArray expected;
        for (int page = 1; page <= 50; ++page) {
            for (int row = 0; row < 10; ++row) {
                const int b = (page * 5 + row) & 0xFF;
                r.fillRow(page, row,
                          QStringLiteral("%1").arg(b, 2, 16, QLatin1Char('0')).toUpper());
                expected += char(b);
            }
        }
        r.w->ShowBankPage();
        int pagePauses = 0;
        connect(r.w->Timer1, &QTimer::timeout, r.w.get(), [&] { ++pagePauses; });
        r.w->Command3->click();
        QCOMPARE(r.port->written, expected);
        QCOMPARE(pagePauses, 50);
        QCOMPARE(r.w->Text3->text(), QStringLiteral("50"));
        QCOMPARE(r.w->bankIndex, 50);
        QCOMPARE(r.w->Text1[0]->text(), r.w->bankText1[50][0]);
        QCOMPARE(r.sent().count(u'\n'), 1000);
    }

    void pageChangeDuringARunKeepsItsPage()
    {
        Rig r;
        r.w->txtDelay->setText(QStringLiteral("1"));
        fillPage(r, 1);
        r.fillRow(2, 5, QStringLiteral("other page"));
        r.w->ShowBankPage();
        atRow(r, 2, [&] { r.w->Command23->click(); });
        r.w->Command1->click();
        QCOMPARE(r.port->written, QByteArray(rows(0, 19)).replace('\r', ""));
        QCOMPARE(r.w->Text3->text(), QStringLiteral("2"));
        QCOMPARE(r.w->Text1[5]->text(), QStringLiteral("other page"));
    }

    void othersWaitForTheRun()
    {
        Rig r;
        r.w->txtDelay->setText(QStringLiteral("1"));
        fillPage(r, 1);
        r.w->ShowBankPage();
        r.w->txt[0]->setText(QStringLiteral("typed"));
        atRow(r, 1, [&] {
            r.w->BTNSend->click();
            r.w->Command2[7]->click();
            r.w->Command1->click();
            r.w->Command3->click();
        });
        r.w->Command1->click();
        QCOMPARE(r.port->written, QByteArray(rows(0, 19)).replace('\r', ""));
        QCOMPARE(r.w->txtTXCntr->text(), QStringLiteral("0"));
        r.w->BTNSend->click();
        QVERIFY(r.port->written.endsWith("typed"));
    }

    void closingEndsARun()
    {
        Rig r;
        fillPage(r, 1);
        r.w->ShowBankPage();
        atRow(r, 2, [&] { r.w->close(); });
        r.w->Command3->click(); // default pauses: 100 ms per item, 1 s per page
        QVERIFY(r.w->unloading);
        QVERIFY(!r.w->sendBusy);
        QVERIFY(!r.w->Timer2->isActive());
        QCOMPARE(r.w->Text8->text(), QStringLiteral("2"));
    }
};

QTEST_MAIN(TestSequencer)
#include "tst_sequencer.moc"
