#include "windows/hexeditorwindow.h"

#include "hexeditor/hexeditorplaces.h"
#include "platform/filedialog.h"
#include "platform/messagebox.h"
#include "platform/printer.h"
#include "platform/widgets/dialogs.h"
#include "platform/widgets/lamp.h"
#include "platform/widgets/services.h"
#include "platform/widgets/textbox.h"
#include "platform/widgets/twips.h"
#include "windows/mainwidgets.h"
#include "windows/windowplace.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>

#include <vector>

namespace {

TextBox *makeView(QWidget *parent, const char *name, int l, int t, int w, int h)
{
    auto *box = new TextBox(parent);
    box->setObjectName(QString::fromLatin1(name));
    QFont font(QStringLiteral("Courier New"), 12);
    font.setStyleHint(QFont::TypeWriter);
    box->setFont(font);
    box->setTabChangesFocus(true);
    place(box, l, t, w, h);
    return box;
}

constexpr QSize kEditorClientSize(899, 414);

// A widget that moves with the views, from its design place.
struct Mover
{
    QWidget *w;
    QPoint at;
    bool right, down;
};

// The views take the extra room; the rest moves with them.
void placeStretching(const HexEditorWidgets &ui, const HexEditorPlaces &design,
                     const std::vector<Mover> &movers)
{
    const HexEditorPlaces p = hexEditorPlaces(design, kEditorClientSize, ui.clientArea->size());
    ui.hexPane->setGeometry(p.hexView);
    ui.asciiPane->setGeometry(p.asciiView);
    for (const Mover &m : movers)
        m.w->move(m.at + QPoint(m.right ? p.middleRight : 0, m.down ? p.captionsDown : 0));
}

} // namespace

HexEditorWindow::HexEditorWindow(const Services &services, const CaptureBuffer &capture,
                                 TransmitRecord &record, RecordSender &sender, Options &options,
                                 Pacer &pacer, QWidget *parent)
    : QMainWindow(parent)
{
    setWindowTitle(QStringLiteral("Hex Editor"));
    setObjectName(QStringLiteral("frmHexEditor"));
    setAttribute(Qt::WA_DeleteOnClose);

    dialog_ = services.makeFileDialog(this);
    messages_ = services.makeMessageBox(this);
    buildWidgets();
    buildMenus();
    showDesignSize(this, kEditorClientSize);
    placeKeeper_ =
        new WindowPlaceKeeper(this, optionsFilePath(services), QStringLiteral("HexEditor"));
    placeKeeper_->restore();
    auto makePrinter = services.makePrinter;
    HexEditorView &view = *this;
    model_ = std::make_unique<HexEditorModel>(
        view, HexEditorDeps{capture, record, sender, options, pacer, *dialog_, *messages_,
                            [this, makePrinter]() -> std::unique_ptr<Printer> {
                                return makePrinter ? makePrinter(this) : nullptr;
                            }});
    bind();
    model_->open();
}

HexEditorWindow::~HexEditorWindow() = default;

void HexEditorWindow::closeEvent(QCloseEvent *event)
{
    (void)placeKeeper_->save(); // at worst the editor opens where it first did
    // Its own dialogs end first: the command waiting in one returns before the window goes.
    endOpenDialogs(this);
    if (running_ > 0) {
        setAttribute(Qt::WA_DeleteOnClose, false);
        closedWhileRunning_ = true;
    }
    QMainWindow::closeEvent(event);
}

void HexEditorWindow::showEvent(QShowEvent *event)
{
    // Shown again before the command under a close returned: the window stays.
    if (std::exchange(closedWhileRunning_, false))
        setAttribute(Qt::WA_DeleteOnClose);
    QMainWindow::showEvent(event);
}

void HexEditorWindow::run(const std::function<void()> &command)
{
    ++running_;
    command();
    if (--running_ == 0 && std::exchange(closedWhileRunning_, false))
        deleteLater();
}

