#include "platform/widgets/divider.h"

#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOption>

#include <cmath>

Divider::Divider(QWidget *parent) : QWidget(parent)
{
    setCursor(Qt::SplitHCursor);
    setFocusPolicy(Qt::NoFocus);
}

void Divider::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return QWidget::mousePressEvent(event);
    pressedAt_ = event->globalPosition().x();
    emit pressed();
}

void Divider::mouseMoveEvent(QMouseEvent *event)
{
    if (!(event->buttons() & Qt::LeftButton))
        return QWidget::mouseMoveEvent(event);
    emit dragged(int(std::lround(event->globalPosition().x() - pressedAt_)));
}

void Divider::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    QStyleOption option;
    option.initFrom(this);
    option.state |= QStyle::State_Horizontal;
    style()->drawControl(QStyle::CE_Splitter, &option, &painter, this);
}
