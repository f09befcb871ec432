#include "frmserial.h"

#include "appicon.h"
#include "commondialog.h"
#include "commport.h"
#include "dialogs.h"
#include "frmhelp.h"
#include "frmhexeditor.h"
#include "latin1.h"
#include "ontop.h"
#include "textbox.h"
#include "twips.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QFrame>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPalette>
#include <QPushButton>
#include <QTimer>

#include <climits>

namespace {

QLineEdit *makeLine(QWidget *parent, const QString &text, int l, int t, int w, int h)
{
    auto *edit = new QLineEdit(text, parent);
    // A text box holds far more than QLineEdit's default of 32767 characters.
    edit->setMaxLength(INT_MAX);
    place(edit, l, t, w, h);
    return edit;
}

// A box whose text is sent or stored as bytes: it shows only what those bytes are.
QLineEdit *makeByteLine(QWidget *parent, const QValidator *latin1, int l, int t, int w, int h)
{
    QLineEdit *edit = makeLine(parent, QString(), l, t, w, h);
    edit->setValidator(latin1);
    return edit;
}

QLabel *makeLamp(QWidget *parent, int l, int t, int w, int h)
{
    auto *lamp = new QLabel(parent);
    lamp->setFrameShape(QFrame::Box);
    place(lamp, l, t, w, h);
    setBackColor(lamp, Qt::white);
    return lamp;
}

TextBox *makePane(QWidget *parent, int l, int t, int w, int h)
{
    auto *box = new TextBox(parent);
    box->setFont(QFont(QStringLiteral("Courier New"), 8));
    box->setFontSize(8.25);
    place(box, l, t, w, h);
    return box;
}

QAction *addItem(QMenu *menu, const QString &caption, bool checked = false)
{
    QAction *action = menu->addAction(caption);
    action->setCheckable(true);
    action->setChecked(checked);
    return action;
}

} // namespace

void setBackColor(QLabel *label, const QColor &color)
{
    QPalette pal = label->palette();
    pal.setColor(QPalette::Window, color);
    label->setPalette(pal);
    label->setAutoFillBackground(true);
}

QColor backColor(const QLabel *label)
{
    return label->palette().color(QPalette::Window);
}

frmSerial::frmSerial(Services s, QWidget *parent) : QMainWindow(parent), services(std::move(s))
{
    setWindowTitle(QStringLiteral("Orvo-232 Communicator"));
    setWindowIcon(orvoIcon());
    setObjectName(QStringLiteral("frmSerial"));

    if (services.makeCommPort)
        MSComm1 = services.makeCommPort();
    if (services.makeFileDialog) {
        dlgfile = services.makeFileDialog(this);
        dlgfile2 = services.makeFileDialog(this);
        dlgfile3 = services.makeFileDialog(this);
    }

    createWidgets();
    createMenus();
    connectHandlers();
    connectTransmitHandlers();
    connectFilesViewsHandlers();

    Form_Load();
}

frmSerial::~frmSerial() = default;