void HexEditorWindow::buildWidgets()
{
    auto *c = new QWidget(this);
    ui.clientArea = c;
    c->setObjectName(QStringLiteral("client"));
    setScrollingClient(this, c, kEditorClientSize);

    ui.hexPane = makeView(c, "Text1", 240, 0, 8895, 5775);
    ui.asciiPane = makeView(c, "Text2", 9600, 0, 3855, 5775);
    ui.asciiPane->setLatin1Only(true); // its characters are the buffer's bytes
    setTabOrder(ui.hexPane, ui.asciiPane);

    ui.hexToAsciiButton = makeButton(c, QStringLiteral(">"), 9180, 1560, 375, 375);
    ui.autoUpdateLamp = new Lamp(c, true);
    place(ui.autoUpdateLamp, 9240, 2280, 255, 135);
    ui.autoUpdateButton = makeButton(c, QStringLiteral("&A"), 9180, 2520, 375, 375);
    ui.asciiToHexButton = makeButton(c, QStringLiteral("<"), 9180, 3360, 375, 375);

    ui.fileNameLabel = makeLabel(c, QString(), 240, 5880, 6015, 255);
    ui.fileNameLabel->setFrameShape(QFrame::Box);
    ui.hexViewLabel = makeLabel(c, QStringLiteral("HEX View"), 6360, 5880, 855, 375);
    ui.lengthLabel = makeLabel(c, QStringLiteral("  LOF = 0"), 7320, 5880, 1575, 255);
    ui.lengthLabel->setFrameShape(QFrame::Box);
    ui.lengthLabel->setBackgroundRole(QPalette::Base);
    ui.lengthLabel->setForegroundRole(QPalette::Text);
    ui.lengthLabel->setAutoFillBackground(true);
    ui.asciiViewLabel = makeLabel(c, QStringLiteral("ASCII View"), 9720, 5880, 2055, 375);
    // One line each: a long file name is cut at the edge, not wrapped out of sight.
    for (QLabel *label : {ui.fileNameLabel, ui.hexViewLabel, ui.lengthLabel, ui.asciiViewLabel})
        label->setWordWrap(false);

    std::vector<Mover> movers;
    for (QWidget *w : std::initializer_list<QWidget *>{ui.hexToAsciiButton, ui.autoUpdateLamp,
                                                       ui.autoUpdateButton, ui.asciiToHexButton,
                                                       ui.asciiViewLabel})
        movers.push_back({w, w->pos(), true, w == ui.asciiViewLabel});
    for (QWidget *w :
         std::initializer_list<QWidget *>{ui.fileNameLabel, ui.hexViewLabel, ui.lengthLabel})
        movers.push_back({w, w->pos(), false, true});
    const HexEditorPlaces design{ui.hexPane->geometry(), ui.asciiPane->geometry()};
    onResize(c, [this, design, movers] { placeStretching(ui, design, movers); });
}

void HexEditorWindow::buildMenus()
{
    QMenuBar *bar = menuBar();
    QMenu *file = bar->addMenu(QStringLiteral("   &File"));
    ui.loadFileAction = file->addAction(QStringLiteral("&Load Textfile"));
    ui.saveFileAction = file->addAction(QStringLiteral("&Save Textfile"));
    ui.loadRxCaptureAction = file->addAction(QStringLiteral("Load &RX buffer"));
    ui.loadTxRecordAction = file->addAction(QStringLiteral("Load &TX buffer"));
    ui.sendContentsAction = file->addAction(QStringLiteral("Send &Current HexEdit contents"));
    file->addSeparator();
    ui.pageSetupAction = file->addAction(QStringLiteral("Page Set&up"));
    ui.printAllAction = file->addAction(QStringLiteral("&Print All"));
    file->addSeparator();
    ui.exitAction = file->addAction(QStringLiteral("E&xit"));

    QMenu *edit = bar->addMenu(QStringLiteral("&Edit"));
    ui.clearAction = edit->addAction(QStringLiteral("&Clear"));
    edit->addSeparator();
    ui.fontSmallAction = edit->addAction(QStringLiteral("Font &Small"));
    ui.fontMediumAction = edit->addAction(QStringLiteral("Font &Medium"));
    ui.fontLargeAction = edit->addAction(QStringLiteral("Font &Large"));
    for (QAction *a : {ui.fontSmallAction, ui.fontMediumAction, ui.fontLargeAction})
        a->setCheckable(true);
    ui.fontLargeAction->setChecked(true);

    ui.helpAction = bar->addAction(QStringLiteral("&Help"));
    openFirstMenuOnF10(this);
}

