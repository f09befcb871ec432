#include "filesizelimit.h"
#include "frmhelp.h"
#include "qtfiledialog.h"
#include "windowrig.h"

#include <QAction>
#include <QApplication>
#include <QFileDialog>
#include <QPushButton>
#include <QtTest>

#include <functional>

namespace {

void setCapture(const QByteArray &bytes)
{
    std::copy(bytes.begin(), bytes.end(), rxCaptureBuffer.begin());
    rxCaptureCount = qint32(bytes.size());
}

// Letters, with a 0 at index 1.
QByteArray letters(int n)
{
    QByteArray out;
    for (int i = 0; i < n; ++i)
        out += char(i == 1 ? 0 : 'a' + i % 26);
    return out;
}

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

class TestFilesViews : public QObject
{
    Q_OBJECT
private slots:
    void fileSend_data()
    {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<bool>("suspended");
        QTest::addColumn<bool>("hex");
        QTest::addColumn<bool>("silent");
        QTest::addColumn<QString>("echo");
        const QByteArray a0b("A\0B", 3);
        QByteArray letters;
        for (int i = 0; i < 3000; ++i)
            letters += char('a' + i % 26);
        QTest::newRow("ascii") << a0b << false << false << false << "A<0>B\r\n";
        QTest::newRow("hex") << a0b << false << true << false << "41 00 42 \r\n";
        QTest::newRow("empty") << QByteArray() << false << false << false << "\r\n";
        QTest::newRow("3000") << letters << false << false << false
                              << QString::fromLatin1(letters + "\r\n");
        QTest::newRow("suspended") << a0b << true << false << false << "A\r\n";
        QTest::newRow("silent") << a0b << false << false << true << "";
    }
    void fileSend()
    {
        QFETCH(QByteArray, data);
        QFETCH(bool, suspended);
        QFETCH(bool, hex);
        QFETCH(bool, silent);
        QFETCH(QString, echo);
        Rig r(Rig::RealPty);
        r.w->keyHexMode = hex;
        r.w->txSilent = silent;
        r.w->txSuspended = suspended;
        r.dlgfile().answer = r.writeFile(u"data.bin"_s, data);
        r.w->mnuSendfile->trigger();
        // Suspended, the first byte is recorded and echoed, then the send ends.
        const qsizetype recorded = suspended ? 1 : data.size();
        QCOMPARE(r.takeWritten(), suspended ? QByteArray() : data);
        QCOMPARE(txCaptureCount, recorded);
        const qsizetype kept = qMin(recorded, kTxCaptureSize);
        QCOMPARE(QByteArray(reinterpret_cast<const char *>(txCaptureBuffer.data()), kept),
                 data.left(kept));
        QCOMPARE(r.w->txtSent->text(), echo);
        QCOMPARE(r.w->txtTXCntr->text(), QString::number(data.size())); // suspended too
    }

    void resendCancelAndMissingFile()
    {
        Rig r;
        r.w->txtSent->setText(u"old\r\n"_s);
        const QString file = r.dlgfile().answer = r.writeFile(u"ab"_s, "AB");
        r.w->mnuSendfile->trigger();
        r.w->mnuInstantSend->trigger(); // the same file again, without a dialog
        QCOMPARE(r.port->written, QByteArray("ABAB"));
        QCOMPARE(r.w->txtSent->text(), u"old\r\nAB\r\nAB\r\n"_s);
        QVERIFY(r.w->txtStatus->text().endsWith(file + u"\r\n"_s));

        // Cancel ends the command after "Clear TX on Each Send"; the name stays.
        r.w->autoClearTX = 1;
        r.dlgfile().result = CommonDialog::cdlCancel;
        r.w->mnuSendfile->trigger();
        QCOMPARE(r.w->txtSent->text(), QString());
        QCOMPARE(r.w->fileName, file);
        QVERIFY(r.box->shown.isEmpty());

        // The resend keeps to the file last sent, whatever the project and capture dialogs
        // or an empty choice picked since.
        r.w->autoClearTX = 0;
        r.dlgfile().result = 0;
        const QString project = r.dlgfile().answer = r.path(u"bank.ovc"_s);
        r.w->mnuSave->trigger();
        r.dlgfile3().answer = r.path(u"cap.txt"_s);
        r.w->mnuSaveCaptureAscii->trigger();
        r.dlgfile().answer.clear();
        r.w->mnuSendfile->trigger();
        QVERIFY(QFile::exists(project) && QFile::exists(r.dlgfile3().answer));
        r.w->mnuInstantSend->trigger();
        QCOMPARE(r.port->written, QByteArray("ABABAB"));

        // A remembered file that is gone is not created, nor is a folder sent.
        r.w->lastSentFile = r.path(u"gone.bin"_s);
        txCaptureCount = 9;
        r.w->mnuInstantSend->trigger();
        QVERIFY(!QFile::exists(r.w->lastSentFile));
        QCOMPARE(txCaptureCount, 0);
        r.w->lastSentFile = r.dir.path();
        r.w->mnuInstantSend->trigger();
        QCOMPARE(r.port->written, QByteArray("ABABAB"));
    }

