#pragma once

#include <QString>

class QWidget;

// Message boxes with an OK button and the program's default title. show() returns when the
// user closes the box, or when the program ends it on closing (endOpenDialogs()).
class MessageBox
{
public:
    virtual ~MessageBox() = default;
    virtual void show(QWidget *parent, const QString &text) = 0;
};

class QtMessageBox : public MessageBox
{
public:
    void show(QWidget *parent, const QString &text) override;
};
