#pragma once

#include "files_views/mainlayout.h"
#include "platform/savefile.h"

#include <QList>
#include <QRect>
#include <QString>

#include <optional>

// How the windows were left, kept in options.ini so that they come back the same. A run that
// never moved, resized or rearranged them writes nothing.

// A window's place: its geometry when not maximized (frame excluded) and whether it was
// maximized.
struct WindowPlace
{
    QRect normal;
    bool maximized = false;

    bool operator==(const WindowPlace &) const = default;
};

// True when the place still shows on one of the screens' available areas; a place left on a
// monitor that is gone does not.
[[nodiscard]] bool liesOnScreens(const QRect &place, const QList<QRect> &screens);

// The place of the window called name ("MainWindow", "HexEditor") in the options file at path.
std::optional<WindowPlace> loadWindowPlace(const QString &path, const QString &name);
// Writes the place, or forgets a remembered one when there is none to keep. A failed write
// loses only the place; it says why.
WriteResult saveWindowPlace(const QString &path, const QString &name,
                            const std::optional<WindowPlace> &place);

// The main window's arrangement: the View layout and the extra width the user gave the send
// keys with the divider.
struct MainArrangement
{
    ViewLayout view = ViewLayout::PaneList;
    int keysExtra = 0;

    bool operator==(const MainArrangement &) const = default;
};
MainArrangement loadMainArrangement(const QString &path);
WriteResult saveMainArrangement(const QString &path, const MainArrangement &arrangement);
