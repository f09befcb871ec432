#include "qtmessagebox.h"

#include <QGuiApplication>
#include <QMessageBox>

namespace {

QString programTitle()
{
    QString title = QGuiApplication::applicationDisplayName();
    if (title.isEmpty())
        title = QGuiApplication::applicationName();
    return title;
}

} // namespace

void QtMessageBox::show(const QString &text)
{
    // The program's own title, only an OK button and no icon.
    QMessageBox box(QMessageBox::NoIcon, programTitle(), text, QMessageBox::Ok, parent_.data());
    box.exec();
}

bool QtMessageBox::ask(const QString &text)
{
    // No is the default: Enter must not throw the user's work away.
    QMessageBox box(QMessageBox::Question, programTitle(), text, QMessageBox::Yes | QMessageBox::No,
                    parent_.data());
    box.setDefaultButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}
