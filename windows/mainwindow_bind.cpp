// Binds every control of the main window to its command. Groups are bound in a fixed
// order; where two slots share a signal (a menu item's check mark and its command) the
// check mark is bound first, when the menus are built.
#include "files_views/mainlayout.h"
#include "platform/commport.h"
#include "platform/widgets/textbox.h"
#include "windows/logmenu.h"
#include "windows/mainsession.h"
#include "windows/mainwindow.h"

#include <QAction>
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

void MainWindow::bindTerminal()
{
    MainSession &s = *session_;
    connect(ui.reconnectButton, &QPushButton::clicked, this, [&s] { s.port.reconnect(); });
    connect(ui.disconnectButton, &QPushButton::clicked, this, [&s] { s.port.disconnect(); });
    connect(ui.baudRateBox, &QLineEdit::textChanged, this, [&s] { s.port.baudTextChanged(); });
    connect(ui.comNumberBox, &QLineEdit::textChanged, this, [&s] { s.port.comTextChanged(); });
    for (TextBox *pane : {ui.rxAsciiPane, ui.rxHexPane, ui.txEchoPane})
        connect(pane, &TextBox::changed, this, [this, pane] { followEnd(pane); });
    logMenu_ = std::make_unique<LogMenu>(this, services_, ui.logReceivedAction,
                                         ui.timestampLogAction, s.log, *messages_);
    // The status box always shows its newest line.
    connect(ui.statusPane, &TextBox::changed, this,
            [this] { ui.statusPane->setSelStart(ui.statusPane->length()); });
}

void MainWindow::bindTransmit()
{
    MainSession &s = *session_;
    // Enter in a box does what the button beside it does.
    for (int i = 0; i < 2; ++i) {
        const auto send = [this, &s, i] {
            s.textSender.sendLine(ui.sendLineBoxes[size_t(i)]->text());
        };
        connect(ui.sendLineButtons[size_t(i)], &QPushButton::clicked, this, send);
        connect(ui.sendLineBoxes[size_t(i)], &QLineEdit::returnPressed, this, send);
    }
    connect(ui.asciiKeysButton, &QPushButton::clicked, this, [this] { chooseKeyMode(false); });
    connect(ui.hexKeysButton, &QPushButton::clicked, this, [this] { chooseKeyMode(true); });
    connect(ui.txSuspendButton, &QPushButton::clicked, this, &MainWindow::toggleTxSuspend);
    connect(ui.rxSuspendButton, &QPushButton::clicked, this, &MainWindow::toggleRxSuspend);
    connect(ui.clearTxButton, &QPushButton::clicked, this, &MainWindow::clearTxEcho);
    connect(ui.clearRxButton, &QPushButton::clicked, this, &MainWindow::clearRxPanes);
    connect(ui.clearStatusButton, &QPushButton::clicked, this,
            [this] { ui.statusPane->setText(QString()); });

    connect(ui.bankPageBox, &QLineEdit::textChanged, this, [&s] { s.pager.pageTextChanged(); });
    connect(startupPageTimer_, &QTimer::timeout, this, &MainWindow::refreshPageAfterStartup);
    connect(ui.previousPageButton, &QPushButton::clicked, this, [&s] { s.pager.previousPage(); });
    connect(ui.nextPageButton, &QPushButton::clicked, this, [&s] { s.pager.nextPage(); });
    for (int i = 0; i < 20; ++i) {
        const auto send = [this, &s, i] {
            s.textSender.sendKey(i, ui.keyStringBoxes[size_t(i)]->text());
        };
        connect(ui.sendKeyButtons[size_t(i)], &QPushButton::clicked, this, send);
        connect(ui.keyStringBoxes[size_t(i)], &QLineEdit::returnPressed, this, send);
    }
    connect(ui.copyPageAction, &QAction::triggered, this, [&s] { s.pager.copyPage(); });
    connect(ui.pastePageAction, &QAction::triggered, this, [&s] { s.pager.pastePage(); });

    connect(ui.sendBankButton, &QPushButton::clicked, this, [&s] { s.sequencer.sendBank(); });
    connect(ui.sendAllButton, &QPushButton::clicked, this, [&s] { s.sequencer.sendAll(); });
    connect(ui.stopButton, &QPushButton::clicked, this, [&s] { s.sequencer.requestStop(); });

    connect(ui.loadProjectAction, &QAction::triggered, this, [&s] { s.projects.load(); });
    connect(ui.saveProjectAction, &QAction::triggered, this, [&s] { s.projects.save(); });
    connect(ui.clearKeysAction, &QAction::triggered, this, [&s] { s.pager.clearKeys(); });
}

void MainWindow::bindFilesViews()
{
    MainSession &s = *session_;
    const auto on = [this](QAction *a, auto command) {
        connect(a, &QAction::triggered, this, command);
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
    connect(ui.rebuildPanesButton, &QPushButton::clicked, this, &MainWindow::rebuildPanes);
}
