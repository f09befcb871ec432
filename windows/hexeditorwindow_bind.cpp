// Binds every control of the hex editor to its command, each run through the window's
// runner.
#include "platform/widgets/textbox.h"
#include "windows/hexeditorwindow.h"
#include "windows/windowframe.h"

#include <QAction>
#include <QPushButton>

void HexEditorWindow::bind()
{
    HexEditorModel &m = *model_;
    const auto bind = [this](auto *sender, auto signal, auto command) {
        bindCommand(commands_, this, sender, signal, std::move(command));
    };
    bind(ui.hexPane, &TextBox::changed, [&m] { m.hexEdited(); });
    bind(ui.asciiPane, &TextBox::changed, [&m] { m.asciiEdited(); });
    bind(ui.hexToAsciiButton, &QPushButton::clicked, [&m] { m.convertHexToAscii(); });
    bind(ui.asciiToHexButton, &QPushButton::clicked, [&m] { m.convertAsciiToHex(); });
    bind(ui.autoUpdateButton, &QPushButton::clicked, [&m] { m.toggleAutoUpdate(); });

    const std::pair<QAction *, std::function<void()>> items[] = {
        {ui.loadFileAction, [&m] { m.loadFile(); }},
        {ui.saveFileAction, [&m] { m.saveFile(); }},
        {ui.loadRxCaptureAction, [&m] { m.loadRxCapture(); }},
        {ui.loadTxRecordAction, [&m] { m.loadTxRecord(); }},
        {ui.sendContentsAction, [&m] { m.sendContents(); }},
        {ui.pageSetupAction, [&m] { m.pageSetup(); }},
        {ui.printAllAction, [&m] { m.printAll(); }},
        {ui.exitAction, [this] { close(); }},
        {ui.clearAction, [&m] { m.clear(); }},
        {ui.fontSmallAction, [&m] { m.chooseFont(FontChoice::Small); }},
        {ui.fontMediumAction, [&m] { m.chooseFont(FontChoice::Medium); }},
        {ui.fontLargeAction, [&m] { m.chooseFont(FontChoice::Large); }},
        {ui.helpAction, [this] { emit helpRequested(); }},
    };
    for (const auto &[item, command] : items)
        bind(item, &QAction::triggered, command);
}
