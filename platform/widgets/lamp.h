#pragma once

#include <QColor>

class QLabel;

// The back colour of a label used as a lamp.
void setLampColor(QLabel *label, const QColor &color);
QColor lampColor(const QLabel *label);
