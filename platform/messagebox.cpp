#include "messagebox.h"

#include <QCoreApplication>
#include <QMessageBox>

void QtMessageBox::show(QWidget *parent, const QString &text)
{
    QMessageBox::information(parent, QCoreApplication::applicationName(), text, QMessageBox::Ok);
}
