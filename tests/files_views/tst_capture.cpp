#include "rig.h"
#include "textbox.h"

#include <QPushButton>
#include <QtTest>

namespace {

void setCapture(const QByteArray &bytes)
{
    for (qsizetype i = 0; i < bytes.size(); ++i)
        rxCaptureBuffer[size_t(i)] = quint8(bytes[i]);
    rxCaptureCount = qint32(bytes.size());
}

} // namespace

class TestCapture : public QObject
{
    Q_OBJECT
private slots:
    void smallCaptureExportsAndRebuilds()
    {
        Rig r;
        setCapture(QByteArray("\x00\x41\x0D\x0A", 4));
        const QString ascii = r.path(QStringLiteral("cap.txt"));
        r.dlgfile3().answer = ascii;
        r.w->mnuSaveCaptureAscii->trigger();
        QCOMPARE(Rig::readFile(ascii), QByteArray("\x00\x41\x0D\x0A", 4));
        QCOMPARE(r.dlgfile3().saves, 1);
        QCOMPARE(r.dlgfile3().opens, 0);
        QCOMPARE(r.dlgfile3().filtersSeen.first(), QStringLiteral("All Files (*.txt)|*.txt|"));
        QCOMPARE(r.dlgfile3().flagsSeen.first(), 0x201004);
        QCOMPARE(r.w->fileName, ascii);

        r.w->cmdRebuild->click();
        QCOMPARE(r.w->SerialText->text(), QStringLiteral("<0>A\r\n"));
        QCOMPARE(r.w->SerialText1->text(), QStringLiteral("00 41 0D 0A "));
        QCOMPARE(rxCaptureCount, 4);

        const QString hex = r.path(QStringLiteral("hex.txt"));
        r.dlgfile3().answer = hex;
        r.w->mnuSaveCaptureHumanHex->trigger();
        QCOMPARE(Rig::readFile(hex), QByteArray("00 41 0D 0A "));
        QVERIFY(r.w->txtStatus->text().isEmpty());
        QVERIFY(r.box->shown.isEmpty());
    }

    void bigCaptureIsWrittenWholeAndLongerFilesAreCut()
    {
        Rig r;
        QByteArray capture;
        for (int i = 0; i < 40000; ++i)
            capture += char((i * 31 + i / 256) & 0xFF);
        setCapture(capture);

        const QString ascii = r.writeFile(QStringLiteral("old.txt"), QByteArray(50000, 'z'));
        r.dlgfile3().answer = ascii;
        r.w->mnuSaveCaptureAscii->trigger();
        QCOMPARE(Rig::readFile(ascii), capture);

        r.w->RebuildPanes();
        QByteArray golden;
        for (char c : capture) {
            static const char digits[] = "0123456789ABCDEF";
            golden += digits[quint8(c) >> 4];
            golden += digits[quint8(c) & 15];
            golden += ' ';
        }
        const QString hex = r.writeFile(QStringLiteral("oldhex.txt"), QByteArray(200000, 'z'));
        r.dlgfile3().answer = hex;
        r.w->mnuSaveCaptureHumanHex->trigger();
        QCOMPARE(Rig::readFile(hex), golden);
    }

    void humanHexWritesThePaneAsItIs()
    {
        Rig r;
        setCapture(QByteArray("AB"));
        // The pane was cleared or typed into: its text is what gets written.
        r.w->SerialText1->setText(QStringLiteral("note \u00e9"));
        const QString hex = r.path(QStringLiteral("h.txt"));
        r.dlgfile3().answer = hex;
        r.w->mnuSaveCaptureHumanHex->trigger();
        QCOMPARE(Rig::readFile(hex), QByteArray("note \xe9"));
    }

    void emptyCapture()
    {
        Rig r;
        r.w->SerialText->setText(QStringLiteral("x"));
        r.w->SerialText1->setText(QStringLiteral("78 "));
        const QString ascii = r.writeFile(QStringLiteral("e.txt"), QByteArray("old"));
        r.dlgfile3().answer = ascii;
        r.w->mnuSaveCaptureAscii->trigger();
        QCOMPARE(Rig::readFile(ascii), QByteArray());
        r.w->RebuildPanes();
        QCOMPARE(r.w->SerialText->text(), QString());
        QCOMPARE(r.w->SerialText1->text(), QString());
    }

    void cancelOrErrorWritesNothingUnexpected()
    {
        Rig r;
        setCapture(QByteArray("data"));
        const QString file = r.writeFile(QStringLiteral("keep.txt"), QByteArray("keep"));
        r.w->fileName = QStringLiteral("before");
        r.dlgfile3().FileName = file;
        r.dlgfile3().result = CommonDialog::cdlCancel;
        r.w->mnuSaveCaptureAscii->trigger();
        r.w->mnuSaveCaptureHumanHex->trigger();
        QCOMPARE(Rig::readFile(file), QByteArray("keep"));
        QCOMPARE(r.w->fileName, QStringLiteral("before"));
        QVERIFY(r.box->shown.isEmpty());

        // An error is reported; the save then goes ahead with the name the dialog holds.
        r.dlgfile3().result = 32766;
        r.dlgfile3().description = QStringLiteral("Odd failure");
        r.w->mnuSaveCaptureAscii->trigger();
        QCOMPARE(r.box->shown,
                 QStringList{QStringLiteral("Error 32766 selecting file.\r\nOdd failure")});
        QCOMPARE(Rig::readFile(file), QByteArray("data"));

        // A file that cannot be written stays as it was and nothing is reported.
        r.box->shown.clear();
        r.dlgfile3().result = 0;
        r.dlgfile3().answer = r.path(QStringLiteral("no/such/folder/x.txt"));
        r.w->mnuSaveCaptureAscii->trigger();
        QVERIFY(r.box->shown.isEmpty());
        QVERIFY(!QFile::exists(r.dlgfile3().answer));
    }

    void rebuildIgnoresSilentCapture()
    {
        Rig r;
        r.w->silentCapture = 1;
        setCapture(QByteArray("\x00\xff", 2));
        r.w->RebuildPanes();
        QCOMPARE(r.w->SerialText->text(), QStringLiteral("<0>\u00ff"));
        QCOMPARE(r.w->SerialText1->text(), QStringLiteral("00 FF "));
    }
};

QTEST_MAIN(TestCapture)
#include "tst_capture.moc"
