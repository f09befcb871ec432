// Binds every control of the main window to its command, each run through the window's
// runner. Groups are bound in a fixed order; where two slots share a signal (a menu item's
// check mark and its command) the check mark is bound first, when the menus are built.
#include "files_views/mainlayout.h"
#include "platform/commport.h"
#include "platform/widgets/textbox.h"
#include "windows/logmenu.h"
#include "windows/mainsession.h"
#include "windows/mainwindow.h"
#include "windows/windowframe.h"

#include <QAction>
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

void MainWindow::bindTerminal()
{
    const auto bind = [this](auto *sender, auto signal, auto command) {
        bindCommand(commands_, this, sender, signal, std::move(command));
    };
    MainSession &s = *session_;
    bind(ui.reconnectButton, &QPushButton::clicked, [&s] { s.port.reconnect(); });
    bind(ui.disconnectButton, &QPushButton::clicked, [&s] { s.port.disconnect(); });
    bind(ui.baudRateBox, &QLineEdit::textChanged, [&s] { s.port.baudTextChanged(); });
    bind(ui.comNumberBox, &QLineEdit::textChanged, [&s] { s.port.comTextChanged(); });
    for (TextBox *pane : {ui.rxAsciiPane, ui.rxHexPane, ui.txEchoPane})
        bind(pane, &TextBox::changed, [this, pane] { followEnd(pane); });
    logMenu_ = std::make_unique<LogMenu>(this, services_, ui.logReceivedAction,
                                         ui.timestampLogAction, s.log, *messages_);
    // The status box always shows its newest line.
    bind(ui.statusPane, &TextBox::changed,
         [this] { ui.statusPane->setSelStart(ui.statusPane->length()); });
}

void MainWindow::bindTransmit()
{
    const auto bind = [this](auto *sender, auto signal, auto command) {
        bindCommand(commands_, this, sender, signal, std::move(command));
    };
    MainSession &s = *session_;
    // Enter in a box does what the button beside it does.
    for (int i = 0; i < 2; ++i) {
        const auto send = [this, &s, i] {
            s.textSender.sendLine(ui.sendLineBoxes[size_t(i)]->text());
        };
        bind(ui.sendLineButtons[size_t(i)], &QPushButton::clicked, send);
        bind(ui.sendLineBoxes[size_t(i)], &QLineEdit::returnPressed, send);
    }
    bind(ui.asciiKeysButton, &QPushButton::clicked, [this] { chooseKeyMode(false); });
    bind(ui.hexKeysButton, &QPushButton::clicked, [this] { chooseKeyMode(true); });
    bind(ui.txSuspendButton, &QPushButton::clicked, [this] { toggleTxSuspend(); });
    bind(ui.rxSuspendButton, &QPushButton::clicked, [this] { toggleRxSuspend(); });
    bind(ui.clearTxButton, &QPushButton::clicked, [this] { clearTxEcho(); });
    bind(ui.clearRxButton, &QPushButton::clicked, [this] { clearRxPanes(); });
    bind(ui.clearStatusButton, &QPushButton::clicked,
         [this] { ui.statusPane->setText(QString()); });

    bind(ui.bankPageBox, &QLineEdit::textChanged, [&s] { s.pager.pageTextChanged(); });
    bind(startupPageTimer_, &QTimer::timeout, [this] { refreshPageAfterStartup(); });
    bind(ui.previousPageButton, &QPushButton::clicked, [&s] { s.pager.previousPage(); });
    bind(ui.nextPageButton, &QPushButton::clicked, [&s] { s.pager.nextPage(); });
    for (int i = 0; i < int(kKeyRows); ++i) {
        const auto send = [this, &s, i] {
            s.textSender.sendKey(i, ui.keyStringBoxes[size_t(i)]->text());
        };
        bind(ui.sendKeyButtons[size_t(i)], &QPushButton::clicked, send);
        bind(ui.keyStringBoxes[size_t(i)], &QLineEdit::returnPressed, send);
    }
    bind(ui.copyPageAction, &QAction::triggered, [&s] { s.pager.copyPage(); });
    bind(ui.pastePageAction, &QAction::triggered, [&s] { s.pager.pastePage(); });

    bind(ui.sendBankButton, &QPushButton::clicked, [&s] { s.sequencer.sendBank(); });
    bind(ui.sendAllButton, &QPushButton::clicked, [&s] { s.sequencer.sendAll(); });
    bind(ui.stopButton, &QPushButton::clicked, [&s] { s.sequencer.requestStop(); });

    bind(ui.loadProjectAction, &QAction::triggered, [&s] { s.projects.load(); });
    bind(ui.saveProjectAction, &QAction::triggered, [&s] { s.projects.save(); });
    bind(ui.clearKeysAction, &QAction::triggered, [&s] { s.pager.clearKeys(); });
}

void MainWindow::bindFilesViews()
{
    MainSession &s = *session_;
    const auto on = [this](QAction *a, auto command) {
        bindCommand(commands_, this, a, &QAction::triggered, std::move(command));
    };
    on(ui.saveCaptureAsciiAction, [&s] { s.captureExport.saveRaw(); });
    on(ui.saveCaptureHexAction, [&s] { s.captureExport.saveHumanHex(); });
    on(ui.sendFileAction, [&s] { s.fileSender.sendChosenFile(); });
    on(ui.resendLastFileAction, [&s] { s.fileSender.resendLastFile(); });
    for (const ViewLayout layout : {ViewLayout::PaneList, ViewLayout::HexList, ViewLayout::BigAscii,
                                    ViewLayout::BigHex, ViewLayout::AsciiOverHex})
        on(viewItem(layout), [this, layout] { applyViewLayout(layout); });
    const std::pair<QAction *, FontChoice> fonts[] = {{ui.fontSmallAction, FontChoice::Small},
                                                      {ui.fontMediumAction, FontChoice::Medium},
                                                      {ui.fontLargeAction, FontChoice::Large}};
    for (const auto &[action, choice] : fonts)
        on(action, [this, c = choice] { chooseMainFont(c); });
    on(ui.silentCaptureAction, [this, &s] {
        ui.silentCaptureAction->setChecked(
            toggleFollowingMark(ui.silentCaptureAction->isChecked(), s.options.silentCapture));
    });
    on(ui.autoScrollAction, [this, &s] {
        ui.autoScrollAction->setChecked(
            toggleFollowingMark(ui.autoScrollAction->isChecked(), s.options.autoScroll));
    });
    on(ui.clearTxOnSendAction, [this, &s] {
        ui.clearTxOnSendAction->setChecked(toggleFollowingValue(s.options.clearTxOnSend));
    });
    on(ui.silentTxAction,
       [this, &s] { ui.silentTxAction->setChecked(toggleFollowingValue(s.options.silentTx)); });
    on(ui.alwaysOnTopAction, [this] { toggleStayOnTop(); });
    on(ui.hexEditorAction, [this] { showHexEditor(); });
    on(ui.helpAction, [this] { showHelp(); });
    bindCommand(commands_, this, ui.rebuildPanesButton, &QPushButton::clicked,
                [this] { rebuildPanes(); });
}
