#pragma once

#include <QDialog>
#include <QPointer>

#include <memory>

class QWidget;

// Ends every visible dialog as if the user had cancelled it, or only those whose parent
// chain reaches owner. Each exec() returns as soon as control is back in its event loop.
// A window that closes calls this first, so no handler is left waiting in a dialog of a
// window that is gone.
void endOpenDialogs(QWidget *owner = nullptr);

// Runs a dialog modally. It lives on the heap: should its parent be deleted meanwhile, the
// dialog goes with it (the pointer is then released) and the result is Rejected.
template <typename Dialog> int execOwned(std::unique_ptr<Dialog> &dialog)
{
    const QPointer<QDialog> alive(dialog.get());
    const int result = dialog->exec();
    if (!alive) {
        (void)dialog.release();
        return QDialog::Rejected;
    }
    return result;
}
