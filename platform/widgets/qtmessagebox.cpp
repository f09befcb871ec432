#include "qtmessagebox.h"

#include <QGuiApplication>
#include <QMessageBox>

void QtMessageBox::show(const QString &text)
{
    // The program's own title, only an OK button and no icon.
    QString title = QGuiApplication::applicationDisplayName();
    if (title.isEmpty())
        title = QGuiApplication::applicationName();
    QMessageBox box(QMessageBox::NoIcon, title, text, QMessageBox::Ok, parent_.data());
    box.exec();
}
