#include "windows/portmenu.h"

#include "platform/commport.h"
#include "platform/widgets/portdialogs.h"
#include "terminal/useroptions.h"
#include "windows/mainsession.h"
#include "windows/mainwidgets.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>

namespace {

constexpr std::chrono::milliseconds kBreakLength{250};

// The caption as shown: no mnemonic, so a '&' in a name is doubled.
QString portCaption(const PortListEntry &p)
{
    QString caption = QStringLiteral("COM%1  %2").arg(p.comNumber).arg(p.device);
    if (!p.description.isEmpty())
        caption += QStringLiteral("  ") + p.description;
    return caption.replace(u'&', QStringLiteral("&&"));
}

} // namespace

PortMenu::PortMenu(MainWidgets &ui, MainSession &session, PortLister listPorts)
    : ui_(ui), session_(session), listPorts_(std::move(listPorts))
{
    QObject::connect(ui_.portMenu, &QMenu::aboutToShow, ui_.portMenu, [this] { refresh(); });
    CommPort *port = session_.port.port();
    if (port) {
        QObject::connect(ui_.dtrAction, &QAction::triggered, port,
                         [port](bool on) { (void)port->setLine(OutputLine::Dtr, on); });
        QObject::connect(ui_.rtsAction, &QAction::triggered, port,
                         [port](bool on) { (void)port->setLine(OutputLine::Rts, on); });
        QObject::connect(ui_.sendBreakAction, &QAction::triggered, port,
                         [port] { (void)port->sendBreak(kBreakLength); });
    }
    QObject::connect(ui_.lineSettingsAction, &QAction::triggered, ui_.portMenu,
                     [this] { askLine(); });
    QObject::connect(ui_.openNetworkPortAction, &QAction::triggered, ui_.portMenu,
                     [this] { askAddress(); });
    AutoReconnect &reconnect = session_.autoReconnect;
    QObject::connect(ui_.reconnectAutomaticallyAction, &QAction::triggered, ui_.portMenu,
                     [&reconnect](bool on) { reconnect.setEnabled(on); });
    // Taking the port in hand ends the waiting for a lost device.
    for (QPushButton *b : {ui_.reconnectButton, ui_.disconnectButton})
        QObject::connect(b, &QPushButton::clicked, ui_.portMenu,
                         [&reconnect] { reconnect.stop(); });
}

void PortMenu::restoreOptions(const QString &settingsPath,
                              const std::function<LineSettings(const LineSettings &)> &overrides)
{
    const QString path = userOptionsPath(settingsPath);
    const LineSettings saved = loadLineSettings(path);
    (void)session_.port.setLineSettings(overrides ? overrides(saved) : saved);
    recent_ = loadRecentNetworkPorts(path);
    const UserOptions options = loadUserOptions(path);
    ui_.reconnectAutomaticallyAction->setChecked(options.reconnectAutomatically);
    session_.autoReconnect.setEnabled(options.reconnectAutomatically);
    // The item's mark is bound to the log.
    ui_.timestampLogAction->setChecked(options.timestampLogLines);
}

WriteResult PortMenu::saveOptions(const QString &settingsPath)
{
    const QString path = userOptionsPath(settingsPath);
    const UserOptions options{session_.autoReconnect.enabled(), session_.log.timestamps()};
    WriteResult saved = saveUserOptions(path, options);
    for (const WriteResult &each : {saveLineSettings(path, session_.port.lineSettings()),
                                    saveRecentNetworkPorts(path, recent_)})
        if (saved && !each)
            saved = each;
    return saved;
}

// OK applies them to an open port at once; one the port refuses stays as it was.
void PortMenu::askLine()
{
    PortConnection &port = session_.port;
    const auto chosen =
        askLineSettings(ui_.frameFormatLabel->window(), port.lineSettings().at(port.baudRate()));
    if (!chosen)
        return;
    port.chooseLineSettings(LineSettings::of(*chosen));
}

void PortMenu::askAddress()
{
    const auto address = askNetworkPort(ui_.frameFormatLabel->window(), recent_);
    if (!address)
        return;
    rememberNetworkPort(recent_, *address);
    session_.autoReconnect.stop();
    session_.port.openAddress(*address);
}

// The items show the port as it is now: they are seen only through the open menu.
void PortMenu::refresh()
{
    rebuildPortItems();
    const CommPort *port = session_.port.port();
    const bool open = session_.port.isOpen();
    for (QAction *a : {ui_.dtrAction, ui_.rtsAction, ui_.sendBreakAction})
        a->setEnabled(open);
    ui_.dtrAction->setChecked(open && port->line(OutputLine::Dtr));
    ui_.rtsAction->setChecked(open && port->line(OutputLine::Rts));
}

void PortMenu::rebuildPortItems()
{
    QMenu *menu = ui_.portMenu;
    for (QAction *a : menu->actions()) {
        if (a == ui_.portItemsEnd)
            break;
        menu->removeAction(a);
        delete a;
    }
    const QList<PortListEntry> ports = listPorts_();
    if (ports.isEmpty()) {
        auto *none = new QAction(QStringLiteral("No Serial Ports Found"), menu);
        none->setEnabled(false);
        menu->insertAction(ui_.portItemsEnd, none);
        return;
    }
    for (const PortListEntry &p : ports) {
        auto *item = new QAction(portCaption(p), menu);
        // As if typed: the box's change handler keeps the number. The choice is taken at
        // once: an open port switches to it, a lost one is no longer waited for.
        QObject::connect(item, &QAction::triggered, menu, [this, n = p.comNumber] {
            ui_.comNumberBox->setText(QString::number(n));
            session_.port.forgetChosenAddress();
            if (session_.autoReconnect.waiting()) {
                session_.autoReconnect.stop();
                session_.port.reconnect();
            } else {
                session_.port.switchPort();
            }
        });
        menu->insertAction(ui_.portItemsEnd, item);
    }
}
