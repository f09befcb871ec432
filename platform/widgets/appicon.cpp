#include "platform/widgets/appicon.h"

#include <QPainter>
#include <QPainterPath>

// A drawing: its coordinates (on 64 x 64) and colours are the picture itself.
// NOLINTBEGIN(readability-magic-numbers)
QImage orvoIconImage(int size)
{
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 64.0, size / 64.0);

    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x1d, 0x35, 0x57));
    p.drawRoundedRect(QRectF(2, 2, 60, 60), 10, 10);

    QPainterPath shell;
    shell.moveTo(12, 20);
    shell.lineTo(52, 20);
    shell.lineTo(46, 44);
    shell.lineTo(18, 44);
    shell.closeSubpath();
    p.setPen(QPen(QColor(0xa8, 0xda, 0xdc), 2));
    p.setBrush(QColor(0xf1, 0xfa, 0xee));
    p.drawPath(shell);

    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x1d, 0x35, 0x57));
    for (int i = 0; i < 5; ++i)
        p.drawEllipse(QPointF(20 + 7 * i, 27), 2.6, 2.6);
    for (int i = 0; i < 4; ++i)
        p.drawEllipse(QPointF(23.5 + 7 * i, 36), 2.6, 2.6);

    if (size >= 32) {
        p.setPen(QColor(0xe6, 0x39, 0x46));
        QFont f(QStringLiteral("monospace"));
        f.setPixelSize(9);
        f.setBold(true);
        p.setFont(f);
        p.drawText(QRectF(0, 48, 64, 12), Qt::AlignCenter, QStringLiteral("0A 0D"));
    }
    return image;
}
// NOLINTEND(readability-magic-numbers)

QIcon orvoIcon()
{
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64, 128, 256})
        icon.addPixmap(QPixmap::fromImage(orvoIconImage(size)));
    return icon;
}
