// File send, capture export and rebuild, view layouts and options of the main window.
#include "frmserial.h"

#include "commondialog.h"
#include "commport.h"
#include "filesviews.h"
#include "frmhelp.h"
#include "frmhexeditor.h"
#include "globals.h"
#include "messagebox.h"
#include "ontop.h"
#include "records.h"
#include "textbox.h"
#include "twips.h"
#include "yield.h"

#include <QAction>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>

namespace {

constexpr int kDialogFlags = CommonDialog::cdlOFNLongNames | CommonDialog::cdlOFNFileMustExist |
                             CommonDialog::cdlOFNHideReadOnly;

// Marks a byte-by-byte send as running for as long as it lives; a window gone meanwhile
// is left alone.
class SendGuard
{
public:
    explicit SendGuard(frmSerial &w) : w_(&w) { w.sendBusy = true; }
    ~SendGuard()
    {
        if (w_)
            w_->sendBusy = false;
    }
    SendGuard(const SendGuard &) = delete;
    SendGuard &operator=(const SendGuard &) = delete;

private:
    QPointer<frmSerial> w_;
};

enum class ByteSent { Sent, Refused, Suspended, Closing };

// Writes one byte of a byte-by-byte send. A closed port refuses it and the send goes on;
// transmit suspended while the byte waited for room leaves it unsent and ends the send.
ByteSent writeByte(frmSerial &w, quint8 b)
{
    QPointer<frmSerial> alive(&w);
    const qint64 taken = w.WriteToPort(QByteArray(1, char(b)));
    if (!alive || w.unloading)
        return ByteSent::Closing;
    if (taken == 1)
        return ByteSent::Sent;
    return w.txSuspended != 0 ? ByteSent::Suspended : ByteSent::Refused;
}

// Shows the dialog and reports errors other than a cancel. Returns false when the
// command ends here; otherwise the caller goes on with the dialog's FileName.
bool runDialog(frmSerial &w, CommonDialog &dlg, const QString &filter, bool save)
{
    dlg.Filter = filter;
    dlg.Flags = kDialogFlags;
    const int rc = save ? dlg.ShowSave() : dlg.ShowOpen();
    if (rc == CommonDialog::cdlCancel)
        return false;
    if (rc != 0 && w.services.messageBox)
        w.services.messageBox->show(&w, CommonDialog::errorMessage(rc, dlg.errorDescription()));
    return true;
}

// Sends a file byte by byte, yielding after each byte: the one chosen in the dialog, or
// without it the last one sent. A file that does not exist or cannot be read sends
// nothing (it is never created).
void sendFile(frmSerial &w, bool viaDialog)
{
    if (w.sendBusy)
        return;
    SendGuard guard(w);
    QPointer<frmSerial> alive(&w);

    if (w.autoClearTX == 1)
        w.txtSent->setText(QString());
    if (viaDialog) {
        if (!w.dlgfile || !runDialog(w, *w.dlgfile, QStringLiteral("All Files (*.*)|*.*|"), false))
            return;
        w.fileName = w.dlgfile->FileName;
        if (w.fileName.isEmpty())
            return; // nothing chosen: the resend keeps the file it had
        w.lastSentFile = w.fileName;
    }
    const QString path = w.lastSentFile;
    if (path.isEmpty())
        return;

    w.AddStatus(path);

    QFile file(path);
    const bool readable = QFileInfo(path).isFile() && file.open(QIODevice::ReadOnly);
    const qint64 size = readable ? file.size() : 0;

    QString echo;
    txCaptureCount = 0;
    qint64 pos = 0;
    qint64 sent = 0;
    bool suspended = false;
    QByteArray chunk;
    qsizetype inChunk = 0;
    for (qint64 end = size; pos < end; ++pos) {
        if (inChunk == chunk.size()) {
            chunk = file.read(qMin<qint64>(end - pos, 64 * 1024));
            inChunk = 0;
            if (chunk.isEmpty())
                break; // the file got shorter or failed: what was read is all there is
        }
        const quint8 b = quint8(chunk[inChunk++]);
        if (pos < kTxCaptureSize)
            txCaptureBuffer[size_t(pos)] = b;
        if (w.keyHexMode == 1)
            w.txtSent->appendText(hexForm(b));
        else
            appendAsciiForm(echo, b);
        txCaptureCount = qint32(qMin<qint64>(pos + 1, INT32_MAX));
        const ByteSent result = w.txSuspended != 0 ? ByteSent::Suspended : writeByte(w, b);
        if (result == ByteSent::Closing)
            return;
        if (result == ByteSent::Suspended) {
            suspended = true;
            end = pos + 1; // this byte stays unsent and the loop ends after this pass
        } else {
            // Only what the port took counts as sent.
            sent += result == ByteSent::Sent ? 1 : 0;
            w.txtTXCntr->setText(QString::number(sent));
        }
        DoEvents();
        if (!alive || w.unloading)
            return;
    }
    file.close();

    if (w.txSilent == 0) {
        w.txtSent->appendText(echo);
        w.txtSent->appendText(QStringLiteral("\r\n"));
    }
    // A suspended send still shows the whole file's length, as a suspended text send
    // shows its own.
    if (viaDialog)
        w.txtTXCntr->setText(QString::number(suspended ? size : sent));
}

void exportCapture(frmSerial &w, bool humanHex)
{
    if (!w.dlgfile3 || !runDialog(w, *w.dlgfile3, QStringLiteral("All Files (*.txt)|*.txt|"), true))
        return;
    w.fileName = w.dlgfile3->FileName;
    if (w.fileName.isEmpty())
        return;
    const QByteArray data = humanHex ? captureHumanHexFile(w.SerialText1->text())
                                     : captureAsciiFile(rxCaptureBuffer.data(), rxCaptureCount);
    // The file ends where the data ends; a failed write leaves the old file as it was.
    if (const WriteResult saved = writeFileSafely(w.fileName, data); !saved)
        w.ReportSaveFailure(w.fileName, saved.error);
}

void applyLayout(frmSerial &w, ViewLayout view, QAction *chosen)
{
    const PaneLayout l = paneLayout(view);
    const int left = px(kPaneLeft);
    TextBox *a = w.SerialText;
    TextBox *h = w.SerialText1;
    a->resize(px(l.asciiWidth), a->height());
    h->resize(px(l.hexWidth), h->height());
    if (l.front == PaneFront::Ascii)
        a->raise();
    else if (l.front == PaneFront::Hex)
        h->raise();
    a->resize(a->width(), px(l.asciiHeight));
    h->resize(h->width(), px(l.hexHeight));
    h->move(left, px(l.hexTop));
    a->move(left, px(l.asciiTop));
    for (QAction *item : {w.mnuViewPaneList, w.mnuViewHexList, w.mnuViewBigAsciiPane,
                          w.mnuViewBigHEXPane, w.mnuViewAsciiHex})
        item->setChecked(item == chosen);
}

void applyFont(frmSerial &w, int choice, QAction *chosen)
{
    const int points = mainFontPoints(choice);
    for (TextBox *box : {w.SerialText, w.SerialText1, w.txtSent})
        box->setFontSize(points);
    for (QAction *item : {w.mnuFontSmall, w.mnuFontMedium, w.mnuFontLarge})
        item->setChecked(item == chosen);
    mainFontSize = choice;
}

// "Silent Capture" and "Auto Scroll" follow the check mark.
void toggleByMark(QAction *item, qint16 &variable)
{
    if (item->isChecked()) {
        item->setChecked(false);
        variable = 0;
    } else {
        item->setChecked(true);
        variable = 1;
    }
}

// "Clear TX on Each Send" and "Silent TX" follow the variable.
void toggleByVariable(QAction *item, qint16 &variable)
{
    if (variable != 0) {
        variable = 0;
        item->setChecked(false);
    } else {
        variable = 1;
        item->setChecked(true);
    }
}

} // namespace

