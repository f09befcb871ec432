#pragma once

#include <QMainWindow>

class frmSerial;

// The hex editor: one byte buffer shown as hexadecimal pairs and as characters.
class frmHexEditor : public QMainWindow
{
    Q_OBJECT
public:
    explicit frmHexEditor(frmSerial &main, QWidget *parent = nullptr);
    ~frmHexEditor() override;

    void Form_Load();

private:
    frmSerial &main_;
};