    void closingTheWindowStopsTheSend()
    {
        Rig r;
        r.w->lastSentFile = r.writeFile(u"abcd"_s, "ABCD");
        QObject::connect(r.w->txtTXCntr, &QLineEdit::textChanged, r.w.get(), [&](const QString &t) {
            if (t == u"2"_s)
                QTimer::singleShot(0, r.w.get(), [&r] { r.w->close(); });
        });
        r.w->show();
        r.w->mnuInstantSend->trigger();
        QCOMPARE(r.port->written.left(2), QByteArray("AB"));
        QVERIFY(r.port->written.size() <= 3);
        QVERIFY(r.w->unloading);
    }

    void overlappingSendsAreRefused()
    {
        Rig r;
        r.w->lastSentFile = r.writeFile(u"abc"_s, "abc");
        bool started = false;
        QObject::connect(r.w->txtTXCntr, &QLineEdit::textChanged, r.w.get(), [&](const QString &t) {
            if (t == u"1"_s && !started) {
                started = true;
                r.w->mnuInstantSend->trigger();
                r.w->send_Array("zz");
                r.w->txt[0]->setText(u"XY"_s);
                r.w->BTNSend_Click();
            }
        });
        r.w->mnuInstantSend->trigger();
        QVERIFY(started);
        QCOMPARE(r.port->written, QByteArray("abc"));
    }

    // Every byte given goes out; the transmit record is not touched.
    void sendArray_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<QString>("echo");
        QTest::newRow("none") << 0 << "\r\n";
        QTest::newRow("2") << 2 << "a<0>\r\n";
        QTest::newRow("3000") << 3000
                              << QString::fromLatin1(letters(3000)).replace(QChar(0), u"<0>"_s) +
                                     u"\r\n"_s;
    }
    void sendArray()
    {
        QFETCH(int, count);
        QFETCH(QString, echo);
        Rig r;
        r.w->autoClearTX = 1;
        r.w->txtSent->setText(u"old"_s);
        r.w->txtTXCntr->setText(u"x"_s);
        txCaptureCount = 7;
        r.w->send_Array(letters(count));
        QCOMPARE(r.port->written, letters(count));
        QCOMPARE(r.w->txtTXCntr->text(), count == 0 ? u"x"_s : QString::number(count));
        QCOMPARE(txCaptureCount, 7);
        QCOMPARE(r.w->txtSent->text(), echo);
    }