void frmSerial::connectFilesViewsHandlers()
{
    const auto on = [this](QAction *a, void (frmSerial::*handler)()) {
        connect(a, &QAction::triggered, this, handler);
    };
    on(mnuSaveCaptureAscii, &frmSerial::mnuSaveCaptureAscii_Click);
    on(mnuSaveCaptureHumanHex, &frmSerial::mnuSaveCaptureHumanHex_Click);
    on(mnuSendfile, &frmSerial::mnuSendfile_Click);
    on(mnuInstantSend, &frmSerial::mnuInstantSend_Click);
    on(mnuViewPaneList, &frmSerial::mnuViewPaneList_Click);
    on(mnuViewHexList, &frmSerial::mnuViewHexList_Click);
    on(mnuViewBigAsciiPane, &frmSerial::mnuViewBigAsciiPane_Click);
    on(mnuViewBigHEXPane, &frmSerial::mnuViewBigHEXPane_Click);
    on(mnuViewAsciiHex, &frmSerial::mnuViewAsciiHex_Click);
    on(mnuFontSmall, &frmSerial::mnuFontSmall_Click);
    on(mnuFontMedium, &frmSerial::mnuFontMedium_Click);
    on(mnuFontLarge, &frmSerial::mnuFontLarge_Click);
    on(mnuSilent, &frmSerial::mnuSilent_Click);
    on(mnuScroll, &frmSerial::mnuScroll_Click);
    on(mnuAutoClearTX, &frmSerial::mnuAutoClearTX_Click);
    on(mnuTXSilent, &frmSerial::mnuTXSilent_Click);
    on(mnuAlwaysOnTop, &frmSerial::mnuAlwaysOnTop_Click);
    on(mnuHexEditor, &frmSerial::mnuHexEditor_Click);
    on(mnuHelp, &frmSerial::mnuHelp_Click);
    connect(cmdRebuild, &QPushButton::clicked, this, &frmSerial::cmdRebuild_Click);
}

