#include "rig.h"

#include <QAction>
#include <QPushButton>
#include <QtTest>

class TestBank : public QObject
{
    Q_OBJECT

    static QByteArray fileBytes(const QString &path)
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    }

private slots:
    void pagesMoveAndKeepEdits()
    {
        Rig r;
        r.fillRow(2, 0, QStringLiteral("two"), QStringLiteral("page two"));
        r.w->Text1[3]->setText(QStringLiteral("edited"));
        r.w->Command23->click();
        QCOMPARE(r.w->Text3->text(), QStringLiteral("2"));
        QCOMPARE(r.w->bankIndex, 2);
        QCOMPARE(r.w->bankText1[1][3], QStringLiteral("edited"));
        QCOMPARE(r.w->Text1[0]->text(), QStringLiteral("two"));
        QCOMPARE(r.w->Text2[0]->text(), QStringLiteral("page two"));
        QCOMPARE(r.w->Text1[3]->text(), QString());
        r.w->Command7->click();
        QCOMPARE(r.w->Text1[3]->text(), QStringLiteral("edited"));

        // "-" stops at page 1, "+" at page 50.
        r.w->Command7->click();
        QCOMPARE(r.w->Text3->text(), QStringLiteral("1"));
        r.showPage(50);
        r.w->Command23->click();
        QCOMPARE(r.w->Text3->text(), QStringLiteral("50"));
        QCOMPARE(r.w->bankIndex, 50);
    }

    void pageNumbersThatNameNoPage()
    {
        Rig r;
        r.fillRow(4, 0, QStringLiteral("four"));
        r.fillRow(0, 0, QStringLiteral("zero"));
        r.showPage(3);
        // 77 in one step: the page stays, and + and - do nothing.
        r.w->Text3->setText(QStringLiteral("77"));
        QCOMPARE(r.w->bankIndex, 3);
        r.w->Command23->click();
        r.w->Command7->click();
        QCOMPARE(r.w->Text3->text(), QStringLiteral("77"));
        QCOMPARE(r.w->bankIndex, 3);

        r.w->Text3->setText(QStringLiteral("0.3"));
        QCOMPARE(r.w->bankIndex, 0);
        QCOMPARE(r.w->Text1[0]->text(), QStringLiteral("zero"));

        r.w->Text3->setText(QStringLiteral("2.5"));
        QCOMPARE(r.w->bankIndex, 2);
        r.w->Command23->click();
        QCOMPARE(r.w->Text3->text(), QStringLiteral("3.5"));
        QCOMPARE(r.w->bankIndex, 4);
        QCOMPARE(r.w->Text1[0]->text(), QStringLiteral("four"));
    }

    void copyPastePage()
    {
        Rig r;
        r.w->Text1[0]->setText(QStringLiteral("stored"));
        r.w->StoreBankPage();
        r.w->Text1[0]->setText(QStringLiteral("unstored edit"));
        r.w->mnuCopyPage->trigger();
        r.showPage(2);
        QCOMPARE(r.w->bankText1[1][0],
                 QStringLiteral("unstored edit")); // the page change stored it
        r.w->mnuPastePage->trigger();
        QCOMPARE(r.w->bankText1[2][0], QStringLiteral("stored"));
        QCOMPARE(r.w->Text1[0]->text(), QStringLiteral("stored"));

        Rig fresh;
        fresh.fillRow(1, 7, QStringLiteral("x"), QStringLiteral("y"));
        fresh.w->ShowBankPage();
        fresh.w->mnuPastePage->trigger();
        QCOMPARE(fresh.w->bankText1[1][7], QString());
        QCOMPARE(fresh.w->Text2[7]->text(), QString());
    }

    void storeTakesDelayAndPage()
    {
        Rig r;
        r.w->txtDelay->setText(QStringLiteral("abc"));
        r.w->StoreBankPage();
        QCOMPARE(r.w->Timer2->interval(), 100);
        r.w->txtDelay->setText(QStringLiteral("250.5"));
        r.w->StoreBankPage();
        QCOMPARE(r.w->Timer2->interval(), 250);
        r.w->txtDelay->setText(QStringLiteral("70000"));
        r.w->StoreBankPage();
        QCOMPARE(r.w->Timer2->interval(), 250);
    }

    void timer3ShowsThePageNamed()
    {
        Rig r;
        r.fillRow(5, 1, QStringLiteral("five"));
        // As at start-up: the page number names page 5 while page 1 is shown.
        r.w->bankStoreBlocked = true;
        r.w->Text3->setText(QStringLiteral("5"));
        r.w->bankStoreBlocked = false;
        r.w->bankIndex = 1;
        r.w->ShowBankPage();
        r.w->Timer3->start();
        QTRY_COMPARE_WITH_TIMEOUT(r.w->Text1[1]->text(), QStringLiteral("five"), 10000);
        QVERIFY(!r.w->Timer3->isActive());
        QCOMPARE(r.w->bankIndex, 5);
    }

    void saveProject()
    {
        Rig r;
        const QString path = r.dir.filePath(QStringLiteral("bank.ovc"));
        r.dialog->answer = path;
        r.fillRow(3, 5, QStringLiteral("y"), QStringLiteral("x"));
        r.w->mnuSave->trigger();
        QCOMPARE(r.dialog->saves, 1);
        QCOMPARE(r.dialog->filtersSeen.last(), QStringLiteral("All Files (*.ovc)|*.ovc|"));
        QCOMPARE(r.dialog->flagsSeen.last(), 0x201004);
        QByteArray golden;
        for (int line = 1; line <= 2000; ++line)
            golden += line == 91 ? "\"x\"\r\n" : line == 92 ? "\"y\"\r\n" : "\"\"\r\n";
        QCOMPARE(fileBytes(path), golden);

        // Edits on the page shown go into the file.
        r.showPage(5);
        r.w->Text1[0]->setText(QStringLiteral("say \"hi\""));
        r.w->mnuSave->trigger();
        r.w->bankText1[5][0].clear();
        r.w->mnuLoad->trigger();
        QCOMPARE(r.w->bankText1[5][0], QStringLiteral("say \"hi\""));
        QCOMPARE(r.w->bankText2[3][5], QStringLiteral("x"));
    }

    void loadProjectShowsPageOne()
    {
        Rig r;
        const QString path = r.dir.filePath(QStringLiteral("in.ovc"));
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("\"d1\",\"s1\"\r\n\"d2\"\r\n\"s2\"\r\n"); // ends after four records
        f.close();
        r.fillRow(5, 0, QStringLiteral("old five"));
        r.showPage(5);
        r.fillRow(1, 2, QStringLiteral("untouched"));
        r.w->Text1[0]->setText(QStringLiteral("edit on screen"));
        r.w->Text1[1]->setText(QStringLiteral("another"));

        r.dialog->answer = path;
        r.w->mnuLoad->trigger();
        QCOMPARE(r.dialog->opens, 1);
        QCOMPARE(r.w->Text3->text(), QStringLiteral("1"));
        QCOMPARE(r.w->bankIndex, 1);
        QCOMPARE(r.w->Text1[0]->text(), QStringLiteral("s1"));
        QCOMPARE(r.w->Text2[1]->text(), QStringLiteral("d2"));
        QCOMPARE(r.w->Text1[2]->text(), QStringLiteral("untouched"));
        // The rows that were on screen went nowhere.
        QCOMPARE(r.w->bankText1[5][0], QStringLiteral("old five"));
        QCOMPARE(r.w->bankText1[5][1], QString());
        QCOMPARE(r.w->bankText1[1][1], QStringLiteral("s2"));

        // The next dialog starts with the name chosen before.
        r.dialog->answer.clear();
        r.dialog->result = CommonDialog::cdlCancel;
        r.w->mnuLoad->trigger();
        QCOMPARE(r.dialog->FileName, path);

        // A file that cannot be read changes no entry but page 1 is shown.
        r.dialog->result = 0;
        r.dialog->answer = r.dir.filePath(QStringLiteral("missing.ovc"));
        r.showPage(2);
        r.w->mnuLoad->trigger();
        QCOMPARE(r.w->Text3->text(), QStringLiteral("1"));
        QCOMPARE(r.w->Text1[0]->text(), QStringLiteral("s1"));
    }

    void cancelAndDialogErrors()
    {
        Rig r;
        const QString path = r.dir.filePath(QStringLiteral("keep.ovc"));
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("\"old\"\r\n");
        f.close();
        r.dialog->FileName = path;
        r.fillRow(4, 4, QStringLiteral("bank"));
        r.showPage(4);
        r.w->Text1[4]->setText(QStringLiteral("edit"));

        r.dialog->result = CommonDialog::cdlCancel;
        r.w->mnuSave->trigger();
        r.w->mnuLoad->trigger();
        QCOMPARE(fileBytes(path), QByteArray("\"old\"\r\n"));
        QCOMPARE(r.w->bankText1[4][4], QStringLiteral("bank"));
        QCOMPARE(r.w->Text3->text(), QStringLiteral("4"));
        QVERIFY(r.messages->shown.isEmpty());

        // Another error is reported; no file is read or written after it.
        r.dialog->result = 53;
        r.dialog->description = QStringLiteral("File not found");
        r.w->mnuLoad->trigger();
        QCOMPARE(r.messages->shown,
                 QStringList{QStringLiteral("Error 53 selecting file.\r\nFile not found")});
        QCOMPARE(r.w->Text3->text(), QStringLiteral("4"));
        r.w->mnuSave->trigger();
        QCOMPARE(r.messages->shown.size(), 2);
        QCOMPARE(fileBytes(path), QByteArray("\"old\"\r\n"));
        QCOMPARE(r.w->bankText1[4][4], QStringLiteral("edit")); // stored all the same

        // An empty name ends the command, after the save stored the rows.
        r.dialog->result = 0;
        r.dialog->answer.clear();
        r.w->Text1[4]->setText(QStringLiteral("again"));
        r.w->mnuSave->trigger();
        QCOMPARE(r.w->bankText1[4][4], QStringLiteral("again"));
        QCOMPARE(fileBytes(path), QByteArray("\"old\"\r\n"));
    }

    void clearKeys()
    {
        Rig r;
        r.fillRow(7, 3, QStringLiteral("seven"), QStringLiteral("d"));
        r.fillRow(50, 19, QStringLiteral("last"));
        r.fillRow(0, 0, QStringLiteral("page zero stays"));
        r.showPage(7);
        r.w->Text1[0]->setText(QStringLiteral("on screen"));
        r.w->mnuClear->trigger();
        QCOMPARE(r.w->Text3->text(), QStringLiteral("1"));
        QCOMPARE(r.w->bankIndex, 1);
        for (int p = 1; p <= 50; ++p)
            for (int row = 0; row < 20; ++row)
                QVERIFY(r.w->bankText1[p][row].isEmpty() && r.w->bankText2[p][row].isEmpty());
        for (int row = 0; row < 20; ++row)
            QVERIFY(r.w->Text1[row]->text().isEmpty() && r.w->Text2[row]->text().isEmpty());
        QCOMPARE(r.w->bankText1[0][0], QStringLiteral("page zero stays"));
    }
};

QTEST_MAIN(TestBank)
#include "tst_bank.moc"