    // A closed port takes nothing: the counters say so; the echo is written all the same.
    void closedPortCountsNothingSent_data()
    {
        QTest::addColumn<int>("send");
        QTest::newRow("text") << 0;
        QTest::newRow("row") << 1;
        QTest::newRow("Send File") << 2;
        QTest::newRow("Instant Resend") << 3;
        QTest::newRow("send_Array") << 4;
    }
    void closedPortCountsNothingSent()
    {
        QFETCH(int, send);
        Rig r;
        QVERIFY(r.port->setPortOpen(false));
        r.w->txt[0]->setText(u"abc"_s);
        r.w->Text1[2]->setText(u"abc"_s);
        r.w->lastSentFile = r.dlgfile().answer = r.writeFile(u"abc"_s, "abc");
        const std::function<void()> sends[] = {
            [&] { r.w->BTNSend->click(); }, [&] { r.w->Command2[2]->click(); },
            [&] { r.w->mnuSendfile->trigger(); }, [&] { r.w->mnuInstantSend->trigger(); },
            [&] { r.w->send_Array("abc"); }};
        sends[send]();
        QCOMPARE(r.w->txtTXCntr->text(), u"0"_s);
        QCOMPARE(r.sent(), u"abc\r\n"_s);
        QCOMPARE(r.port->written, QByteArray());
    }

    // A device that stops reading holds a file send back at the port's limit: the counter
    // shows only what the port took. Suspend ends the send there, and the device then
    // gets exactly what was counted; Disconnect gives up what the port held and says so.
    void deviceThatStopsReadingHoldsTheSendBack_data()
    {
        QTest::addColumn<bool>("disconnect");
        QTest::newRow("Suspend") << false;
        QTest::newRow("Disconnect") << true;
    }
    void deviceThatStopsReadingHoldsTheSendBack()
    {
        QFETCH(bool, disconnect);
        Rig r(Rig::RealPty);
        const QByteArray data = letters(3000);
        r.w->lastSentFile = r.writeFile(u"data.bin"_s, data);
        const qint64 limit = r.w->MSComm1->outputLimit();
        QVERIFY(r.pty->stopReading());
        r.whenSendWaits([&] {
            // Nothing has reached the device: all that was counted waits in the port.
            QCOMPARE(r.w->txtTXCntr->text(), QString::number(limit));
            QCOMPARE(r.w->MSComm1->bytesToWrite(), limit);
            (disconnect ? r.w->DisconnectButton : r.w->Command4)->click();
        });
        r.w->mnuInstantSend->trigger();
        // Suspended, the byte that found it so is echoed, not sent.
        const QByteArray echoed = disconnect ? data : data.left(limit + 1);
        QCOMPARE(r.sent(), QString::fromLatin1(echoed).replace(QChar(0), u"<0>"_s) + u"\r\n"_s);
        QCOMPARE(r.w->txtTXCntr->text(), QString::number(limit));
        r.pty->resumeReading();
        QCOMPARE(r.takeWritten(), disconnect ? QByteArray() : data.left(limit));
        if (disconnect)
            QVERIFY(r.w->txtStatus->text().endsWith(
                u"Output discarded at close: %1 bytes not sent\r\nCOM Port Disconnected\r\n"_s.arg(
                    limit)));
    }

