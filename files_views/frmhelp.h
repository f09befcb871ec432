#pragma once

#include <QWidget>

class TextBox;

// Shows Help.txt from the program's folder. The text may be edited on screen; nothing is
// written back.
class frmHelp : public QWidget
{
    Q_OBJECT
public:
    explicit frmHelp(const QString &folder, QWidget *parent = nullptr);

    TextBox *Text1 = nullptr;

    // Reads Help.txt into Text1 (empty when the file is missing or unreadable).
    void Form_Load();

private:
    QString folder_;
};
