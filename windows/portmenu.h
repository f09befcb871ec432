#pragma once

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

    // Start-up and closing: the options of options.ini shown on and taken from the items.
    void restoreOptions(const QString &settingsPath);
    WriteResult saveOptions(const QString &settingsPath);

private:
    void refresh();
    void rebuildPortItems();

    MainWidgets &ui_;
    MainSession &session_;
    PortLister listPorts_;
};
