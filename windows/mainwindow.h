#pragma once

#include "platform/linesettings.h"
#include "platform/portaddress.h"
#include "platform/savefile.h"
#include "platform/widgets/services.h"
#include "terminal/options.h"
#include "transmit/commandrunner.h"
#include "windows/helpwindow.h"
#include "windows/hexeditorwindow.h"
#include "windows/mainviews.h"
#include "windows/mainwidgets.h"
#include "windows/plotwindow.h"

#include <QMainWindow>
#include <QPointer>

#include <functional>
#include <memory>
#include <optional>

class FileDialog;
class LogMenu;
class MessageBox;
class PortMenu;
class QTimer;
class TextBox;
class ToolsMenu;
class WindowPlaceKeeper;
struct MainSession;

// Start-up values given on the command line, in place of those of the settings file.
struct StartupOverrides
{
    std::optional<int> comNumber;         // a COM number (platform/portnames.h)
    std::optional<qint32> baudRate;       // passed to the port as given, above 116000 too
    std::optional<QString> logPath = {};  // the session log, opened at start-up
    std::optional<PortAddress> port = {}; // a device or network address in place of the COM
    // The line settings of the command line in place of the saved ones.
    std::function<LineSettings(const LineSettings &)> lineSettings = {};
};

// The main window: builds its widgets, hands them to the program's parts as views and
// binds each control to its command. Start-up restores the settings file and opens the
// port; closing stores everything back.
class MainWindow : public QMainWindow
{
    Q_OBJECT
public:
    explicit MainWindow(Services services = defaultServices(), QWidget *parent = nullptr);
    MainWindow(Services services, StartupOverrides overrides, QWidget *parent = nullptr);
    ~MainWindow() override;

    MainWidgets ui;
    MainSession &session() { return *session_; }
    QTimer *startupPageTimer() const { return startupPageTimer_; }
    HexEditorWindow *hexEditorWindow() const { return hexEditorWindow_; }
    HelpWindow *helpWindow() const { return helpWindow_; }
    PlotWindow *plotWindow() const { return plotWindow_; }
    ToolsMenu &toolsMenu() { return *toolsMenu_; }

    void showHexEditor();
    void showHelp();
    // The one plot window, beside this one.
    void showPlot();
    // Closes the window for SIGTERM or SIGINT: nobody may be there to answer a question, so
    // a failed settings save is reported on standard error instead.
    void closeOnSignal();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    // Ends the dialogs and commands, saves and closes the other windows; false when the
    // settings could not be saved and the user keeps the window.
    bool closeWindow();
    void restoreSession();
    // False when the settings could not be saved and the user keeps the window.
    bool saveSession();
    bool saveSettings();
    void bindTerminal();
    void bindTransmit();
    void bindFilesViews();
    // The View layout, the divider and the window's place as they were left (options.ini).
    void restoreArrangement();
    WriteResult saveArrangement();
    void placeClient();
    QAction *viewItem(ViewLayout view) const;

    // Window-only commands.
    void chooseKeyMode(bool hex);
    void toggleTxSuspend();
    void toggleRxSuspend();
    void clearTxEcho();
    void clearRxPanes();
    void rebuildPanes();
    void applyViewLayout(ViewLayout layout);
    void chooseMainFont(FontChoice choice);
    void applyMainFont(FontChoice choice);
    void toggleStayOnTop();
    void followEnd(TextBox *pane);
    void refreshPageAfterStartup();

    // Every command of the window runs through it. A close is a command of its own lane: one
    // that arrives while a close runs (in the question about a failed save) is refused.
    CommandRunner commands_;
    CommandLane closes_;
    Services services_;
    StartupOverrides overrides_;
    std::unique_ptr<FileDialog> fileDialog_;
    std::unique_ptr<FileDialog> captureDialog_;
    std::shared_ptr<MessageBox> messages_;
    MainViews views_{ui};
    std::unique_ptr<MainSession> session_;
    std::unique_ptr<LogMenu> logMenu_; // after the session: it lets go of the log first
    std::unique_ptr<PortMenu> portMenu_;
    std::unique_ptr<ToolsMenu> toolsMenu_;
    QTimer *startupPageTimer_ = nullptr;
    ViewLayout view_ = ViewLayout::PaneList;
    // The extra width the user gave the send keys with the divider; the part that fits is
    // shown, and what was shown when the divider was pressed is where its drag starts.
    int keysExtra_ = 0;
    int keysShown_ = 0;
    int keysAtPress_ = 0;
    WindowPlaceKeeper *placeKeeper_ = nullptr; // a child of the window
    bool staysOnTop_ = false;
    bool closing_ = false;
    bool closingOnSignal_ = false;
    // The settings file exists but could not be read at start: it is never overwritten, or
    // the send keys it holds would be lost.
    bool settingsFileKept_ = false;
    QPointer<HexEditorWindow> hexEditorWindow_;
    QPointer<HelpWindow> helpWindow_;
    QPointer<PlotWindow> plotWindow_;
};
