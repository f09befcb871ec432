// Terminal core handlers: start-up and shut-down, port connection, receive engine.
#include "frmserial.h"

#include "commport.h"
#include "globals.h"
#include "messagebox.h"
#include "numbers.h"
#include "receive.h"
#include "settingsfile.h"
#include "textbox.h"

#include <QAction>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include <cstdio>

namespace {

const QColor kLampOn(255, 0, 0);
const QColor kLampOff(255, 255, 255);
// Hexadecimal text (three characters a byte) pending before the flush runs early.
constexpr qsizetype kEarlyFlushChars = 300000;

QString settingsFilePath(const Services &services)
{
    return services.settingsPath.isEmpty() ? defaultSettingsPath() : services.settingsPath;
}

// Empties a pane; an empty one is left alone so no change event runs for nothing.
void emptyPane(TextBox *box)
{
    if (box->length() > 0)
        box->setText(QString());
}

} // namespace

void frmSerial::connectHandlers()
{
    connect(ConnectButton, &QPushButton::clicked, this, &frmSerial::ConnectButton_Click);
    connect(DisconnectButton, &QPushButton::clicked, this, &frmSerial::DisconnectButton_Click);
    connect(txtBaud, &QLineEdit::textChanged, this, &frmSerial::txtBaud_Change);
    connect(txtCommport, &QLineEdit::textChanged, this, &frmSerial::txtCommport_Change);
    connect(Timer4, &QTimer::timeout, this, &frmSerial::Timer4_Timer);
    connect(SerialText, &TextBox::changed, this, &frmSerial::SerialText_Change);
    connect(SerialText1, &TextBox::changed, this, &frmSerial::SerialText1_Change);
    connect(txtSent, &TextBox::changed, this, &frmSerial::txtSent_Change);
    connect(txtStatus, &TextBox::changed, this, &frmSerial::txtStatus_Change);
    if (MSComm1)
        connect(MSComm1.get(), &CommPort::onComm, this, &frmSerial::MSComm1_OnComm);
}

// ---- Start-up and shut-down ------------------------------------------------------------

void frmSerial::Form_Load()
{
    fileName = settingsFilePath(services);
    // A missing file reads as a file without records: every field keeps its start value.
    QString unreadable;
    const SettingsRecords file =
        readSettingsFile(fileName, &unreadable).value_or(SettingsRecords{});

    for (int page = 0; page < SettingsRecords::kPages; ++page) {
        for (int row = 0; row < SettingsRecords::kRows; ++row) {
            if (file.description[page][row])
                bankText2[page + 1][row] = *file.description[page][row];
            if (file.sendString[page][row])
                bankText1[page + 1][row] = *file.sendString[page][row];
        }
    }

    // The three boxes are filled through one holder: a missing record leaves the text of
    // the previous one in it.
    QString held;
    if (file.txt0)
        held = *file.txt0;
    txt[0]->setText(held);
    if (file.txt1)
        held = *file.txt1;
    txt[1]->setText(held);
    if (file.text3)
        held = *file.text3;
    if (Text3->text() == held)
        Text3_Change(); // setting the same text raises no change event
    else
        Text3->setText(held);

    if (file.baudRate)
        baudRate = *file.baudRate;
    if (baudRate < 110 || baudRate > 116000)
        baudRate = 9600;
    txtBaud->setText(NumberText(baudRate));

    if (file.commPort)
        commPort = *file.commPort;
    if (commPort < 1 || commPort > 16)
        commPort = 1;
    txtCommport->setText(NumberText(commPort));
    if (MSComm1)
        (void)MSComm1->setCommPort(commPort);

    if (file.mainFontSize)
        mainFontSize = *file.mainFontSize;
    if (file.autoScroll)
        autoScroll = *file.autoScroll;
    if (file.silentCapture)
        silentCapture = *file.silentCapture;
    if (file.hexFontSize)
        hexFontSize = *file.hexFontSize;
    if (file.autoClearTX)
        autoClearTX = *file.autoClearTX;
    if (file.txSilent)
        txSilent = *file.txSilent;

    if (mainFontSize == 0)
        mainFontSize = 1;
    if (mainFontSize >= 1 && mainFontSize <= 3) {
        static constexpr double points[] = {10, 14, 22};
        for (TextBox *box : {SerialText, SerialText1, txtSent})
            box->setFontSize(points[mainFontSize - 1]);
        mnuFontSmall->setChecked(mainFontSize == 1);
        mnuFontMedium->setChecked(mainFontSize == 2);
        mnuFontLarge->setChecked(mainFontSize == 3);
    }
    if (autoScroll == 1)
        mnuScroll->setChecked(true);
    if (silentCapture == 1)
        mnuSilent->setChecked(true);
    if (autoClearTX == 1)
        mnuAutoClearTX->setChecked(true);
    if (txSilent == 1)
        mnuTXSilent->setChecked(true);

    bankIndex = 1;
    ShowBankPage();

    if (MSComm1) {
        (void)MSComm1->setSettings(txtBaud->text() + QStringLiteral(",n,8,1"));
        (void)MSComm1->setPortOpen(true);
    }
    RefreshConnectLamp();
    if (!unreadable.isEmpty()) {
        settingsFileKept = true;
        AddStatus(QStringLiteral("Cannot read settings file %1: %2. It will not be overwritten.")
                      .arg(QDir::toNativeSeparators(fileName), unreadable));
    }
    fileName.clear();
}

