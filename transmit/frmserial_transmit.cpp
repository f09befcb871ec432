// Text transmit, send-key bank, sequencer and project file handlers of the main window.
#include "frmserial.h"

#include "bank.h"
#include "commondialog.h"
#include "commport.h"
#include "globals.h"
#include "hex.h"
#include "latin1.h"
#include "messagebox.h"
#include "numbers.h"
#include "records.h"
#include "textbox.h"
#include "yield.h"

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTimer>

#include <algorithm>
#include <cstring>

namespace {

const QColor kLampOn(255, 0, 0);
const QColor kLampOff(255, 255, 255);

// Marks a send in progress for as long as it runs; a window closed and gone meanwhile is
// left alone.
class BusyScope
{
public:
    explicit BusyScope(frmSerial *w) : w_(w) { w->sendBusy = true; }
    ~BusyScope()
    {
        if (w_)
            w_->sendBusy = false;
    }
    BusyScope(const BusyScope &) = delete;
    BusyScope &operator=(const BusyScope &) = delete;

private:
    QPointer<frmSerial> w_;
};

// Characters are bytes: anything outside ISO-8859-1 goes out (and is echoed) as "?", one
// for each character, as the byte boxes show it.
QString asBytes(const QString &text)
{
    return latin1Chars(text);
}

bool checked(const QCheckBox *box)
{
    return box->checkState() == Qt::Checked;
}

void storeRows(frmSerial &w)
{
    if (w.bankIndex < 0 || w.bankIndex > kBankPages)
        return;
    for (int row = 0; row < kBankRows; ++row) {
        w.bankText2[w.bankIndex][row] = w.Text2[row]->text();
        w.bankText1[w.bankIndex][row] = w.Text1[row]->text();
    }
}

void recordSend(const QString &text)
{
    const QByteArray bytes = text.toLatin1();
    const auto kept = std::min<qsizetype>(bytes.size(), kTxCaptureSize);
    std::memcpy(txCaptureBuffer.data(), bytes.constData(), size_t(kept));
    txCaptureCount = qint32(bytes.size());
}

void toggleLamp(qint16 &flag, QLabel *lamp)
{
    if (flag != 0) {
        flag = 0;
        setBackColor(lamp, kLampOff);
    } else {
        flag = 1;
        setBackColor(lamp, kLampOn);
    }
}

void tick(qint16 &ticks)
{
    if (++ticks == 2)
        ticks = 0;
}

} // namespace

qint32 frmSerial::Hex2Dec(const QString &sHex)
{
    return ::Hex2Dec(sHex);
}

void frmSerial::connectTransmitHandlers()
{
    connect(BTNSend, &QPushButton::clicked, this, &frmSerial::BTNSend_Click);
    connect(BTNSend1, &QPushButton::clicked, this, &frmSerial::BTNSend1_Click);
    connect(Keyascii[0], &QPushButton::clicked, this, [this] { Keyascii_Click(0); });
    connect(Keyhex[0], &QPushButton::clicked, this, [this] { Keyhex_Click(0); });
    connect(Command4, &QPushButton::clicked, this, &frmSerial::Command4_Click);
    connect(cmdSuspend, &QPushButton::clicked, this, &frmSerial::cmdSuspend_Click);
    connect(Command8, &QPushButton::clicked, this, &frmSerial::Command8_Click);
    connect(Command5, &QPushButton::clicked, this, &frmSerial::Command5_Click);
    connect(Command9, &QPushButton::clicked, this, &frmSerial::Command9_Click);

    connect(Text3, &QLineEdit::textChanged, this, &frmSerial::Text3_Change);
    connect(Timer3, &QTimer::timeout, this, &frmSerial::Timer3_Timer);
    connect(Command7, &QPushButton::clicked, this, &frmSerial::Command7_Click);
    connect(Command23, &QPushButton::clicked, this, &frmSerial::Command23_Click);
    for (int i = 0; i < kBankRows; ++i)
        connect(Command2[i], &QPushButton::clicked, this, [this, i] { Command2_Click(i); });
    connect(mnuCopyPage, &QAction::triggered, this, &frmSerial::mnuCopyPage_Click);
    connect(mnuPastePage, &QAction::triggered, this, &frmSerial::mnuPastePage_Click);

    // A pause waits for exactly one tick: a timer that ticked twice before the wait
    // looked would flip the flag back and stretch the pause. Precise, as the user sets
    // the pause in milliseconds.
    for (QTimer *t : {Timer1, Timer2}) {
        t->setSingleShot(true);
        t->setTimerType(Qt::PreciseTimer);
    }
    connect(Command1, &QPushButton::clicked, this, &frmSerial::Command1_Click);
    connect(Command3, &QPushButton::clicked, this, &frmSerial::Command3_Click);
    connect(Command6, &QPushButton::clicked, this, &frmSerial::Command6_Click);
    connect(Timer1, &QTimer::timeout, this, &frmSerial::Timer1_Timer);
    connect(Timer2, &QTimer::timeout, this, &frmSerial::Timer2_Timer);

    connect(mnuLoad, &QAction::triggered, this, &frmSerial::mnuLoad_Click);
    connect(mnuSave, &QAction::triggered, this, &frmSerial::mnuSave_Click);
    connect(mnuClear, &QAction::triggered, this, &frmSerial::mnuClear_Click);
}

