#pragma once

#include <QString>
#include <QStringView>

#include <optional>

// Numbers typed into boxes are read by their numeric prefix: blanks, tabs and line feeds
// are ignored, the longest leading decimal number is taken ("&H" and "&O" read hexadecimal
// and octal), and text without one gives 0.
double numericPrefix(QStringView text);

// Whole-number conversions round to the nearest, halves to the even neighbour; a value
// that does not fit the target gives nothing.
std::optional<qint16> roundToInt16(double value);
std::optional<qint32> roundToInt32(double value);

// The whole text must be one number (blanks around it allowed), else nothing.
std::optional<double> strictNumber(QStringView text);

// A number as written into a box: decimal, no leading blank, no decimal point for a
// whole number (3 -> "3", 3.5 -> "3.5", -2 -> "-2").
QString numberText(double value);
