#pragma once

#include <QPoint>
#include <QString>
#include <QStringList>

// What "Print All" sends to the printer: the hex view and then the ASCII view, each cut
// into lines of two spaces and 80 characters, with pairs of empty lines around them.
//
// Every entry is one print statement, which ends its line; an entry "\r\n" therefore
// gives two empty lines. The first entry is printed in the printer's default font, all
// the others in printFontName at printFontSize points.
inline constexpr int kPrintLineChars = 80;
// Where the first line goes, in twips from the printable area's top left: at the left edge
// (the printer holds a place left of it there) and 4000 twips (2.8 inches) down.
inline constexpr QPoint kPrintStart(-1000, 4000);
inline const QString printFontName = QStringLiteral("Courier");
inline constexpr double printFontSize = 10;

QStringList printAllLines(const QString &hexView, const QString &asciiView);