void frmSerial::Form_Unload(int &Cancel)
{
    StoreBankPage();
    // Saved while the port is still open: a user who keeps the window after a failed save
    // keeps the connection too.
    if (!SaveSettings()) {
        Cancel = 1;
        return;
    }
    if (MSComm1 && MSComm1->portOpen())
        ClosePort(true);
}

void frmSerial::closeOnSignal()
{
    closingOnSignal = true;
    close();
    // Refused while the question about a failed save is open: the user answers it.
    closingOnSignal = false;
}

bool frmSerial::SaveSettings()
{
    if (settingsFileKept)
        return true;
    SettingsRecords file;
    for (int page = 0; page < SettingsRecords::kPages; ++page) {
        for (int row = 0; row < SettingsRecords::kRows; ++row) {
            file.description[page][row] = bankText2[page + 1][row];
            file.sendString[page][row] = bankText1[page + 1][row];
        }
    }
    file.txt0 = txt[0]->text();
    file.txt1 = txt[1]->text();
    file.text3 = Text3->text();
    // The rate as typed, without the range check of start-up.
    if (auto baud = CLng(Val(txtBaud->text())))
        baudRate = *baud;
    file.baudRate = baudRate;
    file.commPort = commPort;
    file.mainFontSize = mainFontSize;
    file.autoScroll = autoScroll;
    file.silentCapture = silentCapture;
    file.hexFontSize = hexFontSize;
    file.autoClearTX = autoClearTX;
    file.txSilent = txSilent;

    const QString path = settingsFilePath(services);
    const WriteResult saved = writeSettingsFile(path, file);
    if (saved)
        return true;
    // The old file is still whole; only this run's changes are at stake.
    const QString message = saveFailedMessage(path, saved.error);
    if (closingOnSignal) {
        const QString line = QString(message).replace(QStringLiteral("\r\n"), QStringLiteral(" "));
        std::fprintf(stderr, "orvo232: %s\n", qPrintable(line));
        return true;
    }
    if (!services.messageBox)
        return true;
    settingsQuestionOpen = true;
    const bool close =
        services.messageBox->ask(this, message + QStringLiteral("\r\n\r\nClose without saving?"));
    settingsQuestionOpen = false;
    return close;
}

// ---- Port connection -------------------------------------------------------------------

void frmSerial::ConnectButton_Click()
{
    // An open port is left as it is: new settings apply only after Disconnect.
    if (!MSComm1 || !MSComm1->portOpen()) {
        const auto port = CInt(Val(txtCommport->text()));
        const bool opened = MSComm1 &&
                            MSComm1->setSettings(txtBaud->text() + QStringLiteral(",n,8,1")) &&
                            port && MSComm1->setCommPort(*port) && MSComm1->setPortOpen(true);
        if (!opened) {
            lblConnect->setToolTip(MSComm1 ? MSComm1->detail() : QString());
            AddStatus(QStringLiteral("Selected COM Port Not Available."));
            return;
        }
        RefreshConnectLamp();
    }
    emptyPane(SerialText);
    emptyPane(SerialText1);
    AddStatus(QStringLiteral("Com Port Connected."));
}

void frmSerial::DisconnectButton_Click()
{
    if (MSComm1 && MSComm1->portOpen()) {
        ClosePort(false);
        RefreshConnectLamp();
    }
    AddStatus(QStringLiteral("COM Port Disconnected"));
}

void frmSerial::ClosePort(bool alsoToStderr)
{
    const qint64 discarded = MSComm1->closeDraining();
    if (discarded <= 0)
        return;
    const QString line =
        QStringLiteral("Output discarded at close: %1 bytes not sent").arg(discarded);
    AddStatus(line);
    // The window is going away with the line in it.
    if (alsoToStderr)
        std::fprintf(stderr, "%s\n", line.toLocal8Bit().constData());
}

void frmSerial::txtBaud_Change()
{
    if (auto baud = CLng(Val(txtBaud->text())))
        baudRate = *baud;
    if (baudRate < 110 || baudRate > 116000)
        baudRate = 9600;
}

void frmSerial::txtCommport_Change()
{
    const auto port = CInt(Val(txtCommport->text()));
    if (port)
        commPort = *port;
    // Show which device the number selects.
    QString device;
    if (port && MSComm1)
        device = MSComm1->deviceName(*port);
    txtCommport->setToolTip(device.isEmpty() ? QStringLiteral("No serial device for this number")
                                             : device);
}

void frmSerial::AddStatus(const QString &message)
{
    txtStatus->appendText(message + QStringLiteral("\r\n"));
}

void frmSerial::ReportSaveFailure(const QString &path, const QString &reason)
{
    if (services.messageBox)
        services.messageBox->show(this, saveFailedMessage(path, reason));
}

