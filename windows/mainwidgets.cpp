#include "windows/mainwidgets.h"

#include "platform/widgets/divider.h"
#include "platform/widgets/lamp.h"
#include "platform/widgets/latin1validator.h"
#include "platform/widgets/textbox.h"
#include "platform/widgets/twips.h"
#include "windows/maindesign.h"
#include "windows/windowframe.h"

#include <QAction>
#include <QCheckBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenuBar>
#include <QPushButton>

#include <climits>

namespace {

consteval TwipsRect at(std::string_view name)
{
    return placeOf(kMainDesign, name);
}

QLineEdit *makeLine(QWidget *parent, const QString &text, TwipsRect r)
{
    auto *edit = new QLineEdit(text, parent);
    // A text box holds far more than QLineEdit's default of 32767 characters.
    edit->setMaxLength(INT_MAX);
    place(edit, r);
    return edit;
}

Lamp *makeLamp(QWidget *parent, TwipsRect r)
{
    auto *lamp = new Lamp(parent);
    lamp->setFrameShape(QFrame::Box);
    place(lamp, r);
    return lamp;
}

// A box whose text is sent or stored as bytes: it shows only what those bytes are.
QLineEdit *makeByteLine(QWidget *parent, const QValidator *latin1, TwipsRect r)
{
    QLineEdit *edit = makeLine(parent, QString(), r);
    edit->setValidator(latin1);
    return edit;
}

TextBox *makePane(QWidget *parent, const char *name, TwipsRect r)
{
    auto *box = new TextBox(parent);
    box->setObjectName(QString::fromLatin1(name));
    box->setFont(QFont(QStringLiteral("Courier New"), 8));
    constexpr double kPanePoints = 8.25;
    box->setFontSize(kPanePoints);
    place(box, r);
    return box;
}

QAction *addItem(QMenu *menu, const QString &caption, bool checked = false)
{
    QAction *action = menu->addAction(caption);
    action->setCheckable(true);
    action->setChecked(checked);
    return action;
}

// The row under the receive panes: first those that only move down, then those that also
// move right with the status box.
constexpr size_t kRowDownOnly = 10;
std::array<QWidget *, kRowWidgets> bottomRow(const MainWidgets &ui)
{
    return {ui.rxCountLabel,  ui.rxCountBox,      ui.txCountLabel,      ui.txCountBox,
            ui.rxSuspendLamp, ui.rxSuspendButton, ui.txSuspendLamp,     ui.txSuspendButton,
            ui.clearRxButton, ui.clearTxButton,   ui.clearStatusButton, ui.statusLabel};
}

// The send keys: the vertical caption, the description caption, the 20 buttons and the 20
// descriptions move with the list; the string caption and the 20 strings move also by the
// descriptions' extra width.
constexpr size_t kKeyCaptions = 3;
constexpr size_t kKeyDescriptions = kKeyCaptions + kKeyRows;
constexpr size_t kKeyStrings = kKeyDescriptions + kKeyRows;
std::array<QWidget *, kKeyWidgets> keyList(const MainWidgets &ui)
{
    std::array<QWidget *, kKeyWidgets> list{ui.sendKeysLabel, ui.keyDescriptionLabel,
                                            ui.keyStringLabel};
    for (size_t i = 0; i < kKeyRows; ++i) {
        list[kKeyCaptions + i] = ui.sendKeyButtons[i];
        list[kKeyDescriptions + i] = ui.keyDescriptionBoxes[i];
        list[kKeyStrings + i] = ui.keyStringBoxes[i];
    }
    return list;
}

void placeKeys(const MainWidgets &ui, const MainPlaces &p)
{
    const auto list = keyList(ui);
    for (size_t i = 0; i < list.size(); ++i) {
        QRect r = ui.designKeys[i].translated(p.keysRight, 0);
        const bool strings = i == 2 || i >= kKeyStrings;
        if (strings)
            r.translate(p.descriptionsWider, 0);
        if (i >= kKeyDescriptions) // the boxes widen
            r.setWidth(r.width() + (strings ? p.stringsWider : p.descriptionsWider));
        list[i]->setGeometry(r);
    }
}

} // namespace

