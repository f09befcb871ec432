#pragma once

#include <QWidget>

class TextBox;

// Shows Help.txt from the program's folder.
class frmHelp : public QWidget
{
    Q_OBJECT
public:
    explicit frmHelp(const QString &folder, QWidget *parent = nullptr);

    TextBox *Text1 = nullptr;

    void Form_Load();

private:
    QString folder_;
};
