#include "windows/mainwidgets.h"

#include "platform/widgets/divider.h"
#include "platform/widgets/lamp.h"
#include "platform/widgets/latin1validator.h"
#include "platform/widgets/textbox.h"
#include "platform/widgets/twips.h"

#include <QAction>
#include <QCheckBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenuBar>
#include <QPushButton>
#include <QResizeEvent>
#include <QScrollArea>
#include <QShortcut>

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

Lamp *makeLamp(QWidget *parent, int l, int t, int w, int h)
{
    auto *lamp = new Lamp(parent);
    lamp->setFrameShape(QFrame::Box);
    place(lamp, l, t, w, h);
    return lamp;
}

// A box whose text is sent or stored as bytes: it shows only what those bytes are.
QLineEdit *makeByteLine(QWidget *parent, const QValidator *latin1, int l, int t, int w, int h)
{
    QLineEdit *edit = makeLine(parent, QString(), l, t, w, h);
    edit->setValidator(latin1);
    return edit;
}

TextBox *makePane(QWidget *parent, const char *name, int l, int t, int w, int h)
{
    auto *box = new TextBox(parent);
    box->setObjectName(QString::fromLatin1(name));
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

class ResizeWatcher : public QObject
{
public:
    ResizeWatcher(QWidget *w, std::function<void()> react) : QObject(w), react_(std::move(react))
    {
        w->installEventFilter(this);
    }
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Resize)
            react_();
        return QObject::eventFilter(watched, event);
    }

private:
    std::function<void()> react_;
};

// The row under the receive panes: first those that only move down, then those that also
// move right with the status box.
constexpr size_t kRowDownOnly = 10;
std::array<QWidget *, 12> bottomRow(const MainWidgets &ui)
{
    return {ui.rxCountLabel,  ui.rxCountBox,      ui.txCountLabel,      ui.txCountBox,
            ui.rxSuspendLamp, ui.rxSuspendButton, ui.txSuspendLamp,     ui.txSuspendButton,
            ui.clearRxButton, ui.clearTxButton,   ui.clearStatusButton, ui.statusLabel};
}

// The send keys: the vertical caption, the description caption, the 20 buttons and the 20
// descriptions move with the list; the string caption and the 20 strings move also by the
// descriptions' extra width.
constexpr size_t kKeyCaptions = 3;
std::array<QWidget *, 63> keyList(const MainWidgets &ui)
{
    std::array<QWidget *, 63> list{ui.sendKeysLabel, ui.keyDescriptionLabel, ui.keyStringLabel};
    for (size_t i = 0; i < 20; ++i) {
        list[kKeyCaptions + i] = ui.sendKeyButtons[i];
        list[kKeyCaptions + 20 + i] = ui.keyDescriptionBoxes[i];
        list[kKeyCaptions + 40 + i] = ui.keyStringBoxes[i];
    }
    return list;
}

void placeKeys(const MainWidgets &ui, const MainPlaces &p)
{
    const auto list = keyList(ui);
    for (size_t i = 0; i < list.size(); ++i) {
        QRect r = ui.designKeys[i].translated(p.keysRight, 0);
        const bool strings = i == 2 || i >= kKeyCaptions + 40;
        if (strings)
            r.translate(p.descriptionsWider, 0);
        if (i >= kKeyCaptions + 20) // the boxes widen
            r.setWidth(r.width() + (strings ? p.stringsWider : p.descriptionsWider));
        list[i]->setGeometry(r);
    }
}

} // namespace

void onResize(QWidget *w, std::function<void()> react)
{
    new ResizeWatcher(w, std::move(react));
}

QScrollArea *setScrollingClient(QMainWindow *window, QWidget *client, QSize design)
{
    client->setMinimumSize(design);
    auto *area = new QScrollArea(window);
    area->setFrameShape(QFrame::NoFrame);
    area->setWidgetResizable(true);
    area->setWidget(client);
    area->viewport()->setBackgroundRole(QPalette::Window);
    // Small enough for a 1280 x 720 screen at a scale factor of 2.
    area->setMinimumSize(160, 120);
    window->setCentralWidget(area);
    return area;
}