    void captureExportsAndRebuild()
    {
        Rig r;
        r.w->silentCapture = 1; // the rebuild fills the panes all the same
        setCapture(QByteArray("\x00\x41\x0D\x0A", 4));
        r.w->cmdRebuild->click();
        QCOMPARE(r.w->SerialText->text(), u"<0>A\r\n"_s);
        QCOMPARE(r.w->SerialText1->text(), u"00 41 0D 0A "_s);
        const QString ascii = r.dlgfile3().answer = r.path(u"cap.txt"_s);
        r.w->mnuSaveCaptureAscii->trigger();
        QCOMPARE(Rig::readFile(ascii), QByteArray("\x00\x41\x0D\x0A", 4));
        QCOMPARE(r.dlgfile3().filtersSeen, QStringList{u"All Files (*.txt)|*.txt|"_s});
        QCOMPARE(r.dlgfile3().saves, 1);
        QCOMPARE(r.w->fileName, ascii);
        // The human-hex export writes the pane as it is, typed into or not.
        r.w->SerialText1->appendText(u"note \u00e9"_s);
        const QString hex = r.dlgfile3().answer = r.path(u"hex.txt"_s);
        r.w->mnuSaveCaptureHumanHex->trigger();
        QCOMPARE(Rig::readFile(hex), QByteArray("00 41 0D 0A note \xe9"));

        // Beyond 32768 bytes, over longer files: written whole, nothing old left behind.
        QByteArray capture, golden;
        for (int i = 0; i < 40000; ++i)
            capture += char((i * 31 + i / 256) & 0xFF);
        for (char c : capture)
            golden += QByteArray(1, c).toHex().toUpper() + ' ';
        setCapture(capture);
        r.dlgfile3().answer = r.writeFile(u"old.txt"_s, QByteArray(50000, 'z'));
        r.w->mnuSaveCaptureAscii->trigger();
        QCOMPARE(Rig::readFile(r.dlgfile3().answer), capture);
        r.w->RebuildPanes();
        r.dlgfile3().answer = r.writeFile(u"oldhex.txt"_s, QByteArray(200000, 'z'));
        r.w->mnuSaveCaptureHumanHex->trigger();
        QCOMPARE(Rig::readFile(r.dlgfile3().answer), golden);

        // Cancel writes nothing and keeps the remembered name.
        r.w->fileName = u"before"_s;
        r.dlgfile3().result = CommonDialog::cdlCancel;
        r.w->mnuSaveCaptureAscii->trigger();
        r.w->mnuSaveCaptureHumanHex->trigger();
        QCOMPARE(Rig::readFile(r.dlgfile3().FileName), golden);
        QCOMPARE(r.w->fileName, u"before"_s);
        // A file that cannot be written is not made.
        r.dlgfile3().result = 0;
        r.dlgfile3().answer = r.path(u"no/such/folder/x.txt"_s);
        r.w->mnuSaveCaptureAscii->trigger();
        QVERIFY(!QFile::exists(r.dlgfile3().answer));
    }

