#include "windows/mainwindow.h"

#include "files_views/captureexport.h"
#include "files_views/mainlayout.h"
#include "platform/commport.h"
#include "platform/filedialog.h"
#include "platform/messagebox.h"
#include "platform/widgets/appicon.h"
#include "platform/widgets/dialogs.h"
#include "platform/widgets/lamp.h"
#include "platform/widgets/stayontop.h"
#include "platform/widgets/textbox.h"
#include "platform/widgets/twips.h"
#include "terminal/numbers.h"
#include "terminal/sessionsettings.h"
#include "terminal/settingsfile.h"
#include "terminal/useroptions.h"
#include "windows/helpwindow.h"
#include "windows/hexeditorwindow.h"
#include "windows/logmenu.h"
#include "windows/mainsession.h"
#include "windows/plotwindow.h"
#include "windows/portmenu.h"
#include "windows/toolsmenu.h"
#include "windows/windowframe.h"

#include <QAction>
#include <QCloseEvent>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QTimer>

#include <cstdio>

namespace {

QString settingsFilePath(const Services &services)
{
    return services.settingsPath.isEmpty() ? defaultSettingsPath() : services.settingsPath;
}

// A suspend toggle: the flag and its lamp, red while set.
void toggleLamp(bool &flag, Lamp *lamp)
{
    flag = !flag;
    lamp->setOn(flag);
}

} // namespace

MainWindow::MainWindow(Services services, QWidget *parent)
    : MainWindow(std::move(services), StartupOverrides{}, parent)
{
}

MainWindow::MainWindow(Services services, StartupOverrides overrides, QWidget *parent)
    : QMainWindow(parent), services_(std::move(services)), overrides_(std::move(overrides))
{
    setWindowTitle(QStringLiteral("Orvo-232 Communicator"));
    setWindowIcon(orvoIcon());
    setObjectName(QStringLiteral("frmSerial"));

    std::unique_ptr<CommPort> port;
    if (services_.makeCommPort)
        port = services_.makeCommPort();
    fileDialog_ = services_.makeFileDialog(this);
    captureDialog_ = services_.makeFileDialog(this);
    messages_ = services_.makeMessageBox(this);

    buildMainWidgets(ui, this);
    buildMainMenus(ui, this);
    showDesignSize(this, kMainClientSize);
    onResize(ui.clientArea, [this] { placeClient(); });
    session_ = std::make_unique<MainSession>(views_, std::move(port), *fileDialog_, *captureDialog_,
                                             *messages_);
    // One refresh of the page 200 ms after start-up brings the rows in line with the page
    // box, which start-up leaves showing the saved page number over page 1.
    startupPageTimer_ = new QTimer(this);
    constexpr int kStartupPageMs = 200;
    startupPageTimer_->setInterval(kStartupPageMs);
    startupPageTimer_->start();

    bindTerminal();
    bindTransmit();
    bindFilesViews();
    portMenu_ = std::make_unique<PortMenu>(
        ui, *session_,
        services_.listPorts ? services_.listPorts : [] { return listSerialPorts(); });
    toolsMenu_ = std::make_unique<ToolsMenu>(this, ui, *session_, services_, *messages_,
                                             [this] { showPlot(); });
    // Both are replaced at close: a log into either would be lost and spoil it.
    session_->log.protect(settingsFilePath(services_), QStringLiteral("settings file"));
    session_->log.protect(userOptionsPath(settingsFilePath(services_)),
                          QStringLiteral("options file"));
    restoreSession();
    restoreArrangement();
}

MainWindow::~MainWindow()
{
    // The editor works on this window's parts: it goes first.
    delete hexEditorWindow_.data();
    delete helpWindow_.data();
    delete plotWindow_.data(); // it reads the session's plot feed and capture
}

// ---- Start-up and shut-down ----------------------------------------------------------