// ---- Text transmit ---------------------------------------------------------------------

qint64 frmSerial::WriteToPort(const QByteArray &bytes)
{
    // A missing port takes nothing; no send reports that.
    if (!MSComm1)
        return 0;
    QPointer<frmSerial> alive(this);
    CommPort *port = MSComm1.get();
    qint64 done = 0;
    while (done < bytes.size()) {
        const qint64 limit = port->outputLimit();
        qint64 pending = port->bytesToWrite();
        // A closed port is not waited for: it refuses the write below.
        while (pending >= limit && port->portOpen()) {
            // The port wakes this wait when its queue falls below the limit.
            WaitForEvents();
            if (!alive || unloading || txSuspended != 0)
                return done;
            pending = port->bytesToWrite();
        }
        const qint64 n = qMin(qMax<qint64>(1, limit - pending), bytes.size() - done);
        const qint64 taken = port->output(bytes.mid(done, n));
        done += taken;
        if (taken < n)
            break;
    }
    return done;
}

void frmSerial::WriteSendText()
{
    QPointer<frmSerial> alive(this);
    const QByteArray bytes = sendText.toLatin1();
    const qint64 taken = WriteToPort(bytes);
    if (alive && taken < bytes.size())
        txtTXCntr->setText(QString::number(taken));
}

void frmSerial::Hex2Str()
{
    sendText = HexPairsToText(sendText);
    DoEvents();
}

void frmSerial::EchoSentHex()
{
    txtSent->appendText(HexEchoLine(sendText));
}

bool frmSerial::PrepareSend(const QString &text, bool rowSend)
{
    QPointer<frmSerial> alive(this);
    const auto yieldTo = [&] {
        DoEvents();
        return alive && !unloading;
    };

    if (autoClearTX == 1)
        txtSent->setText(QString());
    sendText = asBytes(text);
    if (keyHexMode == 1) {
        Hex2Str();
        if (!alive || unloading)
            return false;
    }
    if (!yieldTo())
        return false;
    if (checked(chkCR))
        sendText.append(u'\r');
    if (checked(Check2))
        sendText.append(u'\n');
    // A row send lets pending events run once more before it records and echoes.
    if (rowSend && !yieldTo())
        return false;

    recordSend(sendText);
    txtTXCntr->setText(QString::number(sendText.size()));
    if (txSilent == 0) {
        if (keyHexMode == 1)
            EchoSentHex();
        else
            txtSent->appendText(sendText + QStringLiteral("\r\n"));
    }
    return true;
}

void frmSerial::SendBoxText(const QString &text)
{
    if (sendBusy)
        return;
    BusyScope busy(this);
    if (!PrepareSend(text, false) || txSuspended != 0)
        return;
    WriteSendText();
}

void frmSerial::BTNSend_Click()
{
    SendBoxText(txt[0]->text());
}

void frmSerial::BTNSend1_Click()
{
    SendBoxText(txt[1]->text());
}

void frmSerial::Keyascii_Click(int)
{
    keyHexMode = 0;
    Label3->setText(QStringLiteral("SendKey String - ASC"));
}

void frmSerial::Keyhex_Click(int)
{
    keyHexMode = 1;
    Label3->setText(QStringLiteral("SendKey String - HEX"));
}

void frmSerial::Command4_Click()
{
    toggleLamp(txSuspended, lblTXsuspend);
}

