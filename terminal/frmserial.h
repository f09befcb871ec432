#pragma once

#include "services.h"

#include <QByteArray>
#include <QMainWindow>
#include <QPointer>
#include <QString>

#include <array>
#include <memory>

class CommPort;
class CommonDialog;
class QAction;
class QCheckBox;
class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;
class TextBox;
class clsOnTop;
class frmHelp;
class frmHexEditor;

// The main window: every widget, the serial port control, the four timers, the menu bar
// and the state shared by the terminal's handlers. Widgets and state are public so the
// other windows and the tests drive the window the way a user does.
//
// The handlers are grouped by the subsystem that implements them; each group lives in
// its own source file (terminal/, transmit/, files_views/).
class frmSerial : public QMainWindow
{
    Q_OBJECT
public:
    explicit frmSerial(Services services = defaultServices(), QWidget *parent = nullptr);
    ~frmSerial() override;

    Services services;

    // ---- Widgets -------------------------------------------------------------------
    QWidget *client = nullptr; // the 723 x 699 client area below the menu bar

    QLabel *Label1 = nullptr;
    std::array<QLineEdit *, 2> txt{};
    QPushButton *BTNSend = nullptr;
    QPushButton *BTNSend1 = nullptr;
    QPushButton *cmdRebuild = nullptr;
    QFrame *Shape1 = nullptr;
    QFrame *Shape2 = nullptr;
    QFrame *Shape3 = nullptr;
    QLabel *lblConnect = nullptr;
    QPushButton *ConnectButton = nullptr;
    QLabel *Label11 = nullptr;
    QPushButton *DisconnectButton = nullptr;
    QLabel *Label7 = nullptr;
    QLineEdit *txtCommport = nullptr;
    QLabel *Label13 = nullptr;
    QLineEdit *txtBaud = nullptr;
    QLabel *Label14 = nullptr;
    QCheckBox *chkCR = nullptr;
    QCheckBox *Check2 = nullptr;
    std::array<QPushButton *, 1> Keyascii{};
    QLabel *Label18 = nullptr;
    std::array<QPushButton *, 1> Keyhex{};
    QLabel *Label6 = nullptr;
    QLineEdit *txtDelay = nullptr;
    QPushButton *Command1 = nullptr;
    QLabel *Label10 = nullptr;
    QLineEdit *Text8 = nullptr;
    QPushButton *Command3 = nullptr;
    QLabel *Label4 = nullptr;
    QPushButton *Command7 = nullptr;
    QPushButton *Command23 = nullptr;
    QLineEdit *Text3 = nullptr;
    QPushButton *Command6 = nullptr;
    QLabel *Label2 = nullptr;
    QLabel *Label3 = nullptr;
    QLabel *Label5 = nullptr;
    std::array<QPushButton *, 20> Command2{};
    std::array<QLineEdit *, 20> Text2{};
    std::array<QLineEdit *, 20> Text1{};
    TextBox *SerialText = nullptr;
    TextBox *SerialText1 = nullptr;
    QLabel *Label8 = nullptr;
    QLineEdit *txtCntr = nullptr;
    QLabel *Label12 = nullptr;
    QLineEdit *txtTXCntr = nullptr;
    QLabel *lblSuspend = nullptr;
    QPushButton *cmdSuspend = nullptr;
    QLabel *lblTXsuspend = nullptr;
    QPushButton *Command4 = nullptr;
    QPushButton *Command5 = nullptr;
    QPushButton *Command8 = nullptr;
    QPushButton *Command9 = nullptr;
    QLabel *Label9 = nullptr;
    TextBox *txtStatus = nullptr;
    TextBox *txtSent = nullptr;

    QTimer *Timer1 = nullptr;
    QTimer *Timer2 = nullptr;
    QTimer *Timer3 = nullptr;
    QTimer *Timer4 = nullptr;

    std::unique_ptr<CommPort> MSComm1;
    std::unique_ptr<CommonDialog> dlgfile;
    std::unique_ptr<CommonDialog> dlgfile2;
    std::unique_ptr<CommonDialog> dlgfile3;

