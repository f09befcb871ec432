#include "windows/hexeditorwidgets.h"

#include "platform/widgets/lamp.h"
#include "platform/widgets/textbox.h"
#include "platform/widgets/twips.h"
#include "windows/hexeditordesign.h"
#include "windows/windowframe.h"

#include <QAction>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>

namespace {

consteval TwipsRect at(std::string_view name)
{
    return placeOf(kHexEditorDesign, name);
}

TextBox *makeView(QWidget *parent, const char *name, TwipsRect r)
{
    auto *box = new TextBox(parent);
    box->setObjectName(QString::fromLatin1(name));
    constexpr int kLargePoints = 12; // "Font Large" until the stored choice is applied
    QFont font(QStringLiteral("Courier New"), kLargePoints);
    font.setStyleHint(QFont::TypeWriter);
    box->setFont(font);
    box->setTabChangesFocus(true);
    place(box, r);
    return box;
}

// The widgets that move with the views: the first five right with the ASCII view (the
// last of them also down), the rest only down.
constexpr size_t kMoveRight = 5;
std::array<QWidget *, 8> movers(const HexEditorWidgets &ui)
{
    return {ui.hexToAsciiButton, ui.autoUpdateLamp, ui.autoUpdateButton, ui.asciiToHexButton,
            ui.asciiViewLabel,   ui.fileNameLabel,  ui.hexViewLabel,     ui.lengthLabel};
}

} // namespace

void buildHexEditorWidgets(HexEditorWidgets &ui, QMainWindow *window)
{
    auto *c = new QWidget(window);
    ui.clientArea = c;
    c->setObjectName(QStringLiteral("client"));
    setScrollingClient(window, c, kHexEditorClientSize);

    ui.hexPane = makeView(c, "Text1", at("hexPane"));
    ui.asciiPane = makeView(c, "Text2", at("asciiPane"));
    ui.asciiPane->setLatin1Only(true); // its characters are the buffer's bytes
    QWidget::setTabOrder(ui.hexPane, ui.asciiPane);

    ui.hexToAsciiButton = makeButton(c, QStringLiteral(">"), at("hexToAsciiButton"));
    ui.autoUpdateLamp = new Lamp(c, true);
    place(ui.autoUpdateLamp, at("autoUpdateLamp"));
    ui.autoUpdateButton = makeButton(c, QStringLiteral("&A"), at("autoUpdateButton"));
    ui.asciiToHexButton = makeButton(c, QStringLiteral("<"), at("asciiToHexButton"));

    ui.fileNameLabel = makeLabel(c, QString(), at("fileNameLabel"));
    ui.fileNameLabel->setFrameShape(QFrame::Box);
    ui.hexViewLabel = makeLabel(c, QStringLiteral("HEX View"), at("hexViewLabel"));
    ui.lengthLabel = makeLabel(c, QStringLiteral("  LOF = 0"), at("lengthLabel"));
    ui.lengthLabel->setFrameShape(QFrame::Box);
    ui.lengthLabel->setBackgroundRole(QPalette::Base);
    ui.lengthLabel->setForegroundRole(QPalette::Text);
    ui.lengthLabel->setAutoFillBackground(true);
    ui.asciiViewLabel = makeLabel(c, QStringLiteral("ASCII View"), at("asciiViewLabel"));
    // One line each: a long file name is cut at the edge, not wrapped out of sight.
    for (QLabel *label : {ui.fileNameLabel, ui.hexViewLabel, ui.lengthLabel, ui.asciiViewLabel})
        label->setWordWrap(false);

    ui.designPlaces = {ui.hexPane->geometry(), ui.asciiPane->geometry()};
    const auto moving = movers(ui);
    for (size_t i = 0; i < moving.size(); ++i)
        ui.designMovers[i] = moving[i]->pos();
    onResize(c, [&ui] { placeStretching(ui); });
}

void placeStretching(HexEditorWidgets &ui)
{
    const HexEditorPlaces p =
        hexEditorPlaces(ui.designPlaces, kHexEditorClientSize, ui.clientArea->size());
    ui.hexPane->setGeometry(p.hexView);
    ui.asciiPane->setGeometry(p.asciiView);
    const auto moving = movers(ui);
    for (size_t i = 0; i < moving.size(); ++i) {
        const bool right = i < kMoveRight;
        const bool down = !right || moving[i] == ui.asciiViewLabel;
        moving[i]->move(ui.designMovers[i] +
                        QPoint(right ? p.middleRight : 0, down ? p.captionsDown : 0));
    }
}

void buildHexEditorMenus(HexEditorWidgets &ui, QMainWindow *window)
{
    QMenuBar *bar = window->menuBar();
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
    openFirstMenuOnF10(window);
}