void HexEditorWindow::bind()
{
    HexEditorModel &m = *model_;
    const auto bindTo = [this](auto *sender, auto signal, void (HexEditorModel::*command)()) {
        connect(sender, signal, this,
                [this, command] { run([this, command] { (*model_.*command)(); }); });
    };
    bindTo(ui.hexPane, &TextBox::changed, &HexEditorModel::hexEdited);
    bindTo(ui.asciiPane, &TextBox::changed, &HexEditorModel::asciiEdited);
    bindTo(ui.hexToAsciiButton, &QPushButton::clicked, &HexEditorModel::convertHexToAscii);
    bindTo(ui.asciiToHexButton, &QPushButton::clicked, &HexEditorModel::convertAsciiToHex);
    bindTo(ui.autoUpdateButton, &QPushButton::clicked, &HexEditorModel::toggleAutoUpdate);

    const auto on = [this](QAction *a, auto command) {
        connect(a, &QAction::triggered, this, [this, command] { run(command); });
    };
    on(ui.loadFileAction, [&m] { m.loadFile(); });
    on(ui.saveFileAction, [&m] { m.saveFile(); });
    on(ui.loadRxCaptureAction, [&m] { m.loadRxCapture(); });
    on(ui.loadTxRecordAction, [&m] { m.loadTxRecord(); });
    on(ui.sendContentsAction, [&m] { m.sendContents(); });
    on(ui.pageSetupAction, [&m] { m.pageSetup(); });
    on(ui.printAllAction, [&m] { m.printAll(); });
    on(ui.exitAction, [this] { close(); });
    on(ui.clearAction, [&m] { m.clear(); });
    on(ui.fontSmallAction, [&m] { m.chooseFont(FontChoice::Small); });
    on(ui.fontMediumAction, [&m] { m.chooseFont(FontChoice::Medium); });
    on(ui.fontLargeAction, [&m] { m.chooseFont(FontChoice::Large); });
    on(ui.helpAction, [this] { emit helpRequested(); });
}

QString HexEditorWindow::hexText() const
{
    return ui.hexPane->text();
}

QString HexEditorWindow::asciiText() const
{
    return ui.asciiPane->text();
}

void HexEditorWindow::setHexText(const QString &text)
{
    ui.hexPane->setText(text);
}

void HexEditorWindow::setAsciiText(const QString &text)
{
    ui.asciiPane->setText(text);
}

void HexEditorWindow::replaceHexText(qsizetype start, qsizetype end, const QString &text)
{
    ui.hexPane->replaceText(start, end, text, TextBox::Caret::Stays);
}

void HexEditorWindow::replaceAsciiText(qsizetype start, qsizetype end, const QString &text)
{
    ui.asciiPane->replaceText(start, end, text, TextBox::Caret::Stays);
}

void HexEditorWindow::showLength(qint32 bytes)
{
    ui.lengthLabel->setText(QStringLiteral("  LOF = ") + QString::number(bytes));
}

void HexEditorWindow::showFileName(const QString &path)
{
    ui.fileNameLabel->setText(path);
}

void HexEditorWindow::showAutoUpdate(bool on)
{
    ui.autoUpdateLamp->setOn(on);
}

void HexEditorWindow::showFont(FontChoice choice)
{
    static constexpr double points[] = {8, 10, 12};
    ui.fontSmallAction->setChecked(choice == FontChoice::Small);
    ui.fontMediumAction->setChecked(choice == FontChoice::Medium);
    ui.fontLargeAction->setChecked(choice == FontChoice::Large);
    ui.hexPane->setFontSize(points[int(choice) - 1]);
    ui.asciiPane->setFontSize(points[int(choice) - 1]);
}