    // ---- Menu ----------------------------------------------------------------------
    QAction *mnuSaveCaptureAscii = nullptr;
    QAction *mnuSaveCaptureHumanHex = nullptr;
    QAction *mnuSendfile = nullptr;
    QAction *mnuInstantSend = nullptr;
    QAction *mnuLoad = nullptr;
    QAction *mnuSave = nullptr;
    QAction *mnuClear = nullptr;
    QAction *mnuCopyPage = nullptr;
    QAction *mnuPastePage = nullptr;
    QAction *mnuViewPaneList = nullptr;
    QAction *mnuViewHexList = nullptr;
    QAction *mnuViewBigAsciiPane = nullptr;
    QAction *mnuViewBigHEXPane = nullptr;
    QAction *mnuViewAsciiHex = nullptr;
    QAction *mnuFontSmall = nullptr;
    QAction *mnuFontMedium = nullptr;
    QAction *mnuFontLarge = nullptr;
    QAction *mnuSilent = nullptr;
    QAction *mnuScroll = nullptr;
    QAction *mnuAutoClearTX = nullptr;
    QAction *mnuTXSilent = nullptr;
    QAction *mnuAlwaysOnTop = nullptr;
    QAction *mnuHexEditor = nullptr;
    QAction *mnuHelp = nullptr;

    // ---- State ---------------------------------------------------------------------
    qint16 rxSuspended = 0;
    QString bankText1[51][21];
    QString bankText2[51][21];
    QString pageClipText1[21];
    QString pageClipText2[21];
    qint16 bankIndex = 0;
    qint16 loopI = 0;
    qint16 loopJ = 0;
    qint32 bufPos = 0;
    QString rxChunk;
    QString sendText;
    quint8 fileByte = 0;
    QString fileName;
    // The file "Instant Resend Last File" sends: the last one "Send File" chose. Apart
    // from fileName, which the project and capture dialogs also set.
    QString lastSentFile;
    qint16 timer1Ticks = 0;
    qint16 timer2Ticks = 0;
    qint16 stopRequested = 0;
    qint16 txSuspended = 0;
    qint16 alwaysOnTop = 0;
    qint16 keyHexMode = 0;
    qint16 autoScroll = 0;
    qint16 silentCapture = 0;
    qint16 autoClearTX = 0;
    qint16 txSilent = 0;
    qint32 baudRate = 0;
    qint16 commPort = 0;
    QString textAccum;
    QString hexAccum;
    QString rxAsciiPending;
    QString rxHexPending;
    std::unique_ptr<clsOnTop> onTop;

    QPointer<frmHexEditor> hexEditor;
    QPointer<frmHelp> helpWindow;

    // True once the window is closing: long sends and sequencer runs end at once.
    bool unloading = false;
    // The settings file exists but could not be read at start: it is never overwritten,
    // or the send keys it holds would be lost.
    bool settingsFileKept = false;
    // Set by closeOnSignal(): nobody may be there to answer a question.
    bool closingOnSignal = false;

    // ---- Terminal core (terminal/) --------------------------------------------------
    void Form_Load();
    // Sets Cancel to 1 when the settings could not be saved and the user keeps the window.
    void Form_Unload(int &Cancel);
    // Closes the window for SIGTERM or SIGINT: a failed settings save is reported on
    // standard error instead of asking.
    void closeOnSignal();
    void ConnectButton_Click();
    void DisconnectButton_Click();
    void txtBaud_Change();
    void txtCommport_Change();
    void MSComm1_OnComm();
    void Timer4_Timer();
    void SerialText_Change();
    void SerialText1_Change();
    void txtSent_Change();
    void txtStatus_Change();
    // Appends a status message and CR LF to txtStatus.
    void AddStatus(const QString &message);
    // Tells the user that the file was not saved, and why.
    void ReportSaveFailure(const QString &path, const QString &reason);
    // Lamp colours: red while the port is open.
    void RefreshConnectLamp();
    // Takes everything the port holds and runs the receive steps for each byte.
    void receivePending();
    // The device vanished while open: says so in the status box.
    void reportDeviceLost();
    // Closes the port once its queued output has gone out; what the device did not take
    // in time is discarded, and a status line (also on standard error when asked) says
    // how many bytes that was.
    void ClosePort(bool alsoToStderr);

