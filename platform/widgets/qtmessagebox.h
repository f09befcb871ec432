#pragma once

#include "platform/messagebox.h"

#include <QPointer>
#include <QWidget>

class QtMessageBox : public MessageBox
{
public:
    explicit QtMessageBox(QWidget *parent) : parent_(parent) {}
    void show(const QString &text) override;
    bool ask(const QString &text) override;

private:
    QPointer<QWidget> parent_;
};
