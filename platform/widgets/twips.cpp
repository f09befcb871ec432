#include "platform/widgets/twips.h"

#include <QLabel>
#include <QPushButton>

void place(QWidget *w, TwipsRect r)
{
    w->setGeometry(px(r.left), px(r.top), px(r.width), px(r.height));
}

QLabel *makeLabel(QWidget *parent, const QString &caption, TwipsRect r)
{
    auto *label = new QLabel(caption, parent);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setWordWrap(true);
    place(label, r);
    return label;
}

QPushButton *makeButton(QWidget *parent, const QString &caption, TwipsRect r)
{
    auto *button = new QPushButton(caption, parent);
    button->setAutoDefault(false);
    place(button, r);
    return button;
}
