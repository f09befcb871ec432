#pragma once

#include <QString>

// Message boxes with the program's default title, shown over the window they were made
// for: a message with an OK button, or a question with Yes and No buttons. Each returns
// when the user closes the box, or when the program ends it on closing, which counts as No.
class MessageBox
{
public:
    virtual ~MessageBox() = default;
    virtual void show(const QString &text) = 0;
    // True when the user answers Yes.
    virtual bool ask(const QString &text) = 0;
};