void MainWindow::restoreSession()
{
    // A missing file reads as a file without records: every field keeps its start value.
    const QString path = settingsFilePath(services_);
    QString unreadable;
    const SettingsRecords file = readSettingsFile(path, &unreadable).value_or(SettingsRecords{});
    MainSession &s = *session_;
    s.bank.importSettings(file);
    const StartupValues v = startupValues(file);

    ui.sendLineBoxes[0]->setText(v.line0);
    ui.sendLineBoxes[1]->setText(v.line1);
    if (ui.bankPageBox->text() == v.pageText)
        s.pager.pageTextChanged(); // setting the same text raises no change event
    else
        ui.bankPageBox->setText(v.pageText);
    const qint32 baudRate = overrides_.baudRate.value_or(v.baudRate);
    s.port.setBaudRate(baudRate);
    ui.baudRateBox->setText(numberText(baudRate));
    const auto comNumber = overrides_.comNumber
                               ? static_cast<decltype(v.comNumber)>(*overrides_.comNumber)
                               : v.comNumber;
    s.port.setComNumber(comNumber);
    ui.comNumberBox->setText(numberText(comNumber));

    s.options = v.options;
    if (const auto font = fontChoice(s.options.mainFont))
        applyMainFont(*font);
    if (s.options.autoScroll == 1)
        ui.autoScrollAction->setChecked(true);
    if (s.options.silentCapture == 1)
        ui.silentCaptureAction->setChecked(true);
    if (s.options.clearTxOnSend == 1)
        ui.clearTxOnSendAction->setChecked(true);
    if (s.options.silentTx == 1)
        ui.silentTxAction->setChecked(true);

    portMenu_->restoreOptions(path, overrides_.lineSettings);
    toolsMenu_->restoreRecent(path);
    s.pager.setCurrentPage(1);
    s.pager.showCurrentPage();
    s.port.openAtStartup(ui.baudRateBox->text(), s.port.comNumber(), overrides_.port);
    if (overrides_.logPath)
        s.log.open(*overrides_.logPath);
    if (!unreadable.isEmpty()) {
        settingsFileKept_ = true;
        views_.add(QStringLiteral("Cannot read settings file %1: %2. It will not be overwritten.")
                       .arg(QDir::toNativeSeparators(path), unreadable));
    }
}

bool MainWindow::saveSession()
{
    MainSession &s = *session_;
    s.pager.takeScreenEdits();
    // Saved while the port is still open: a user who keeps the window after a failed save
    // keeps the connection too.
    if (!saveSettings())
        return false;
    s.port.closeForExit();
    s.log.closeForExit();
    return true;
}

// The settings file, then options.ini; a failure of either is reported once.
bool MainWindow::saveSettings()
{
    MainSession &s = *session_;
    const QString path = settingsFilePath(services_);
    QStringList failed;
    if (!settingsFileKept_) {
        SettingsRecords file;
        s.bank.exportSettings(file);
        writeClosingValues({ui.sendLineBoxes[0]->text(), ui.sendLineBoxes[1]->text(),
                            ui.bankPageBox->text(), s.port.typedBaudRate(), s.port.comNumber(),
                            s.options},
                           file);
        if (const WriteResult saved = writeSettingsFile(path, file); !saved)
            failed << saveFailedMessage(path, saved.error);
    }
    // options.ini takes the Port menu's options, then the windows' arrangement and the
    // recent scripts.
    WriteResult options = portMenu_->saveOptions(path);
    for (const WriteResult &more : {saveArrangement(), toolsMenu_->saveRecent(path)})
        if (options && !more)
            options = more;
    if (!options)
        failed << saveFailedMessage(userOptionsPath(path), options.error);
    if (failed.isEmpty())
        return true;
    // The old files are still whole; only this run's changes are at stake.
    const QString message = failed.join(QStringLiteral("\r\n"));
    if (closingOnSignal_) {
        for (const QString &each : std::as_const(failed)) {
            const QString line = QString(each).replace(QStringLiteral("\r\n"), QStringLiteral(" "));
            std::fprintf(stderr, "orvo232: %s\n", qPrintable(line));
        }
        return true;
    }
    return messages_->ask(message + QStringLiteral("\r\n\r\nClose without saving?"));
}

void MainWindow::closeOnSignal()
{
    closingOnSignal_ = true;
    close();
    // Refused while the question about a failed save is open: the user answers it.
    closingOnSignal_ = false;
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    bool accepted = false;
    (void)commands_.run(closes_, WhenBusy::Refuse,
                        [this, &accepted] { accepted = closing_ || closeWindow(); });
    event->setAccepted(accepted);
}

bool MainWindow::closeWindow()
{
    closing_ = true;
    // A dialog still open would keep the program running behind a closed window, and a
    // command waiting in it would carry on in a window that is gone.
    endOpenDialogs();
    // Sends and sequencer runs waiting in the event loop end at once.
    session_->pacer.setClosing(true);
    if (!saveSession()) {
        // The user keeps the window to make room and close again.
        closing_ = false;
        session_->pacer.setClosing(false);
        return false;
    }
    if (hexEditorWindow_)
        hexEditorWindow_->close();
    if (helpWindow_)
        helpWindow_->close();
    if (plotWindow_)
        plotWindow_->close();
    return true;
}

