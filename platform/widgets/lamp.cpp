#include "platform/widgets/lamp.h"

#include <QPalette>

namespace {

const QColor kOn(255, 0, 0);
const QColor kOff(255, 255, 255);

} // namespace

Lamp::Lamp(QWidget *parent, bool on) : QLabel(parent), on_(!on)
{
    setAutoFillBackground(true);
    setOn(on);
}

void Lamp::setOn(bool on)
{
    if (on == on_)
        return;
    on_ = on;
    QPalette pal = palette();
    pal.setColor(QPalette::Window, on ? kOn : kOff);
    setPalette(pal);
}

QColor Lamp::color() const
{
    return palette().color(QPalette::Window);
}
