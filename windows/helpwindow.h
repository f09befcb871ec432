#pragma once

#include <QWidget>

class TextBox;

// Shows Help.txt from the program's folder. The text may be edited on screen; nothing is
// written back.
class HelpWindow : public QWidget
{
    Q_OBJECT
public:
    explicit HelpWindow(const QString &folder, QWidget *parent = nullptr);

    TextBox *helpPane = nullptr;

    // Reads Help.txt (empty when the file is missing or unreadable).
    void loadHelpText();

private:
    QString folder_;
};
