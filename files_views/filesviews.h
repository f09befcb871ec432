#pragma once

#include <QByteArray>
#include <QRect>
#include <QString>
#include <QtGlobal>

// Plain text building for the file sends, the capture exports and the rebuild, and the
// geometry of the receive-pane layouts. Nothing here touches a widget.

// The echo and pane forms of one byte: the character itself ("<0>" for a zero byte) and
// two uppercase hexadecimal digits followed by one blank.
QString asciiForm(quint8 b);
QString hexForm(quint8 b);
void appendAsciiForm(QString &out, quint8 b);
void appendHexForm(QString &out, quint8 b);

// The raw capture file: exactly count bytes of buffer, nothing added.
QByteArray captureAsciiFile(const quint8 *buffer, qint32 count);

// The human-hex capture file: the pane's characters as bytes (characters outside
// ISO-8859-1 become "?").
QByteArray captureHumanHexFile(const QString &paneText);

// Both receive-pane texts for a capture, built in memory.
struct PaneTexts
{
    QString ascii;
    QString hex;
};
PaneTexts rebuildPaneTexts(const quint8 *buffer, qint32 count);

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

// The hex editor's views take the extra room, two thirds of the width to the hex view;
// the buttons between them move right with the ASCII view and the captions below move down.
struct HexEditorPlaces
{
    QRect hexView, asciiView;
    int middleRight = 0; // the buttons, the lamp and the ASCII caption
    int captionsDown = 0;
};
HexEditorPlaces hexEditorPlaces(const HexEditorPlaces &design, QSize designSize, QSize clientSize);

// Font size in points for the main window's font choice 1 (small) to 3 (large); 0 for
// any other value.
int mainFontPoints(int choice);