MainPlaces placeStretching(MainWidgets &ui, ViewLayout view, int keysExtra)
{
    const MainPlaces p =
        mainPlaces(ui.designPlaces, kMainClientSize, ui.clientArea->size(), view, keysExtra);
    ui.rxAsciiPane->setGeometry(p.ascii);
    ui.rxHexPane->setGeometry(p.hex);
    ui.txEchoPane->setGeometry(p.txEcho);
    ui.statusPane->setGeometry(p.status);
    const auto row = bottomRow(ui);
    for (size_t i = 0; i < row.size(); ++i) {
        row[i]->move(ui.designRow[i] + QPoint(i < kRowDownOnly ? 0 : p.statusRight, p.rowDown));
    }
    placeKeys(ui, p);
    if (ui.divider) {
        ui.divider->setGeometry(p.divider);
        ui.divider->setVisible(!p.divider.isEmpty());
    }
    return p;
}

void buildMainWidgets(MainWidgets &ui, QMainWindow *window)
{
    auto *c = new QWidget(window);
    ui.clientArea = c;
    c->setObjectName(QStringLiteral("client"));
    ui.scrollArea = setScrollingClient(window, c, kMainClientSize);
    // The layout is measured for an 8-point sans serif of Arial's metrics (about 10 px);
    // a wider desktop font would clip the captions.
    QFont font;
    font.setFamilies(
        {QStringLiteral("Liberation Sans"), QStringLiteral("Arial"), QStringLiteral("Helvetica")});
    font.setPixelSize(10);
    c->setFont(font);

    // Group frames first so that everything else lies above them.
    ui.onTheFlyFrame = new QFrame(c);
    ui.portFrame = new QFrame(c);
    ui.bankRunFrame = new QFrame(c);
    for (QFrame *f : {ui.onTheFlyFrame, ui.portFrame, ui.bankRunFrame}) {
        f->setFrameShape(QFrame::Box);
        f->setFrameShadow(QFrame::Plain);
    }
    place(ui.onTheFlyFrame, at("onTheFlyFrame"));
    place(ui.portFrame, at("portFrame"));
    place(ui.bankRunFrame, at("bankRunFrame"));

    // One validator serves every box that holds bytes; the boxes do not own it.
    const auto *latin1 = new Latin1Validator(c);
    ui.onTheFlyLabel = makeLabel(c, QStringLiteral("On-the-Fly SendKeys"), at("onTheFlyLabel"));
    ui.sendLineBoxes[0] = makeByteLine(c, latin1, at("sendLineBoxes[0]"));
    ui.sendLineBoxes[1] = makeByteLine(c, latin1, at("sendLineBoxes[1]"));
    ui.sendLineButtons[0] = makeButton(c, QStringLiteral("<- Send"), at("sendLineButtons[0]"));
    ui.sendLineButtons[1] = makeButton(c, QStringLiteral("<- Send"), at("sendLineButtons[1]"));
    ui.rebuildPanesButton = makeButton(c, QStringLiteral("Reb&uild from Captured Binary Array"),
                                       at("rebuildPanesButton"));

    ui.connectLamp = makeLamp(c, at("connectLamp"));
    ui.reconnectButton = makeButton(c, QStringLiteral("Re&Connect"), at("reconnectButton"));
    ui.serialPortLabel = makeLabel(c, QStringLiteral("Serial Port"), at("serialPortLabel"));
    ui.disconnectButton = makeButton(c, QStringLiteral("&Disconnect"), at("disconnectButton"));
    ui.comLabel = makeLabel(c, QStringLiteral("COM"), at("comLabel"));
    ui.comNumberBox = makeLine(c, QStringLiteral("1"), at("comNumberBox"));
    ui.baudLabel = makeLabel(c, QStringLiteral("BAUD"), at("baudLabel"));
    ui.baudRateBox = makeLine(c, QStringLiteral("9600"), at("baudRateBox"));
    ui.frameFormatLabel = makeLabel(c, QStringLiteral("8,N,1 no control"), at("frameFormatLabel"));

    ui.addCrCheck = new QCheckBox(QStringLiteral("Add C&R"), c);
    place(ui.addCrCheck, at("addCrCheck"));
    ui.addLfCheck = new QCheckBox(QStringLiteral("Add &LF"), c);
    place(ui.addLfCheck, at("addLfCheck"));

    ui.asciiKeysButton = makeButton(c, QStringLiteral("&Ascii"), at("asciiKeysButton"));
    ui.sendAsLabel = makeLabel(c, QStringLiteral("Send as: "), at("sendAsLabel"));
    ui.hexKeysButton = makeButton(c, QStringLiteral("He&x"), at("hexKeysButton"));

    ui.itemDelayLabel =
        makeLabel(c, QStringLiteral("Delay (ms) between items:"), at("itemDelayLabel"));
    ui.itemDelayBox = makeLine(c, QStringLiteral("100"), at("itemDelayBox"));
    ui.sendBankButton = makeButton(c, QStringLiteral("Send &Bank"), at("sendBankButton"));
    ui.itemBeingSentLabel =
        makeLabel(c, QStringLiteral("Line item being sent"), at("itemBeingSentLabel"));
    ui.itemBeingSentBox = makeLine(c, QStringLiteral("0"), at("itemBeingSentBox"));
    ui.itemBeingSentBox->setEnabled(false);
    ui.sendAllButton = makeButton(c, QStringLiteral("Se&nd All"), at("sendAllButton"));
    ui.bankLabel = makeLabel(c, QStringLiteral("Bank"), at("bankLabel"));
    ui.previousPageButton = makeButton(c, QStringLiteral("-"), at("previousPageButton"));
    ui.nextPageButton = makeButton(c, QStringLiteral("+"), at("nextPageButton"));
    for (QPushButton *b : {ui.previousPageButton, ui.nextPageButton}) {
        QPalette pal = b->palette();
        pal.setColor(QPalette::Button, pal.color(QPalette::Highlight));
        b->setPalette(pal);
    }
    ui.bankPageBox = makeLine(c, QStringLiteral("1"), at("bankPageBox"));
    ui.stopButton = makeButton(c, QStringLiteral("&STOP"), at("stopButton"));

    ui.keyDescriptionLabel =
        makeLabel(c, QStringLiteral("SendKey Description"), at("keyDescriptionLabel"));
    ui.keyStringLabel = makeLabel(c, QStringLiteral("SendKey String - ASC"), at("keyStringLabel"));
    ui.sendKeysLabel = makeLabel(c, QStringLiteral("S e n d    k e y s"), at("sendKeysLabel"));
    for (size_t i = 0; i < kKeyRows; ++i) {
        const auto row = [i](TwipsRect r) { return r.top += kKeyRowPitch * int(i), r; };
        ui.sendKeyButtons[i] = makeButton(c, QString(), row(at("sendKeyButtons[0]")));
        ui.keyDescriptionBoxes[i] = makeByteLine(c, latin1, row(at("keyDescriptionBoxes[0]")));
        ui.keyStringBoxes[i] = makeByteLine(c, latin1, row(at("keyStringBoxes[0]")));
    }

    ui.rxAsciiPane = makePane(c, "SerialText", at("rxAsciiPane"));
    ui.rxHexPane = makePane(c, "SerialText1", at("rxHexPane"));
    ui.rxAsciiPane->raise();

    ui.rxCountLabel = makeLabel(c, QStringLiteral("RX char cnt"), at("rxCountLabel"));
    ui.rxCountBox = makeLine(c, QStringLiteral("0"), at("rxCountBox"));
    ui.txCountLabel = makeLabel(c, QStringLiteral("TX char cnt"), at("txCountLabel"));
    ui.txCountBox = makeLine(c, QStringLiteral("0"), at("txCountBox"));
    ui.rxSuspendLamp = makeLamp(c, at("rxSuspendLamp"));
    ui.rxSuspendButton = makeButton(c, QStringLiteral("Suspend"), at("rxSuspendButton"));
    ui.txSuspendLamp = makeLamp(c, at("txSuspendLamp"));
    ui.txSuspendButton = makeButton(c, QStringLiteral("Suspend"), at("txSuspendButton"));
    ui.clearRxButton = makeButton(c, QStringLiteral("Clear RX &window"), at("clearRxButton"));
    ui.clearTxButton = makeButton(c, QStringLiteral("Clear TX W&indow"), at("clearTxButton"));
    ui.clearStatusButton = makeButton(c, QStringLiteral("CLR->"), at("clearStatusButton"));
    ui.statusLabel = makeLabel(c, QStringLiteral("Status"), at("statusLabel"));
    ui.statusPane = new TextBox(c);
    ui.statusPane->setObjectName(QStringLiteral("txtStatus"));
    place(ui.statusPane, at("statusPane"));
    ui.txEchoPane = makePane(c, "txtSent", at("txEchoPane"));
    MainPlaces &design = ui.designPlaces;
    design.ascii = ui.rxAsciiPane->geometry();
    design.hex = ui.rxHexPane->geometry();
    design.txEcho = ui.txEchoPane->geometry();
    design.status = ui.statusPane->geometry();
    design.keysLeft = ui.sendKeysLabel->x();
    const auto row = bottomRow(ui);
    for (size_t i = 0; i < row.size(); ++i)
        ui.designRow[i] = row[i]->pos();
    const auto keys = keyList(ui);
    for (size_t i = 0; i < keys.size(); ++i)
        ui.designKeys[i] = keys[i]->geometry();

    // The controls that scripted sessions drive are found by these names.
    for (const auto &[w, name] : std::initializer_list<std::pair<QWidget *, const char *>>{
             {ui.sendLineBoxes[0], "txt(0)"},
             {ui.sendLineBoxes[1], "txt(1)"},
             {ui.sendLineButtons[0], "BTNSend"},
             {ui.sendLineButtons[1], "BTNSend1"},
             {ui.rebuildPanesButton, "cmdRebuild"},
             {ui.reconnectButton, "ConnectButton"},
             {ui.disconnectButton, "DisconnectButton"},
             {ui.addCrCheck, "chkCR"},
             {ui.addLfCheck, "Check2"},
             {ui.asciiKeysButton, "Keyascii(0)"},
             {ui.hexKeysButton, "Keyhex(0)"},
             {ui.itemDelayBox, "txtDelay"},
             {ui.sendBankButton, "Command1"},
             {ui.itemBeingSentBox, "Text8"},
             {ui.bankPageBox, "Text3"},
             {ui.rxCountBox, "txtCntr"},
             {ui.txCountBox, "txtTXCntr"},
             {ui.rxSuspendButton, "cmdSuspend"},
             {ui.txSuspendButton, "Command4"},
             {ui.clearRxButton, "Command5"},
             {ui.clearTxButton, "Command8"},
             {ui.clearStatusButton, "Command9"}})
        w->setObjectName(QString::fromLatin1(name));
    for (size_t i = 0; i < ui.sendKeyButtons.size(); ++i)
        ui.sendKeyButtons[i]->setObjectName(QStringLiteral("Command2(%1)").arg(i));
}

