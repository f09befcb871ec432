#pragma once

#include <QString>

class QLabel;
class QPushButton;
class QWidget;

// Window positions are given in twips; 15 twips are one pixel at 96 dpi, rounded to nearest.
constexpr int px(int twips)
{
    return (twips + 7) / 15;
}

void place(QWidget *w, int left, int top, int width, int height);

// A caption aligned top left that wraps at word boundaries inside its box.
QLabel *makeLabel(QWidget *parent, const QString &caption, int l, int t, int w, int h);

// A push button that never becomes the default button of its window.
QPushButton *makeButton(QWidget *parent, const QString &caption, int l, int t, int w, int h);
