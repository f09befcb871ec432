#pragma once

#include "platform/savefile.h"

#include <QList>
#include <QStringList>

#include <functional>
#include <memory>

class FileDialog;
class MessageBox;
class QAction;
class QMainWindow;
class QMenu;
class QWidget;
struct MainSession;
struct MainWidgets;
struct Services;

// The Tools menu, after the Port menu: "Run Script..." with the recent scripts below it,
// "Stop Script" and "Plot". The sequencer's STOP and Disconnect stop a running script too,
// and a rate a script sets shows in the rate box, for the next open.
class ToolsMenu
{
public:
    ToolsMenu(QMainWindow *window, MainWidgets &ui, MainSession &session, const Services &services,
              MessageBox &messages, std::function<void()> showPlot);
    ~ToolsMenu();

    QMenu *menu = nullptr;
    QAction *runScriptAction = nullptr;
    QAction *stopScriptAction = nullptr;
    QAction *plotAction = nullptr;
    const QList<QAction *> &recentItems() const { return recentItems_; }

    // Runs the script at path, which goes first in the recent list; nothing while one runs.
    void runScript(const QString &path);

    // [RecentScripts] of options.ini, read at start-up and written at close.
    void restoreRecent(const QString &settingsPath);
    WriteResult saveRecent(const QString &settingsPath) const;

private:
    void chooseScript();
    void rebuildRecent();
    void refresh();

    MainSession &session_;
    MessageBox &messages_;
    QMainWindow *window_;
    std::function<std::unique_ptr<FileDialog>(QWidget *)> makeDialog_;
    std::unique_ptr<FileDialog> dialog_;
    QStringList recent_;
    QList<QAction *> recentItems_;
    QAction *recentEnd_ = nullptr;
};