void buildMainMenus(MainWidgets &ui, QMainWindow *window)
{
    QMenuBar *bar = window->menuBar();
    QMenu *file = bar->addMenu(QStringLiteral("&File"));
    ui.saveCaptureAsciiAction = file->addAction(QStringLiteral("Save Capture &Ascii"));
    ui.saveCaptureHexAction = file->addAction(QStringLiteral("Save Capture &Human-Hex"));
    file->addSeparator();
    ui.sendFileAction = file->addAction(QStringLiteral("&Send File"));
    ui.resendLastFileAction = file->addAction(QStringLiteral("&Instant Resend Last File"));
    file->addSeparator();
    ui.loadProjectAction = file->addAction(QStringLiteral("&Load Project"));
    ui.saveProjectAction = file->addAction(QStringLiteral("Save &Project"));

    QMenu *edit = bar->addMenu(QStringLiteral("&Edit"));
    ui.clearKeysAction = edit->addAction(QStringLiteral("&Clear Keys"));
    ui.copyPageAction = edit->addAction(QStringLiteral("C&opy Page"));
    ui.pastePageAction = edit->addAction(QStringLiteral("&Paste Page"));

    QMenu *view = bar->addMenu(QStringLiteral("&View"));
    ui.asciiAndKeysViewAction = addItem(view, QStringLiteral("RX &Ascii - SendKey List"), true);
    ui.hexAndKeysViewAction = addItem(view, QStringLiteral("RX &Hex - SendKey List"));
    ui.bigAsciiViewAction = addItem(view, QStringLiteral("&Big ASCII Receive Pane"));
    ui.bigHexViewAction = addItem(view, QStringLiteral("Big He&x Receive Pane"));
    ui.asciiOverHexViewAction = addItem(view, QStringLiteral("Ascii &Over Hex"));

    QMenu *options = bar->addMenu(QStringLiteral("&Options"));
    ui.fontSmallAction = addItem(options, QStringLiteral("Font &Small"), true);
    ui.fontMediumAction = addItem(options, QStringLiteral("Font &Medium"));
    ui.fontLargeAction = addItem(options, QStringLiteral("Font &Large"));
    options->addSeparator();
    ui.silentCaptureAction = addItem(options, QStringLiteral("Silent &Capture"));
    ui.autoScrollAction = addItem(options, QStringLiteral("&Auto Scroll"));
    options->addSeparator();
    ui.clearTxOnSendAction = addItem(options, QStringLiteral("Clear &TX on Each Send"));
    ui.silentTxAction = addItem(options, QStringLiteral("Silent T&X"));
    options->addSeparator();
    // Never shows a check mark: the command switches the state itself.
    ui.alwaysOnTopAction = options->addAction(QStringLiteral("Always &On Top"));

    ui.portMenu = bar->addMenu(QStringLiteral("Por&t"));
    ui.portItemsEnd = ui.portMenu->addSeparator();
    ui.openNetworkPortAction = ui.portMenu->addAction(QStringLiteral("Open &Network Port..."));
    ui.lineSettingsAction = ui.portMenu->addAction(QStringLiteral("Line &Settings..."));
    ui.portMenu->addSeparator();
    ui.reconnectAutomaticallyAction =
        addItem(ui.portMenu, QStringLiteral("Reconnect &Automatically"));
    ui.dtrAction = addItem(ui.portMenu, QStringLiteral("&DTR"));
    ui.rtsAction = addItem(ui.portMenu, QStringLiteral("&RTS"));
    ui.sendBreakAction = ui.portMenu->addAction(QStringLiteral("Send &Break"));
    ui.portMenu->addSeparator();
    ui.logReceivedAction = addItem(ui.portMenu, QStringLiteral("&Log Received Data..."));
    ui.timestampLogAction = addItem(ui.portMenu, QStringLiteral("&Timestamp Log Lines"));

    ui.hexEditorAction = bar->addAction(QStringLiteral("&Hex Editor"));
    ui.helpAction = bar->addAction(QStringLiteral("Hel&p"));
    openFirstMenuOnF10(window);

    // Check marks are the commands' business: a click must not toggle them by itself.
    // Connected before the commands, so each command sees the mark as it was.
    for (QAction *a : {ui.asciiAndKeysViewAction, ui.hexAndKeysViewAction, ui.bigAsciiViewAction,
                       ui.bigHexViewAction, ui.asciiOverHexViewAction, ui.fontSmallAction,
                       ui.fontMediumAction, ui.fontLargeAction, ui.silentCaptureAction,
                       ui.autoScrollAction, ui.clearTxOnSendAction, ui.silentTxAction}) {
        QObject::connect(a, &QAction::triggered, a, [a] { a->setChecked(!a->isChecked()); });
    }
}
