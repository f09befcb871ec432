#pragma once

#include <QString>

class QWidget;

// Message boxes with the program's default title: a message with an OK button, or a
// question with Yes and No buttons. Each returns when the user closes the box, or when the
// program ends it on closing (endOpenDialogs()), which counts as No.
class MessageBox
{
public:
    virtual ~MessageBox() = default;
    virtual void show(QWidget *parent, const QString &text) = 0;
    // True when the user answers Yes.
    virtual bool ask(QWidget *parent, const QString &text) = 0;
};

class QtMessageBox : public MessageBox
{
public:
    void show(QWidget *parent, const QString &text) override;
    bool ask(QWidget *parent, const QString &text) override;
};
