#pragma once

#include "platform/linesettings.h"
#include "platform/portaddress.h"
#include "platform/portlist.h"
#include "platform/savefile.h"

#include <QList>

#include <functional>

struct MainSession;
struct MainWidgets;

// Binds the Port menu: the port items made afresh each time it opens, the output lines,
// the break and "Reconnect Automatically"; and the options kept in options.ini.
class PortMenu
{
public:
    using PortLister = std::function<QList<PortListEntry>()>;
    PortMenu(MainWidgets &ui, MainSession &session, PortLister listPorts);

    // Start-up and closing: the options of options.ini shown on and taken from the items,
    // the line settings (those of the command line in their place) and the recent addresses.
    void restoreOptions(const QString &settingsPath,
                        const std::function<LineSettings(const LineSettings &)> &overrides = {});
    WriteResult saveOptions(const QString &settingsPath);

private:
    void refresh();
    void rebuildPortItems();
    void askLine();
    void askAddress();

    MainWidgets &ui_;
    MainSession &session_;
    PortLister listPorts_;
    QList<PortAddress> recent_; // the network addresses opened, the latest first
};