void openFirstMenuOnF10(QMainWindow *window)
{
    QMenuBar *bar = window->menuBar();
    QObject::connect(new QShortcut(QKeySequence(Qt::Key_F10), window), &QShortcut::activated, bar,
                     [bar] { bar->setActiveAction(bar->actions().constFirst()); });
}

void showDesignSize(QMainWindow *window, QSize design)
{
    const QWidget *bar = window->menuWidget();
    const int barHeight = bar ? bar->heightForWidth(design.width()) : 0;
    window->resize(design.width(), design.height() + qMax(0, barHeight));
}

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
    place(ui.onTheFlyFrame, 120, 0, 2655, 1215);
    place(ui.portFrame, 2880, 0, 4095, 1215);
    place(ui.bankRunFrame, 7080, 0, 3495, 1215);

    // One validator serves every box that holds bytes; the boxes do not own it.
    const auto *latin1 = new Latin1Validator(c);
    ui.onTheFlyLabel = makeLabel(c, QStringLiteral("On-the-Fly SendKeys"), 240, 120, 1740, 285);
    ui.sendLineBoxes[0] = makeByteLine(c, latin1, 240, 480, 1455, 285);
    ui.sendLineBoxes[1] = makeByteLine(c, latin1, 240, 840, 1455, 285);
    ui.sendLineButtons[0] = makeButton(c, QStringLiteral("<- Send"), 1800, 480, 735, 255);
    ui.sendLineButtons[1] = makeButton(c, QStringLiteral("<- Send"), 1800, 840, 735, 255);
    ui.rebuildPanesButton =
        makeButton(c, QStringLiteral("Reb&uild from Captured Binary Array"), 120, 1320, 3015, 375);

    ui.connectLamp = makeLamp(c, 3120, 120, 135, 255);
    ui.reconnectButton = makeButton(c, QStringLiteral("Re&Connect"), 3360, 120, 1215, 255);
    ui.serialPortLabel = makeLabel(c, QStringLiteral("Serial Port"), 3600, 375, 780, 285);
    ui.disconnectButton = makeButton(c, QStringLiteral("&Disconnect"), 3360, 600, 1215, 255);
    ui.comLabel = makeLabel(c, QStringLiteral("COM"), 3360, 980, 420, 285);
    ui.comNumberBox = makeLine(c, QStringLiteral("1"), 3840, 920, 375, 285);
    ui.baudLabel = makeLabel(c, QStringLiteral("BAUD"), 4320, 980, 540, 285);
    ui.baudRateBox = makeLine(c, QStringLiteral("9600"), 4800, 920, 735, 285);
    ui.frameFormatLabel = makeLabel(c, QStringLiteral("8,N,1 no control"), 5640, 980, 1140, 285);

    ui.addCrCheck = new QCheckBox(QStringLiteral("Add C&R"), c);
    place(ui.addCrCheck, 4800, 120, 975, 375);
    ui.addLfCheck = new QCheckBox(QStringLiteral("Add &LF"), c);
    place(ui.addLfCheck, 4800, 480, 855, 375);

    ui.asciiKeysButton = makeButton(c, QStringLiteral("&Ascii"), 5880, 120, 735, 255);
    ui.sendAsLabel = makeLabel(c, QStringLiteral("Send as: "), 5880, 360, 780, 285);
    ui.hexKeysButton = makeButton(c, QStringLiteral("He&x"), 5880, 600, 735, 255);

    ui.itemDelayLabel =
        makeLabel(c, QStringLiteral("Delay (ms) between items:"), 7320, 120, 1095, 375);
    ui.itemDelayBox = makeLine(c, QStringLiteral("100"), 8520, 120, 615, 285);
    ui.sendBankButton = makeButton(c, QStringLiteral("Send &Bank"), 9240, 120, 1170, 270);
    ui.itemBeingSentLabel =
        makeLabel(c, QStringLiteral("Line item being sent"), 7200, 480, 1455, 255);
    ui.itemBeingSentBox = makeLine(c, QStringLiteral("0"), 8760, 480, 375, 285);
    ui.itemBeingSentBox->setEnabled(false);
    ui.sendAllButton = makeButton(c, QStringLiteral("Se&nd All"), 9240, 480, 1170, 270);
    ui.bankLabel = makeLabel(c, QStringLiteral("Bank"), 7440, 840, 375, 255);
    ui.previousPageButton = makeButton(c, QStringLiteral("-"), 7920, 840, 255, 255);
    ui.nextPageButton = makeButton(c, QStringLiteral("+"), 8280, 840, 255, 255);
    for (QPushButton *b : {ui.previousPageButton, ui.nextPageButton}) {
        QPalette pal = b->palette();
        pal.setColor(QPalette::Button, pal.color(QPalette::Highlight));
        b->setPalette(pal);
    }
    ui.bankPageBox = makeLine(c, QStringLiteral("1"), 8760, 840, 375, 285);
    ui.stopButton = makeButton(c, QStringLiteral("&STOP"), 9240, 840, 1215, 255);

    ui.keyDescriptionLabel =
        makeLabel(c, QStringLiteral("SendKey Description"), 6120, 1200, 1740, 285);
    ui.keyStringLabel = makeLabel(c, QStringLiteral("SendKey String - ASC"), 8400, 1200, 1740, 285);
    ui.sendKeysLabel = makeLabel(c, QStringLiteral("S e n d    k e y s"), 4680, 2280, 135, 2175);
    for (int i = 0; i < 20; ++i) {
        const int top = 1440 + 360 * i;
        ui.sendKeyButtons[i] = makeButton(c, QString(), 4920, top, 375, 330);
        ui.keyDescriptionBoxes[i] = makeByteLine(c, latin1, 5400, top, 2565, 330);
        ui.keyStringBoxes[i] = makeByteLine(c, latin1, 8100, top, 2445, 330);
    }

    ui.rxAsciiPane = makePane(c, "SerialText", 120, 1800, 4335, 6470);
    ui.rxHexPane = makePane(c, "SerialText1", 120, 1800, 4335, 6470);
    ui.rxAsciiPane->raise();

    ui.rxCountLabel = makeLabel(c, QStringLiteral("RX char cnt"), 100, 8325, 855, 255);
    ui.rxCountBox = makeLine(c, QStringLiteral("0"), 960, 8280, 735, 285);
    ui.txCountLabel = makeLabel(c, QStringLiteral("TX char cnt"), 100, 8760, 855, 255);
    ui.txCountBox = makeLine(c, QStringLiteral("0"), 960, 8720, 735, 285);
    ui.rxSuspendLamp = makeLamp(c, 1800, 8320, 135, 255);
    ui.rxSuspendButton = makeButton(c, QStringLiteral("Suspend"), 2040, 8320, 855, 255);
    ui.txSuspendLamp = makeLamp(c, 1800, 8670, 135, 255);
    ui.txSuspendButton = makeButton(c, QStringLiteral("Suspend"), 2040, 8670, 855, 300);
    ui.clearRxButton = makeButton(c, QStringLiteral("Clear RX &window"), 3000, 8320, 1455, 255);
    ui.clearTxButton = makeButton(c, QStringLiteral("Clear TX W&indow"), 3000, 8670, 1455, 300);
    ui.clearStatusButton = makeButton(c, QStringLiteral("CLR->"), 4800, 8640, 615, 300);
    ui.statusLabel = makeLabel(c, QStringLiteral("Status"), 5640, 8640, 495, 255);
    ui.statusPane = new TextBox(c);
    ui.statusPane->setObjectName(QStringLiteral("txtStatus"));
    place(ui.statusPane, 5520, 8880, 5055, 1455);
    ui.txEchoPane = makePane(c, "txtSent", 120, 9000, 5175, 1335);
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
