#pragma once

#include <QRect>
#include <QSize>

// The main window's receive-pane layouts and how its widgets stretch. Nothing here touches a
// widget.

// Where the two receive panes go in each View layout (twips; Left is always 120).
enum class PaneFront { Ascii, Hex, Untouched };
struct PaneLayout
{
    int asciiTop, asciiWidth, asciiHeight;
    int hexTop, hexWidth, hexHeight;
    PaneFront front;
};
enum class ViewLayout { PaneList, HexList, BigAscii, BigHex, AsciiOverHex };
PaneLayout paneLayout(ViewLayout view);
inline constexpr int kPaneLeft = 120;

// Where the stretching widgets of the main window go in a client area of clientSize pixels,
// given their places at the design size. The receive panes take the extra width and the upper
// half of the extra height. In the list layouts the send keys keep their size and move right,
// next to the pane, unless the user gave them part of the extra width with the divider between
// them (keysExtra, at most the extra width; the descriptions and the strings widen by half of
// it each). The row of counters and buttons follows the panes down; the transmit log and the
// status box take the lower half of the extra height and share the extra width, the status box
// with CLR-> and its caption moving right. Below the design size nothing moves: the client area
// scrolls.
struct MainPlaces
{
    QRect ascii, hex, txEcho, status;
    int keysLeft = 0; // given: the left edge of the send keys (their vertical caption)
    // The divider, from the pane to the send keys; empty where it has nothing to share.
    QRect divider{};
    int rowDown = 0;     // the counters, suspend and clear row under the panes
    int statusRight = 0; // CLR->, the Status caption and the status box
    int keysRight = 0;   // the send keys with their captions
    int descriptionsWider = 0, stringsWider = 0;
    [[nodiscard]] int keysExtra() const { return descriptionsWider + stringsWider; }
};
MainPlaces mainPlaces(const MainPlaces &design, QSize designSize, QSize clientSize, ViewLayout view,
                      int keysExtra);
