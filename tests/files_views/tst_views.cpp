#include "frmhelp.h"
#include "frmhexeditor.h"
#include "rig.h"
#include "textbox.h"

#include <QAction>
#include <QPushButton>
#include <QtTest>

namespace {

// True when a lies above b among their siblings.
bool inFront(QWidget *a, QWidget *b)
{
    const QObjectList &c = a->parentWidget()->children();
    return c.indexOf(a) > c.indexOf(b);
}

QList<QAction *> viewItems(frmSerial &w)
{
    return {w.mnuViewPaneList, w.mnuViewHexList, w.mnuViewBigAsciiPane, w.mnuViewBigHEXPane,
            w.mnuViewAsciiHex};
}

} // namespace

class TestViews : public QObject
{
    Q_OBJECT
private slots:
    void layouts_data()
    {
        QTest::addColumn<int>("item");
        QTest::addColumn<QRect>("ascii");
        QTest::addColumn<QRect>("hex");
        QTest::addColumn<int>("front"); // 0 ascii, 1 hex, -1 untouched
        const QRect narrow(8, 120, 290, 431);
        const QRect wide(8, 120, 697, 431);
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
        Rig r;
        frmSerial &w = *r.w;
        w.SerialText->setText(QStringLiteral("kept"));
        // Start from the other front pane so that the raise shows.
        (front == 0 ? w.mnuViewHexList : w.mnuViewPaneList)->trigger();
        const bool asciiWasInFront = inFront(w.SerialText, w.SerialText1);

        for (int round = 0; round < 2; ++round) { // choosing it again changes nothing
            viewItems(w)[item]->trigger();
            QCOMPARE(w.SerialText->geometry(), ascii);
            QCOMPARE(w.SerialText1->geometry(), hex);
            if (front >= 0)
                QCOMPARE(inFront(w.SerialText, w.SerialText1), front == 0);
            else
                QCOMPARE(inFront(w.SerialText, w.SerialText1), asciiWasInFront);
            for (int i = 0; i < 5; ++i)
                QCOMPARE(viewItems(w)[i]->isChecked(), i == item);
        }
        // The list layouts leave the send-key rows free; the big ones cover them.
        const QRect keys = w.Command2[5]->geometry();
        QCOMPARE((w.SerialText->geometry() | w.SerialText1->geometry()).intersects(keys),
                 item >= 2);
        if (item == 2 || item == 3)
            QVERIFY(inFront(item == 2 ? w.SerialText : w.SerialText1, w.Command2[5]));
        QCOMPARE(w.SerialText->text(), QStringLiteral("kept"));
    }

    void fonts()
    {
        Rig r;
        frmSerial &w = *r.w;
        const struct
        {
            QAction *item;
            double points;
            int choice;
        } cases[] = {{w.mnuFontLarge, 22, 3}, {w.mnuFontMedium, 14, 2}, {w.mnuFontSmall, 10, 1}};
        for (const auto &c : cases) {
            c.item->trigger();
            for (TextBox *box : {w.SerialText, w.SerialText1, w.txtSent}) {
                QCOMPARE(box->font().pointSizeF(), c.points);
                QCOMPARE(box->font().family(), QStringLiteral("Courier New"));
            }
            QCOMPARE(mainFontSize, c.choice);
            for (QAction *a : {w.mnuFontSmall, w.mnuFontMedium, w.mnuFontLarge})
                QCOMPARE(a->isChecked(), a == c.item);
        }
    }

