#include "platform/widgets/lamp.h"

#include <QLabel>
#include <QPalette>

void setLampColor(QLabel *label, const QColor &color)
{
    QPalette pal = label->palette();
    pal.setColor(QPalette::Window, color);
    label->setPalette(pal);
    label->setAutoFillBackground(true);
}

QColor lampColor(const QLabel *label)
{
    return label->palette().color(QPalette::Window);
}