void frmSerial::cmdSuspend_Click()
{
    toggleLamp(rxSuspended, lblSuspend);
    // Bytes that arrived while suspended are waiting unread: have them handled now.
    if (rxSuspended == 0 && MSComm1)
        MSComm1->rearmReceive();
}

void frmSerial::Command8_Click()
{
    txtSent->setText(QString());
    txtTXCntr->setText(QStringLiteral("0"));
}

void frmSerial::Command5_Click()
{
    SerialText->setText(QString());
    SerialText1->setText(QString());
    txtCntr->setText(QStringLiteral("0"));
    rxCaptureCount = 0;
    std::fill_n(rxCaptureBuffer.begin(), kTxCaptureSize, quint8(0));
}

void frmSerial::Command9_Click()
{
    txtStatus->setText(QString());
}

// ---- Send-key bank ---------------------------------------------------------------------

void frmSerial::ShowBankPage()
{
    if (bankIndex < 0 || bankIndex > kBankPages)
        return;
    for (int row = 0; row < kBankRows; ++row) {
        Text2[row]->setText(bankText2[bankIndex][row]);
        Text1[row]->setText(bankText1[bankIndex][row]);
    }
}

void frmSerial::StoreBankPage()
{
    if (const auto ms = DelayFromText(txtDelay->text()))
        Timer2->setInterval(*ms);
    if (const auto page = AcceptedPage(Text3->text()))
        bankIndex = *page;
    storeRows(*this);
}

void frmSerial::Text3_Change()
{
    if (!bankStoreBlocked)
        storeRows(*this);
    if (const auto page = AcceptedPage(Text3->text()))
        bankIndex = *page;
    ShowBankPage();
}

void frmSerial::Timer3_Timer()
{
    Timer3->stop();
    Text3_Change();
}

void frmSerial::Command7_Click()
{
    const double x = Val(Text3->text());
    if (x > 1 && x < 51)
        Text3->setText(NumberText(x - 1));
}

void frmSerial::Command23_Click()
{
    const double x = Val(Text3->text());
    if (x > 0 && x < 50)
        Text3->setText(NumberText(x + 1));
}

void frmSerial::Command2_Click(int index)
{
    if (index < 0 || index >= kBankRows || sendBusy)
        return;
    BusyScope busy(this);
    if (!PrepareSend(Text1[index]->text(), true))
        return;
    Text8->setText(QString::number(index));
    if (!sendText.isEmpty() && txSuspended == 0)
        WriteSendText();
}

void frmSerial::mnuCopyPage_Click()
{
    if (bankIndex < 0 || bankIndex > kBankPages)
        return;
    for (int row = 0; row < kBankRows; ++row) {
        pageClipText2[row] = bankText2[bankIndex][row];
        pageClipText1[row] = bankText1[bankIndex][row];
    }
}

void frmSerial::mnuPastePage_Click()
{
    if (bankIndex < 0 || bankIndex > kBankPages)
        return;
    for (int row = 0; row < kBankRows; ++row) {
        bankText2[bankIndex][row] = pageClipText2[row];
        bankText1[bankIndex][row] = pageClipText1[row];
    }
    ShowBankPage();
}

// ---- Sequencer -------------------------------------------------------------------------

bool frmSerial::SequencerPause(QTimer *timer, qint16 &ticks)
{
    QPointer<frmSerial> alive(this);
    ticks = 0;
    // A pause of 0 ms ticks on the next pass of the event loop: it yields once.
    timer->start();
    for (;;) {
        WaitForEvents();
        if (!alive)
            return false;
        if (unloading) {
            timer->stop();
            return false;
        }
        if (ticks == 1)
            break;
    }
    timer->stop();
    return true;
}

frmSerial::ItemResult frmSerial::SendBankItem(int page, int row)
{
    QPointer<frmSerial> alive(this);
    sendText = bankText1[page][row];
    if (keyHexMode == 1) {
        Hex2Str();
        if (!alive || unloading)
            return ItemResult::Closing;
    }
    DoEvents();
    if (!alive || unloading)
        return ItemResult::Closing;

    ItemResult result = ItemResult::Next;
    if (txSuspended != 0) {
        // Suspended: this item is the run's last; it is echoed and paused for, not sent.
        result = ItemResult::LastItem;
        row = kBankRows - 1;
    } else if (!sendText.isEmpty()) {
        QByteArray bytes = sendText.toLatin1();
        if (checked(chkCR))
            bytes.append('\r');
        (void)WriteToPort(bytes);
        if (!alive || unloading)
            return ItemResult::Closing;
    }
    if (txSilent == 0) {
        if (keyHexMode == 1)
            EchoSentHex();
        else
            txtSent->appendText(sendText + QStringLiteral("\r\n"));
    }
    Text8->setText(QString::number(row));
    if (stopRequested == 1) {
        stopRequested = 0;
        return ItemResult::Stopped;
    }
    if (!SequencerPause(Timer2, timer2Ticks))
        return ItemResult::Closing;
    return result;
}

