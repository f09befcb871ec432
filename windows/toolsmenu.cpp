#include "windows/toolsmenu.h"

#include "platform/filedialog.h"
#include "platform/widgets/services.h"
#include "terminal/numbers.h"
#include "terminal/useroptions.h"
#include "windows/mainsession.h"
#include "windows/mainwidgets.h"

#include <QAction>
#include <QDir>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>

ToolsMenu::ToolsMenu(QMainWindow *window, MainWidgets &ui, MainSession &session,
                     const Services &services, MessageBox &messages, std::function<void()> showPlot)
    : session_(session), messages_(messages), window_(window), makeDialog_(services.makeFileDialog)
{
    // No mnemonic: each letter of the name is another menu's or a button's Alt+letter.
    menu = new QMenu(QStringLiteral("Tools"), window->menuBar());
    window->menuBar()->insertMenu(ui.hexEditorAction, menu);
    runScriptAction = menu->addAction(QStringLiteral("&Run Script..."));
    recentEnd_ = menu->addSeparator();
    stopScriptAction = menu->addAction(QStringLiteral("&Stop Script"));
    menu->addSeparator();
    plotAction = menu->addAction(QStringLiteral("&Plot"));

    QObject::connect(runScriptAction, &QAction::triggered, menu, [this] { chooseScript(); });
    ConnectionScripts &scripts = session_.scripts;
    QObject::connect(stopScriptAction, &QAction::triggered, menu, [&scripts] { scripts.stop(); });
    QObject::connect(plotAction, &QAction::triggered, menu, std::move(showPlot));
    for (QPushButton *b : {ui.stopButton, ui.disconnectButton})
        QObject::connect(b, &QPushButton::clicked, menu, [&scripts] { scripts.stop(); });
    QObject::connect(&scripts.runner(), &ScriptRunner::ended, menu, [this] { refresh(); });
    // As if typed: the box's change handler keeps the rate for the settings file.
    QLineEdit *rateBox = ui.baudRateBox;
    scripts.onRateChanged = [rateBox](qint32 rate) { rateBox->setText(numberText(rate)); };
    refresh();
}

ToolsMenu::~ToolsMenu()
{
    session_.scripts.onRateChanged = nullptr;
}

void ToolsMenu::chooseScript()
{
    // Made when first asked for: it remembers the last script chosen.
    if (!dialog_)
        dialog_ = makeDialog_(window_);
    const FileChoice choice = chooseFile(
        *dialog_,
        {FileDialogMode::Open, QStringLiteral("Lua Scripts (*.lua)|*.lua|All Files (*.*)|*.*|"),
         QStringLiteral("Run Script")},
        messages_);
    if (choice.path)
        runScript(*choice.path);
}

void ToolsMenu::runScript(const QString &path)
{
    if (!session_.scripts.start(path))
        return;
    rememberScript(recent_, path);
    rebuildRecent();
    refresh();
}

void ToolsMenu::restoreRecent(const QString &settingsPath)
{
    recent_ = loadRecentScripts(userOptionsPath(settingsPath));
    rebuildRecent();
    refresh();
}

WriteResult ToolsMenu::saveRecent(const QString &settingsPath) const
{
    return saveRecentScripts(userOptionsPath(settingsPath), recent_);
}

void ToolsMenu::rebuildRecent()
{
    // Later: the item that ran the script is still in its triggered signal.
    for (QAction *item : std::as_const(recentItems_)) {
        menu->removeAction(item);
        item->deleteLater();
    }
    recentItems_.clear();
    for (qsizetype i = 0; i < recent_.size(); ++i) {
        // No mnemonic but the number: a '&' in a name is doubled.
        QString caption = QDir::toNativeSeparators(recent_[i]).replace(u'&', QStringLiteral("&&"));
        auto *item = new QAction(QStringLiteral("&%1 %2").arg(i + 1).arg(caption), menu);
        QObject::connect(item, &QAction::triggered, menu,
                         [this, path = recent_[i]] { runScript(path); });
        menu->insertAction(recentEnd_, item);
        recentItems_ << item;
    }
}

// One script at a time: while one runs, only Stop Script of the script items is there.
void ToolsMenu::refresh()
{
    const bool running = session_.scripts.running();
    runScriptAction->setEnabled(!running);
    for (QAction *item : std::as_const(recentItems_))
        item->setEnabled(!running);
    stopScriptAction->setEnabled(running);
}
