#include "platform/widgets/dialogs.h"

#include <QApplication>
#include <QWidget>

namespace {

// QWidget::isAncestorOf() stops at window borders; a dialog is a window of its own.
bool ownedBy(const QWidget *widget, const QWidget *owner)
{
    for (; widget; widget = widget->parentWidget()) {
        if (widget == owner)
            return true;
    }
    return false;
}

} // namespace

void endOpenDialogs(QWidget *owner)
{
    for (QWidget *window : QApplication::topLevelWidgets()) {
        auto *dialog = qobject_cast<QDialog *>(window);
        if (dialog && dialog->isVisible() && (!owner || ownedBy(dialog, owner)))
            dialog->reject();
    }
}
