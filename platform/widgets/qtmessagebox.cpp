#include "platform/widgets/qtmessagebox.h"

#include "platform/widgets/dialogs.h"

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
    auto box = std::make_unique<QMessageBox>(QMessageBox::NoIcon, programTitle(), text,
                                             QMessageBox::Ok, parent_.data());
    execOwned(box);
}

bool QtMessageBox::ask(const QString &text)
{
    // No is the default: Enter must not throw the user's work away.
    auto box = std::make_unique<QMessageBox>(QMessageBox::Question, programTitle(), text,
                                             QMessageBox::Yes | QMessageBox::No, parent_.data());
    box->setDefaultButton(QMessageBox::No);
    return execOwned(box) == QMessageBox::Yes;
}
