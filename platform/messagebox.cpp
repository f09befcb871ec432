#include "messagebox.h"

#include "dialogs.h"

#include <QGuiApplication>
#include <QMessageBox>

void QtMessageBox::show(QWidget *parent, const QString &text)
{
    // The program's own title, only an OK button and no icon.
    QString title = QGuiApplication::applicationDisplayName();
    if (title.isEmpty())
        title = QGuiApplication::applicationName();
    auto box =
        std::make_unique<QMessageBox>(QMessageBox::NoIcon, title, text, QMessageBox::Ok, parent);
    execOwned(box);
}
