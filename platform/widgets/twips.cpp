#include "platform/widgets/twips.h"

#include <QLabel>
#include <QPushButton>

void place(QWidget *w, int left, int top, int width, int height)
{
    w->setGeometry(px(left), px(top), px(width), px(height));
}

QLabel *makeLabel(QWidget *parent, const QString &caption, int l, int t, int w, int h)
{
    auto *label = new QLabel(caption, parent);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setWordWrap(true);
    place(label, l, t, w, h);
    return label;
}

QPushButton *makeButton(QWidget *parent, const QString &caption, int l, int t, int w, int h)
{
    auto *button = new QPushButton(caption, parent);
    button->setAutoDefault(false);
    place(button, l, t, w, h);
    return button;
}
