#pragma once

#include <QByteArray>
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

// Font size in points for the main window's font choice 1 (small) to 3 (large); 0 for
// any other value.
int mainFontPoints(int choice);
