#pragma once

#include "platform/portaddress.h"
#include "platform/portsettings.h"

#include <QList>

#include <optional>

class QWidget;

// The two dialogs of the Port menu. Each runs modally over parent and gives nothing when
// cancelled (also when parent goes away meanwhile).

// "Line Settings": data bits, parity, stop bits and flow control, starting from current.
// The rate is given back as it came.
std::optional<PortSettings> askLineSettings(QWidget *parent, const PortSettings &current);

// "Open Network Port": an address typed or taken from the recent ones (the first is filled
// in), tcp://HOST:PORT or rfc2217://HOST:PORT; OK stays disabled while the text names
// neither.
std::optional<PortAddress> askNetworkPort(QWidget *parent, const QList<PortAddress> &recent);
