#pragma once

#include <QString>

// Message boxes with an OK button and the program's default title, shown over the window
// they were made for.
class MessageBox
{
public:
    virtual ~MessageBox() = default;
    virtual void show(const QString &text) = 0;
};