void frmSerial::RefreshConnectLamp()
{
    const bool open = MSComm1 && MSComm1->portOpen();
    const QColor &color = open ? kLampOn : kLampOff;
    if (backColor(lblConnect) != color)
        setBackColor(lblConnect, color);
    lblConnect->setToolTip(MSComm1 ? MSComm1->detail() : QString());
}

// ---- Receive engine --------------------------------------------------------------------

void frmSerial::MSComm1_OnComm()
{
    const int event = MSComm1 ? MSComm1->commEvent() : 0;
    if (rxSuspended == 0) {
        switch (event) {
        case CommPort::comEventBreak:
            AddStatus(QStringLiteral("Communications error Break"));
            DisconnectButton_Click();
            ConnectButton_Click();
            break;
        case CommPort::comEventCDTO:
            AddStatus(QStringLiteral("Communications error CDTO"));
            break;
        case CommPort::comEventCTSTO:
            AddStatus(QStringLiteral("Communications error CTSTO"));
            break;
        case CommPort::comEventDSRTO:
            AddStatus(QStringLiteral("Communications error DSRTO"));
            break;
        case CommPort::comEventFrame:
            AddStatus(QStringLiteral("Communications error Frame"));
            DisconnectButton_Click();
            ConnectButton_Click();
            break;
        case CommPort::comEventOverrun:
            AddStatus(QStringLiteral("Communications error Overrun"));
            break;
        case CommPort::comEventRxOver:
            AddStatus(QStringLiteral("Communications error Rx Overrun"));
            break;
        case CommPort::comEventTxFull:
            AddStatus(QStringLiteral("Communications error Tx Full"));
            break;
        case CommPort::comEventDCB:
            AddStatus(QStringLiteral("Communications error DCB"));
            break;
        case CommPort::comEvCD:
            AddStatus(QStringLiteral("Carrier Detect"));
            break;
        case CommPort::comEvCTS:
            AddStatus(QStringLiteral("Clear To Send"));
            break;
        case CommPort::comEvDSR:
            AddStatus(QStringLiteral("Data Set Ready"));
            break;
        case CommPort::comEvRing:
            AddStatus(QStringLiteral("Ring"));
            break;
        case CommPort::comEvReceive:
            receivePending();
            break;
        case CommPort::comEvSend:
            AddStatus(QStringLiteral("Send Characters"));
            break;
        case CommPort::comEvEOF:
            AddStatus(QStringLiteral("End of Frame"));
            break;
        case CommPort::comEventDeviceLost:
            reportDeviceLost();
            break;
        default: // a parity error and anything else pass silently
            break;
        }
    } else if (event == CommPort::comEventDeviceLost) {
        // Suspending stops receiving, not the news that the device has gone.
        reportDeviceLost();
    }

    RefreshConnectLamp();
    if (sizeLimitReached(SerialText->length(), silentCapture != 0, rxCaptureCount)) {
        emptyPane(SerialText);
        emptyPane(SerialText1);
        rxCaptureCount = 0;
    }
    txtCntr->setText(QString::number(rxCaptureCount));
}

void frmSerial::receivePending()
{
    // A line faster than the panes would pile up megabytes between two ticks: tick now,
    // as if the timer had fired just before this event, so the text shown at once stays
    // small and this event's size check empties the panes as usual.
    if (rxHexPending.size() >= kEarlyFlushChars)
        Timer4_Timer();
    // Everything waiting is taken at once; the result equals one event per byte.
    const QByteArray bytes = MSComm1->input();
    if (bytes.isEmpty())
        return;
    rxChunk = QString(QChar(char16_t(uchar(bytes.back()))));
    const ReceiveOutcome out =
        receiveBytes(bytes, silentCapture != 0, SerialText->length(), rxAsciiPending, rxHexPending);
    // A running timer is not restarted, so the panes refresh about every 100 ms.
    if (out.textPending && !Timer4->isActive())
        Timer4->start();
    if (out.panesEmptied) {
        emptyPane(SerialText);
        emptyPane(SerialText1);
    }
}

void frmSerial::reportDeviceLost()
{
    AddStatus(QStringLiteral("COM Port Disconnected"));
    const QString reason = MSComm1->detail().section(u'\n', 0, 0).trimmed();
    if (!reason.isEmpty())
        AddStatus(reason);
}

void frmSerial::Timer4_Timer()
{
    SerialText->appendText(rxAsciiPending);
    SerialText1->appendText(rxHexPending);
    rxAsciiPending.clear();
    rxHexPending.clear();
    Timer4->stop();
}

void frmSerial::SerialText_Change()
{
    if (autoScroll == 1)
        SerialText->setSelStart(SerialText->length());
}

void frmSerial::SerialText1_Change()
{
    if (autoScroll == 1)
        SerialText1->setSelStart(SerialText1->length());
}

void frmSerial::txtSent_Change()
{
    if (autoScroll == 1)
        txtSent->setSelStart(txtSent->length());
}

void frmSerial::txtStatus_Change()
{
    txtStatus->setSelStart(txtStatus->length());
}