void frmSerial::send_Array(const QByteArray &bytes)
{
    if (sendBusy)
        return;
    SendGuard guard(*this);
    QPointer<frmSerial> alive(this);

    if (autoClearTX == 1)
        txtSent->setText(QString());
    // The caller's bytes may change while this send yields.
    const QByteArray toSend = bytes;
    QString echo;
    qint64 sent = 0;
    for (qsizetype pos = 0, end = toSend.size(); pos < end; ++pos) {
        const quint8 b = quint8(toSend[pos]);
        if (keyHexMode == 1)
            txtSent->appendText(hexForm(b));
        else
            appendAsciiForm(echo, b);
        const ByteSent result = txSuspended != 0 ? ByteSent::Suspended : writeByte(*this, b);
        if (result == ByteSent::Closing)
            return;
        if (result == ByteSent::Suspended) {
            end = pos + 1;
        } else {
            sent += result == ByteSent::Sent ? 1 : 0;
            txtTXCntr->setText(QString::number(sent));
        }
        DoEvents();
        if (!alive || unloading)
            return;
    }
    if (txSilent != 0)
        return;
    txtSent->appendText(echo);
    txtSent->appendText(QStringLiteral("\r\n"));
}

void frmSerial::mnuSendfile_Click()
{
    sendFile(*this, true);
}

void frmSerial::mnuInstantSend_Click()
{
    sendFile(*this, false);
}

void frmSerial::mnuSaveCaptureAscii_Click()
{
    exportCapture(*this, false);
}

void frmSerial::mnuSaveCaptureHumanHex_Click()
{
    exportCapture(*this, true);
}

void frmSerial::cmdRebuild_Click()
{
    RebuildPanes();
}

// Redraws both receive panes from the capture; each pane is written once.
void frmSerial::RebuildPanes()
{
    const PaneTexts t = rebuildPaneTexts(rxCaptureBuffer.data(), rxCaptureCount);
    SerialText->setText(t.ascii);
    SerialText1->setText(t.hex);
}

void frmSerial::mnuViewPaneList_Click()
{
    applyLayout(*this, ViewLayout::PaneList, mnuViewPaneList);
}

void frmSerial::mnuViewHexList_Click()
{
    applyLayout(*this, ViewLayout::HexList, mnuViewHexList);
}

void frmSerial::mnuViewBigAsciiPane_Click()
{
    applyLayout(*this, ViewLayout::BigAscii, mnuViewBigAsciiPane);
}

void frmSerial::mnuViewBigHEXPane_Click()
{
    applyLayout(*this, ViewLayout::BigHex, mnuViewBigHEXPane);
}

void frmSerial::mnuViewAsciiHex_Click()
{
    applyLayout(*this, ViewLayout::AsciiOverHex, mnuViewAsciiHex);
}

void frmSerial::mnuFontSmall_Click()
{
    applyFont(*this, 1, mnuFontSmall);
}

void frmSerial::mnuFontMedium_Click()
{
    applyFont(*this, 2, mnuFontMedium);
}

void frmSerial::mnuFontLarge_Click()
{
    applyFont(*this, 3, mnuFontLarge);
}

void frmSerial::mnuSilent_Click()
{
    toggleByMark(mnuSilent, silentCapture);
}

void frmSerial::mnuScroll_Click()
{
    toggleByMark(mnuScroll, autoScroll);
}

void frmSerial::mnuAutoClearTX_Click()
{
    toggleByVariable(mnuAutoClearTX, autoClearTX);
}

void frmSerial::mnuTXSilent_Click()
{
    toggleByVariable(mnuTXSilent, txSilent);
}

// Switches the window in and out of staying above all others; the item never shows a
// check mark.
void frmSerial::mnuAlwaysOnTop_Click()
{
    if (!onTop)
        onTop = std::make_unique<clsOnTop>();
    if (alwaysOnTop != 0) {
        alwaysOnTop = 0;
        onTop->MakeNormal(this);
    } else {
        alwaysOnTop = 1;
        onTop->MakeTopMost(this);
    }
}

void frmSerial::mnuHexEditor_Click()
{
    if (!hexEditor)
        hexEditor = new frmHexEditor(*this);
    hexEditor->show();
    hexEditor->raise();
    hexEditor->activateWindow();
}

void frmSerial::mnuHelp_Click()
{
    ShowHelpWindow();
}

void frmSerial::ShowHelpWindow()
{
    if (!helpWindow)
        helpWindow = new frmHelp(programFolder(services));
    helpWindow->show();
    helpWindow->raise();
    helpWindow->activateWindow();
}