void frmSerial::createWidgets()
{
    client = new QWidget(this);
    client->setObjectName(QStringLiteral("client"));
    client->setFixedSize(px(10845), px(10485));
    setCentralWidget(client);
    QWidget *c = client;
    // The layout is measured for an 8-point sans serif of Arial's metrics (about 10 px);
    // a wider desktop font would clip the captions.
    QFont ui;
    ui.setFamilies(
        {QStringLiteral("Liberation Sans"), QStringLiteral("Arial"), QStringLiteral("Helvetica")});
    ui.setPixelSize(10);
    c->setFont(ui);

    // Group frames first so that everything else lies above them.
    Shape3 = new QFrame(c);
    Shape2 = new QFrame(c);
    Shape1 = new QFrame(c);
    for (QFrame *f : {Shape3, Shape2, Shape1}) {
        f->setFrameShape(QFrame::Box);
        f->setFrameShadow(QFrame::Plain);
    }
    place(Shape3, 120, 0, 2655, 1215);
    place(Shape2, 2880, 0, 4095, 1215);
    place(Shape1, 7080, 0, 3495, 1215);

    // One validator serves every box that holds bytes; the boxes do not own it.
    const auto *latin1 = new Latin1Validator(c);
    Label1 = makeLabel(c, QStringLiteral("On-the-Fly SendKeys"), 240, 120, 1740, 285);
    txt[0] = makeByteLine(c, latin1, 240, 480, 1455, 285);
    txt[1] = makeByteLine(c, latin1, 240, 840, 1455, 285);
    BTNSend = makeButton(c, QStringLiteral("<- Send"), 1800, 480, 735, 255);
    BTNSend1 = makeButton(c, QStringLiteral("<- Send"), 1800, 840, 735, 255);
    cmdRebuild =
        makeButton(c, QStringLiteral("Rebuild from Captured Binary Array"), 120, 1320, 3015, 375);

    lblConnect = makeLamp(c, 3120, 120, 135, 255);
    ConnectButton = makeButton(c, QStringLiteral("ReConnect"), 3360, 120, 1215, 255);
    Label11 = makeLabel(c, QStringLiteral("Serial Port"), 3600, 375, 780, 285);
    DisconnectButton = makeButton(c, QStringLiteral("Disconnect"), 3360, 600, 1215, 255);
    Label7 = makeLabel(c, QStringLiteral("COM"), 3360, 980, 420, 285);
    txtCommport = makeLine(c, QStringLiteral("1"), 3840, 920, 375, 285);
    Label13 = makeLabel(c, QStringLiteral("BAUD"), 4320, 980, 540, 285);
    txtBaud = makeLine(c, QStringLiteral("9600"), 4800, 920, 735, 285);
    Label14 = makeLabel(c, QStringLiteral("8,N,1 no control"), 5640, 980, 1140, 285);

    chkCR = new QCheckBox(QStringLiteral("Add CR"), c);
    place(chkCR, 4800, 120, 975, 375);
    Check2 = new QCheckBox(QStringLiteral("Add LF"), c);
    place(Check2, 4800, 480, 855, 375);

    Keyascii[0] = makeButton(c, QStringLiteral("Ascii"), 5880, 120, 735, 255);
    Label18 = makeLabel(c, QStringLiteral("Send as: "), 5880, 360, 780, 285);
    Keyhex[0] = makeButton(c, QStringLiteral("Hex"), 5880, 600, 735, 255);

    Label6 = makeLabel(c, QStringLiteral("Delay (ms) between items:"), 7320, 120, 1095, 375);
    txtDelay = makeLine(c, QStringLiteral("100"), 8520, 120, 615, 285);
    Command1 = makeButton(c, QStringLiteral("Send Bank"), 9240, 120, 1170, 270);
    Label10 = makeLabel(c, QStringLiteral("Line item being sent"), 7200, 480, 1455, 255);
    Text8 = makeLine(c, QStringLiteral("0"), 8760, 480, 375, 285);
    Text8->setEnabled(false);
    Command3 = makeButton(c, QStringLiteral("Send All"), 9240, 480, 1170, 270);
    Label4 = makeLabel(c, QStringLiteral("Bank"), 7440, 840, 375, 255);
    Command7 = makeButton(c, QStringLiteral("-"), 7920, 840, 255, 255);
    Command23 = makeButton(c, QStringLiteral("+"), 8280, 840, 255, 255);
    for (QPushButton *b : {Command7, Command23}) {
        QPalette pal = b->palette();
        pal.setColor(QPalette::Button, pal.color(QPalette::Highlight));
        b->setPalette(pal);
    }
    Text3 = makeLine(c, QStringLiteral("1"), 8760, 840, 375, 285);
    Command6 = makeButton(c, QStringLiteral("STOP"), 9240, 840, 1215, 255);

    Label2 = makeLabel(c, QStringLiteral("SendKey Description"), 6120, 1200, 1740, 285);
    Label3 = makeLabel(c, QStringLiteral("SendKey String - ASC"), 8400, 1200, 1740, 285);
    Label5 = makeLabel(c, QStringLiteral("S e n d    k e y s"), 4680, 2280, 135, 2175);
    for (int i = 0; i < 20; ++i) {
        const int top = 1440 + 360 * i;
        Command2[i] = makeButton(c, QString(), 4920, top, 375, 330);
        Text2[i] = makeByteLine(c, latin1, 5400, top, 2565, 330);
        Text1[i] = makeByteLine(c, latin1, 8100, top, 2445, 330);
    }

    SerialText = makePane(c, 120, 1800, 4335, 6470);
    SerialText->setObjectName(QStringLiteral("SerialText"));
    SerialText1 = makePane(c, 120, 1800, 4335, 6470);
    SerialText1->setObjectName(QStringLiteral("SerialText1"));
    SerialText->raise();

    Label8 = makeLabel(c, QStringLiteral("RX char cnt"), 100, 8325, 855, 255);
    txtCntr = makeLine(c, QStringLiteral("0"), 960, 8280, 735, 285);
    Label12 = makeLabel(c, QStringLiteral("TX char cnt"), 100, 8760, 855, 255);
    txtTXCntr = makeLine(c, QStringLiteral("0"), 960, 8720, 735, 285);
    lblSuspend = makeLamp(c, 1800, 8320, 135, 255);
    cmdSuspend = makeButton(c, QStringLiteral("Suspend"), 2040, 8320, 855, 255);
    lblTXsuspend = makeLamp(c, 1800, 8670, 135, 255);
    Command4 = makeButton(c, QStringLiteral("Suspend"), 2040, 8670, 855, 300);
    Command5 = makeButton(c, QStringLiteral("Clear RX window"), 3000, 8320, 1455, 255);
    Command8 = makeButton(c, QStringLiteral("Clear TX Window"), 3000, 8670, 1455, 300);
    Command9 = makeButton(c, QStringLiteral("CLR->"), 4800, 8640, 615, 300);
    Label9 = makeLabel(c, QStringLiteral("Status"), 5640, 8640, 495, 255);
    txtStatus = new TextBox(c);
    txtStatus->setObjectName(QStringLiteral("txtStatus"));
    place(txtStatus, 5520, 8880, 5055, 1455);
    txtSent = makePane(c, 120, 9000, 5175, 1335);
    txtSent->setObjectName(QStringLiteral("txtSent"));

    Timer1 = new QTimer(this);
    Timer1->setInterval(1000);
    Timer2 = new QTimer(this);
    Timer2->setInterval(100);
    Timer3 = new QTimer(this);
    Timer3->setInterval(200);
    Timer4 = new QTimer(this);
    Timer4->setInterval(100);
    Timer3->start();
}