    // A save that fails says so once, naming the file and the reason, and keeps the old
    // file whole: Save Project and both capture exports, on a full disk (a file size limit,
    // which binds root too) and into a folder that is gone.
    void failedSavesSayWhy_data()
    {
        QTest::addColumn<int>("item");
        QTest::addColumn<bool>("folderGone");
        QTest::addColumn<QString>("reason");
        const char *names[] = {"project", "capture", "human-hex"};
        for (int item = 0; item < 3; ++item) {
            QTest::addRow("%s, full", names[item]) << item << false << u"File too large"_s;
            QTest::addRow("%s, folder gone", names[item])
                << item << true << u"No such file or directory"_s;
        }
    }
    void failedSavesSayWhy()
    {
        QFETCH(int, item);
        QFETCH(bool, folderGone);
        QFETCH(QString, reason);
        Rig r;
        setCapture(QByteArray(3000, 'c'));
        r.w->RebuildPanes();
        const QString target = folderGone ? r.path(u"gone/x.txt"_s) : r.writeFile(u"x"_s, "old");
        (item == 0 ? r.dlgfile() : r.dlgfile3()).answer = target;
        QAction *command =
            QList{r.w->mnuSave, r.w->mnuSaveCaptureAscii, r.w->mnuSaveCaptureHumanHex}[item];
        {
            FileSizeLimit limit(1000); // every file is longer
            QVERIFY(limit.active());
            command->trigger();
        }
        QCOMPARE(r.box->shown, QStringList{"Could not save "_L1 + target + ":\r\n"_L1 + reason});
        QCOMPARE(Rig::readFile(target), folderGone ? "<unreadable>" : "old");
    }

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
        Rig r;
        frmSerial &w = *r.w;
        const QList<QAction *> items{w.mnuViewPaneList, w.mnuViewHexList, w.mnuViewBigAsciiPane,
                                     w.mnuViewBigHEXPane, w.mnuViewAsciiHex};
        auto above = [](QWidget *a, QWidget *b) { // among their siblings
            return a->parentWidget()->children().indexOf(a) >
                   b->parentWidget()->children().indexOf(b);
        };
        auto asciiInFront = [&] { return above(w.SerialText, w.SerialText1); };
        items[front == 0 ? 1 : 0]->trigger(); // the other pane in front first
        const bool before = asciiInFront();
        items[item]->trigger();
        QCOMPARE(w.SerialText->geometry(), ascii);
        QCOMPARE(w.SerialText1->geometry(), hex);
        QCOMPARE(asciiInFront(), front < 0 ? before : front == 0);
        for (int i = 0; i < 5; ++i)
            QCOMPARE(items[i]->isChecked(), i == item);
    }

    void fontsAndOptionsSurviveARestart()
    {
        Rig r;
        r.w->mnuFontLarge->trigger();
        QVERIFY(!r.w->mnuFontSmall->isChecked());
        r.w->silentCapture = 2; // from the settings file: on, but not checked
        r.w->mnuSilent->setChecked(false);
        r.w->mnuSilent->trigger(); // "Silent Capture" and "Auto Scroll" follow the mark ...
        QCOMPARE(r.w->silentCapture, 1);
        r.w->mnuScroll->trigger();
        r.w->autoClearTX = 2; // ... "Clear TX on Each Send" and "Silent TX" the variable
        r.w->mnuAutoClearTX->trigger();
        QCOMPARE(r.w->autoClearTX, 0);
        r.w->mnuTXSilent->trigger();
        r.w->close();
        r.open();
        for (TextBox *box : {r.w->SerialText, r.w->SerialText1, r.w->txtSent})
            QVERIFY(box->font().family() == u"Courier New"_s && box->font().pointSizeF() == 22);
        QCOMPARE(mainFontSize, 3);
        QVERIFY(r.w->mnuFontLarge->isChecked() && !r.w->mnuFontSmall->isChecked());
        QCOMPARE((QList<int>{r.w->silentCapture, r.w->autoScroll, r.w->autoClearTX, r.w->txSilent}),
                 (QList<int>{1, 1, 0, 1}));
        QVERIFY(r.w->mnuSilent->isChecked() && r.w->mnuScroll->isChecked());
        QVERIFY(!r.w->mnuAutoClearTX->isChecked() && r.w->mnuTXSilent->isChecked());
        r.w->mnuFontSmall->trigger();
        QCOMPARE(r.w->txtSent->font().pointSizeF(), 10.0);
    }

    void helpShowsHelpTxt()
    {
        Rig r;
        r.writeFile(u"Help.txt"_s, "one\r\ntwo \xe9\r\nthree");
        r.w->mnuHelp->trigger();
        std::unique_ptr<frmHelp> help(r.w->helpWindow.data());
        QVERIFY(help && help->isVisible() && !help->isModal());
        QCOMPARE(help->Text1->font().family(), u"Courier New"_s);
        QCOMPARE(help->Text1->text(), u"one\r\ntwo \u00e9\r\nthree"_s);
    }
    // The real dialog: a save accepts a new name despite must-exist; a cancel keeps the name.
    void qtFileDialog()
    {
        QCOMPARE(nameFiltersFromFilter(u"Projects|*.ovc|Text|*.txt;*.log|"_s),
                 (QStringList{u"Projects (*.ovc)"_s, u"Text (*.txt *.log)"_s}));
        QTemporaryDir dir;
        const QString path = dir.filePath(u"new.txt"_s);
        auto dlg = makeQtFileDialog(nullptr);
        dlg->Filter = u"All Files (*.txt)|*.txt|"_s;
        dlg->Flags = 0x201004;
        dlg->FileName = path;
        whenDialogShows([](QFileDialog *d) { static_cast<QDialog *>(d)->accept(); });
        QCOMPARE(dlg->ShowSave(), 0);
        QCOMPARE(dlg->FileName, path);
        whenDialogShows([](QFileDialog *d) { d->reject(); });
        QCOMPARE(dlg->ShowOpen(), CommonDialog::cdlCancel);
        QCOMPARE(dlg->FileName, path);
    }
};

QTEST_MAIN(TestFilesViews)
#include "tst_files_views.moc"