// ---- Window commands -----------------------------------------------------------------

void MainWindow::chooseKeyMode(bool hex)
{
    session_->state.hexKeys = hex;
    ui.keyStringLabel->setText(hex ? QStringLiteral("SendKey String - HEX")
                                   : QStringLiteral("SendKey String - ASC"));
}

void MainWindow::toggleTxSuspend()
{
    toggleLamp(session_->state.suspended, ui.txSuspendLamp);
}

void MainWindow::toggleRxSuspend()
{
    bool suspended = session_->port.rxSuspended();
    toggleLamp(suspended, ui.rxSuspendLamp);
    session_->port.setRxSuspended(suspended);
}

void MainWindow::clearTxEcho()
{
    ui.txEchoPane->setText(QString());
    ui.txCountBox->setText(QStringLiteral("0"));
}

void MainWindow::clearRxPanes()
{
    ui.rxAsciiPane->setText(QString());
    ui.rxHexPane->setText(QString());
    ui.rxCountBox->setText(QStringLiteral("0"));
    session_->capture.clearHead();
}

// Both panes redrawn from the capture, each written once.
void MainWindow::rebuildPanes()
{
    const PaneTexts t = rebuildPaneTexts(session_->capture.data(), session_->capture.count());
    views_.setTexts(t.ascii, t.hex);
}

void MainWindow::applyViewLayout(ViewLayout view)
{
    const PaneLayout l = paneLayout(view);
    const int left = px(kPaneLeft);
    ui.designPlaces.ascii = QRect(left, px(l.asciiTop), px(l.asciiWidth), px(l.asciiHeight));
    ui.designPlaces.hex = QRect(left, px(l.hexTop), px(l.hexWidth), px(l.hexHeight));
    if (l.front == PaneFront::Ascii)
        ui.rxAsciiPane->raise();
    else if (l.front == PaneFront::Hex)
        ui.rxHexPane->raise();
    view_ = view;
    placeClient();
    for (QAction *item : {ui.asciiAndKeysViewAction, ui.hexAndKeysViewAction, ui.bigAsciiViewAction,
                          ui.bigHexViewAction, ui.asciiOverHexViewAction})
        item->setChecked(item == viewItem(view));
}

// The receive panes and the transmit log at 10, 14 or 22 points.
void MainWindow::applyMainFont(FontChoice choice)
{
    static constexpr int points[] = {10, 14, 22};
    for (TextBox *box : {ui.rxAsciiPane, ui.rxHexPane, ui.txEchoPane})
        box->setFontSize(points[int(choice) - 1]);
    ui.fontSmallAction->setChecked(choice == FontChoice::Small);
    ui.fontMediumAction->setChecked(choice == FontChoice::Medium);
    ui.fontLargeAction->setChecked(choice == FontChoice::Large);
}

void MainWindow::chooseMainFont(FontChoice choice)
{
    applyMainFont(choice);
    session_->options.mainFont = int(choice);
}

// The window keeps its place; only its stacking changes. The item never shows a mark.
void MainWindow::toggleStayOnTop()
{
    staysOnTop_ = !staysOnTop_;
    setStaysOnTop(this, staysOnTop_);
}

void MainWindow::followEnd(TextBox *pane)
{
    if (session_->options.scrollsToEnd())
        pane->setSelStart(pane->length());
}

void MainWindow::refreshPageAfterStartup()
{
    startupPageTimer_->stop();
    session_->pager.pageTextChanged();
}

void MainWindow::showHexEditor()
{
    if (!hexEditorWindow_) {
        MainSession &s = *session_;
        hexEditorWindow_ =
            new HexEditorWindow(services_, s.capture, s.record, s.fileSender, s.options, s.pacer);
        connect(hexEditorWindow_, &HexEditorWindow::helpRequested, this, &MainWindow::showHelp);
    }
    hexEditorWindow_->show();
    hexEditorWindow_->raise();
    hexEditorWindow_->activateWindow();
}

void MainWindow::showHelp()
{
    if (!helpWindow_)
        helpWindow_ = new HelpWindow(programFolder(services_));
    helpWindow_->show();
    helpWindow_->raise();
    helpWindow_->activateWindow();
}

void MainWindow::showPlot()
{
    if (!plotWindow_)
        plotWindow_ = new PlotWindow(services_, session_->plotFeed, session_->capture);
    plotWindow_->present(this);
}
