#pragma once

#include <QColor>
#include <QLabel>

// A label used as a lamp: red when on, white when off. No Q_OBJECT: it adds no signals, and
// the window sees it as the label it is.
class Lamp : public QLabel
{
public:
    explicit Lamp(QWidget *parent, bool on = false);

    // Repaints only when the lamp changes.
    void setOn(bool on);
    [[nodiscard]] bool isOn() const { return on_; }
    [[nodiscard]] QColor color() const;

private:
    bool on_ = false;
};
