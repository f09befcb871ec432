#pragma once

#include <QString>

#include <cstddef>
#include <stdexcept>
#include <string_view>

class QLabel;
class QPushButton;
class QWidget;

// Window positions are given in twips; 15 twips are one pixel at 96 dpi, rounded to nearest.
constexpr int kTwipsPerPixel = 15;
constexpr int px(int twips)
{
    return (twips + kTwipsPerPixel / 2) / kTwipsPerPixel;
}

struct TwipsRect
{
    int left, top, width, height;
};

// One line of a window's table of designed places: a control's name and its place.
struct TwipsPlace
{
    std::string_view name;
    TwipsRect rect;
};

// The place of `name` in a window's table; a name the table lacks does not compile.
template <std::size_t N>
consteval TwipsRect placeOf(const TwipsPlace (&table)[N], std::string_view name)
{
    for (const TwipsPlace &p : table)
        if (p.name == name)
            return p.rect;
    throw std::logic_error("no such place");
}

void place(QWidget *w, TwipsRect r);

// A caption aligned top left that wraps at word boundaries inside its box.
QLabel *makeLabel(QWidget *parent, const QString &caption, TwipsRect r);

// A push button that never becomes the default button of its window.
QPushButton *makeButton(QWidget *parent, const QString &caption, TwipsRect r);