    // ---- Text transmit, send-key bank, sequencer, project file (transmit/) ----------
    static qint32 Hex2Dec(const QString &sHex);
    void BTNSend_Click();
    void BTNSend1_Click();
    void Keyascii_Click(int index);
    void Keyhex_Click(int index);
    void Command4_Click();
    void cmdSuspend_Click();
    void Command8_Click();
    void Command5_Click();
    void Command9_Click();
    void ShowBankPage();
    void StoreBankPage();
    void Text3_Change();
    void Timer3_Timer();
    void Command7_Click();
    void Command23_Click();
    void Command2_Click(int index);
    void mnuCopyPage_Click();
    void mnuPastePage_Click();
    void Command1_Click();
    void Command3_Click();
    void Command6_Click();
    void Timer1_Timer();
    void Timer2_Timer();
    void mnuLoad_Click();
    void mnuSave_Click();
    void mnuClear_Click();
    void Hex2Str();
    void EchoSentHex();
    // Every send writes through here. It lets at most the port's output limit wait in
    // the port's queue: beyond that it waits, the window staying live, until the line
    // has taken enough. It stops early when the port refuses or cuts a write short, when
    // transmit gets suspended during a wait, or when the window is closing (the caller
    // must then check that it still exists). Returns the number of bytes the port took.
    qint64 WriteToPort(const QByteArray &bytes);

    // A send in progress (text, row, sequencer run, file send or send_Array): another one
    // is refused until it ends, so no send's bytes are mixed into another's (STOP and
    // Suspend always work).
    bool sendBusy = false;
    // While set, a change of Text3 shows the page it names without storing the rows on
    // screen (a load or clear has just replaced the bank).
    bool bankStoreBlocked = false;

private:
    void SendBoxText(const QString &text);
    // The steps common to a box send and a row send, up to the echo; false when the
    // window closed meanwhile.
    bool PrepareSend(const QString &text, bool rowSend);
    // Writes sendText; when the port took fewer bytes, the counter shows how many it took.
    void WriteSendText();
    // Waits, keeping the window live, until the timer's tick flag flips to 1. False when
    // the window is closing or gone and the caller must end at once.
    [[nodiscard]] bool SequencerPause(QTimer *timer, qint16 &ticks);
    enum class ItemResult { Next, LastItem, Stopped, Closing };
    ItemResult SendBankItem(int page, int row);
    void ShowPageOne();
    // Shows dlgfile for a project file; reports errors other than a cancel.
    int ShowProjectDialog(bool save);

public:
    // ---- File send, capture export, views, options (files_views/) -------------------
    // Sends the bytes one at a time, yielding after each, with the echo and the counter of
    // a file send (the hex editor's send). The transmit record is left alone.
    void send_Array(const QByteArray &bytes);
    void mnuSendfile_Click();
    void mnuInstantSend_Click();
    void mnuSaveCaptureAscii_Click();
    void mnuSaveCaptureHumanHex_Click();
    void cmdRebuild_Click();
    void RebuildPanes();
    void mnuViewPaneList_Click();
    void mnuViewHexList_Click();
    void mnuViewBigAsciiPane_Click();
    void mnuViewBigHEXPane_Click();
    void mnuViewAsciiHex_Click();
    void mnuFontSmall_Click();
    void mnuFontMedium_Click();
    void mnuFontLarge_Click();
    void mnuSilent_Click();
    void mnuScroll_Click();
    void mnuAutoClearTX_Click();
    void mnuTXSilent_Click();
    void mnuAlwaysOnTop_Click();
    void mnuHexEditor_Click();
    void mnuHelp_Click();
    // Shows the single help window (also used by the hex editor).
    void ShowHelpWindow();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void createWidgets();
    void createMenus();
    void connectHandlers();
    void connectTransmitHandlers();
    void connectFilesViewsHandlers();
    // Writes the settings file; false when that failed and the user keeps the window.
    bool SaveSettings();

    bool settingsQuestionOpen = false;
};

// Sets the back colour of a label used as a lamp.
void setBackColor(QLabel *label, const QColor &color);
QColor backColor(const QLabel *label);