void frmSerial::createMenus()
{
    QMenuBar *bar = menuBar();
    QMenu *file = bar->addMenu(QStringLiteral("File"));
    mnuSaveCaptureAscii = file->addAction(QStringLiteral("Save Capture Ascii"));
    mnuSaveCaptureHumanHex = file->addAction(QStringLiteral("Save Capture Human-Hex"));
    file->addSeparator();
    mnuSendfile = file->addAction(QStringLiteral("Send File"));
    mnuInstantSend = file->addAction(QStringLiteral("Instant Resend Last File"));
    file->addSeparator();
    mnuLoad = file->addAction(QStringLiteral("Load Project"));
    mnuSave = file->addAction(QStringLiteral("Save Project"));

    QMenu *edit = bar->addMenu(QStringLiteral("Edit"));
    mnuClear = edit->addAction(QStringLiteral("Clear Keys"));
    mnuCopyPage = edit->addAction(QStringLiteral("Copy Page"));
    mnuPastePage = edit->addAction(QStringLiteral("Paste Page"));

    QMenu *view = bar->addMenu(QStringLiteral("View"));
    mnuViewPaneList = addItem(view, QStringLiteral("RX Ascii - SendKey List"), true);
    mnuViewHexList = addItem(view, QStringLiteral("RX Hex - SendKey List"));
    mnuViewBigAsciiPane = addItem(view, QStringLiteral("Big ASCII Receive Pane"));
    mnuViewBigHEXPane = addItem(view, QStringLiteral("Big Hex Receive Pane"));
    mnuViewAsciiHex = addItem(view, QStringLiteral("Ascii Over Hex"));

    QMenu *options = bar->addMenu(QStringLiteral("Options"));
    mnuFontSmall = addItem(options, QStringLiteral("Font Small"), true);
    mnuFontMedium = addItem(options, QStringLiteral("Font Medium"));
    mnuFontLarge = addItem(options, QStringLiteral("Font Large"));
    options->addSeparator();
    mnuSilent = addItem(options, QStringLiteral("Silent Capture"));
    mnuScroll = addItem(options, QStringLiteral("Auto Scroll"));
    options->addSeparator();
    mnuAutoClearTX = addItem(options, QStringLiteral("Clear TX on Each Send"));
    mnuTXSilent = addItem(options, QStringLiteral("Silent TX"));
    options->addSeparator();
    // Never shows a check mark: the handler switches the state itself.
    mnuAlwaysOnTop = options->addAction(QStringLiteral("Always On Top"));

    mnuHexEditor = bar->addAction(QStringLiteral("Hex Editor"));
    mnuHelp = bar->addAction(QStringLiteral("Help"));

    // Check marks are the handlers' business: a click must not toggle them by itself.
    for (QAction *a : {mnuViewPaneList, mnuViewHexList, mnuViewBigAsciiPane, mnuViewBigHEXPane,
                       mnuViewAsciiHex, mnuFontSmall, mnuFontMedium, mnuFontLarge, mnuSilent,
                       mnuScroll, mnuAutoClearTX, mnuTXSilent}) {
        connect(a, &QAction::triggered, a, [a] { a->setChecked(!a->isChecked()); });
    }
}

void frmSerial::closeEvent(QCloseEvent *event)
{
    if (settingsQuestionOpen) {
        event->ignore(); // the question about the failed save decides
        return;
    }
    if (!unloading) {
        unloading = true;
        // A dialog still open would keep the program running behind a closed window, and a
        // handler waiting in it would carry on in a window that is gone.
        endOpenDialogs();
        int cancel = 0;
        Form_Unload(cancel);
        if (cancel != 0) {
            // The user keeps the window to make room and close again.
            unloading = false;
            event->ignore();
            return;
        }
        if (hexEditor)
            hexEditor->close();
        if (helpWindow)
            helpWindow->close();
    }
    event->accept();
}