    void onOffOptions()
    {
        Rig r;
        frmSerial &w = *r.w;
        // Silent Capture and Auto Scroll follow the check mark ...
        w.silentCapture = 2; // from the settings file: on, but not shown as checked
        w.mnuSilent->setChecked(false);
        w.mnuSilent->trigger();
        QVERIFY(w.mnuSilent->isChecked());
        QCOMPARE(w.silentCapture, qint16(1));
        w.mnuSilent->trigger();
        QVERIFY(!w.mnuSilent->isChecked());
        QCOMPARE(w.silentCapture, qint16(0));
        w.mnuScroll->trigger();
        QVERIFY(w.mnuScroll->isChecked());
        QCOMPARE(w.autoScroll, qint16(1));

        // ... Clear TX on Each Send and Silent TX follow the variable.
        w.autoClearTX = 2;
        w.mnuAutoClearTX->setChecked(false);
        w.mnuAutoClearTX->trigger();
        QCOMPARE(w.autoClearTX, qint16(0));
        QVERIFY(!w.mnuAutoClearTX->isChecked());
        w.mnuAutoClearTX->trigger();
        QCOMPARE(w.autoClearTX, qint16(1));
        QVERIFY(w.mnuAutoClearTX->isChecked());
        w.mnuTXSilent->trigger();
        w.mnuTXSilent->trigger();
        QCOMPARE(w.txSilent, qint16(0));
        QVERIFY(!w.mnuTXSilent->isChecked());
    }

    void alwaysOnTopKeepsPlaceAndShowsNoMark()
    {
        Rig r;
        frmSerial &w = *r.w;
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        const QRect before = w.geometry();
        w.mnuAlwaysOnTop->trigger();
        QCOMPARE(w.alwaysOnTop, qint16(1));
        QVERIFY(w.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        QVERIFY(w.isVisible());
        QCOMPARE(w.geometry(), before);
        QVERIFY(!w.mnuAlwaysOnTop->isChecked());
        w.mnuAlwaysOnTop->trigger();
        QCOMPARE(w.alwaysOnTop, qint16(0));
        QVERIFY(!w.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        QCOMPARE(w.geometry(), before);
        QVERIFY(!w.mnuAlwaysOnTop->isChecked());
    }

    void hexEditorIsOneModelessWindow()
    {
        Rig r;
        frmSerial &w = *r.w;
        w.mnuHexEditor->trigger();
        QPointer<frmHexEditor> first = w.hexEditor;
        QVERIFY(first && first->isVisible() && !first->isModal());
        w.mnuHexEditor->trigger();
        QCOMPARE(w.hexEditor.data(), first.data());
        first->close();
        QTRY_VERIFY(first.isNull());
        w.mnuHexEditor->trigger();
        QVERIFY(w.hexEditor && w.hexEditor->isVisible());
        delete w.hexEditor.data();
    }

    void helpShowsHelpTxt()
    {
        Rig r;
        frmSerial &w = *r.w;
        r.writeFile(QStringLiteral("Help.txt"), QByteArray("one\r\ntwo \xe9\r\nthree"));
        w.mnuHelp->trigger();
        QPointer<frmHelp> help = w.helpWindow;
        QVERIFY(help && help->isVisible());
        QCOMPARE(help->windowTitle(), QStringLiteral("Help"));
        QCOMPARE(help->size(), QSize(874, 354));
        QCOMPARE(help->Text1->geometry(), QRect(8, 0, 857, 345));
        QCOMPARE(help->Text1->font().family(), QStringLiteral("Courier New"));
        QCOMPARE(help->Text1->font().pointSizeF(), 12.0);
        QCOMPARE(help->Text1->text(), QStringLiteral("one\r\ntwo \u00e9\r\nthree"));

        // Shown again while open: the same window, the file is not read again.
        help->Text1->setText(QStringLiteral("edited"));
        w.ShowHelpWindow();
        QCOMPARE(w.helpWindow.data(), help.data());
        QCOMPARE(help->Text1->text(), QStringLiteral("edited"));

        // Closed and shown again: loaded afresh.
        help->close();
        QTRY_VERIFY(help.isNull());
        r.writeFile(QStringLiteral("Help.txt"), QByteArray());
        w.mnuHelp->trigger();
        QCOMPARE(w.helpWindow->Text1->text(), QString());
        delete w.helpWindow.data();
    }

    void missingHelpTxtShowsNothing()
    {
        QTemporaryDir dir;
        frmHelp help(dir.path());
        QCOMPARE(help.Text1->text(), QString());
    }
};

QTEST_MAIN(TestViews)
#include "tst_views.moc"
