#pragma once

#include <QWidget>

// A thin upright handle that the user drags sideways to move the boundary between two parts of
// a window. It only reports the drag; the window places everything, the handle included.
class Divider : public QWidget
{
    Q_OBJECT
public:
    explicit Divider(QWidget *parent);

signals:
    void pressed();
    void dragged(int movedRight); // pixels since the press

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    // In screen coordinates: the handle itself moves while it is dragged.
    double pressedAt_ = 0;
};