void frmSerial::Command1_Click()
{
    if (sendBusy)
        return;
    BusyScope busy(this);
    StoreBankPage();
    if (autoClearTX == 1)
        txtSent->setText(QString());
    // The run sends the page it started on; moving to another page meanwhile only
    // changes what the rows show.
    const int page = bankIndex;
    for (int row = 0; row < kBankRows; ++row) {
        if (SendBankItem(page, row) != ItemResult::Next)
            return;
    }
}

void frmSerial::Command3_Click()
{
    if (sendBusy)
        return;
    BusyScope busy(this);
    QPointer<frmSerial> alive(this);
    StoreBankPage();
    if (autoClearTX == 1)
        txtSent->setText(QString());
    for (int page = 1; page <= kBankPages; ++page) {
        Text3->setText(QString::number(page));
        bankIndex = qint16(page);
        bool last = false;
        for (int row = 0; row < kBankRows && !last; ++row) {
            switch (SendBankItem(page, row)) {
            case ItemResult::Next:
                break;
            case ItemResult::LastItem:
                last = true;
                break;
            case ItemResult::Stopped:
            case ItemResult::Closing:
                return;
            }
        }
        if (!SequencerPause(Timer1, timer1Ticks) || last)
            return;
    }
}

void frmSerial::Command6_Click()
{
    stopRequested = 1;
}

void frmSerial::Timer1_Timer()
{
    tick(timer1Ticks);
}

void frmSerial::Timer2_Timer()
{
    tick(timer2Ticks);
}

// ---- Project file ----------------------------------------------------------------------

int frmSerial::ShowProjectDialog(bool save)
{
    if (!dlgfile)
        return CommonDialog::cdlCancel;
    dlgfile->Filter = QStringLiteral("All Files (*.ovc)|*.ovc|");
    dlgfile->Flags = CommonDialog::cdlOFNLongNames | CommonDialog::cdlOFNFileMustExist |
                     CommonDialog::cdlOFNHideReadOnly;
    const int rc = save ? dlgfile->ShowSave() : dlgfile->ShowOpen();
    if (rc != 0 && rc != CommonDialog::cdlCancel && services.messageBox)
        services.messageBox->show(this,
                                  CommonDialog::errorMessage(rc, dlgfile->errorDescription()));
    return rc;
}

void frmSerial::ShowPageOne()
{
    // The rows on screen belong to a bank that no longer exists: never store them.
    bankStoreBlocked = true;
    Text3->setText(QStringLiteral("1"));
    bankStoreBlocked = false;
    bankIndex = 1;
    ShowBankPage();
}

void frmSerial::mnuLoad_Click()
{
    // After a failed dialog no file was chosen this time: nothing is loaded.
    if (ShowProjectDialog(false) != 0)
        return;
    fileName = dlgfile->FileName;
    if (fileName.isEmpty())
        return;
    if (const auto contents = readWholeFile(fileName))
        ReadProjectFile(*contents, bankText1, bankText2);
    ShowPageOne();
}

void frmSerial::mnuSave_Click()
{
    const int rc = ShowProjectDialog(true);
    if (rc == CommonDialog::cdlCancel)
        return;
    StoreBankPage();
    // After a failed dialog no file was chosen this time: nothing is written.
    if (rc != 0)
        return;
    fileName = dlgfile->FileName;
    if (fileName.isEmpty())
        return;
    // The old file stays whole if the new one cannot be written completely.
    if (const WriteResult saved = writeFileSafely(fileName, ProjectFileBytes(bankText1, bankText2));
        !saved)
        ReportSaveFailure(fileName, saved.error);
}

void frmSerial::mnuClear_Click()
{
    for (int p = 1; p <= kBankPages; ++p) {
        for (int r = 0; r < kBankRows; ++r) {
            bankText2[p][r].clear();
            bankText1[p][r].clear();
        }
    }
    ShowPageOne();
}
