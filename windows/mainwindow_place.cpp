// The main window's arrangement: the View layout, the divider between the receive pane and the
// send keys, and the window's place, as the user left them.
#include "files_views/windowstate.h"
#include "platform/widgets/divider.h"
#include "windows/mainwindow.h"
#include "windows/windowplace.h"

#include <QAction>

QAction *MainWindow::viewItem(ViewLayout view) const
{
    switch (view) {
    case ViewLayout::PaneList:
        return ui.asciiAndKeysViewAction;
    case ViewLayout::HexList:
        return ui.hexAndKeysViewAction;
    case ViewLayout::BigAscii:
        return ui.bigAsciiViewAction;
    case ViewLayout::BigHex:
        return ui.bigHexViewAction;
    case ViewLayout::AsciiOverHex:
        return ui.asciiOverHexViewAction;
    }
    return ui.asciiAndKeysViewAction;
}

void MainWindow::restoreArrangement()
{
    const QString path = optionsFilePath(services_);
    const MainArrangement a = loadMainArrangement(path);
    keysExtra_ = a.keysExtra;
    // The first layout is the start geometry already.
    if (a.view != ViewLayout::PaneList)
        applyViewLayout(a.view);
    placeKeeper_ = new WindowPlaceKeeper(this, path, QStringLiteral("MainWindow"));
    placeKeeper_->restore();
}

WriteResult MainWindow::saveArrangement()
{
    const WriteResult arranged =
        saveMainArrangement(optionsFilePath(services_), {view_, keysExtra_});
    const WriteResult placed = placeKeeper_->save();
    return arranged ? placed : arranged;
}

void MainWindow::placeClient()
{
    const MainPlaces p = placeStretching(ui, view_, keysExtra_);
    keysShown_ = p.keysExtra();
    if (ui.divider || p.divider.isEmpty())
        return;
    ui.divider = new Divider(ui.clientArea);
    ui.divider->setGeometry(p.divider);
    ui.divider->show();
    connect(ui.divider, &Divider::pressed, this, [this] { keysAtPress_ = keysShown_; });
    // Dragged right, the pane takes room back from the send keys; the keys keep what fits.
    connect(ui.divider, &Divider::dragged, this, [this](int movedRight) {
        keysExtra_ = keysAtPress_ - movedRight;
        placeClient();
        keysExtra_ = keysShown_;
    });
}
