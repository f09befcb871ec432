#include "platform/commondialog.h"

#include "platform/messagebox.h"

QString CommonDialog::errorMessage(int number, const QString &description)
{
    const QString num =
        number < 0 ? QString::number(number) : QStringLiteral(" ") + QString::number(number);
    return QStringLiteral("Error") + num + QStringLiteral(" selecting file.\r\n") + description;
}

int showFileDialog(CommonDialog &dialog, const QString &filter, bool save, MessageBox &messages,
                   int extraFlags)
{
    dialog.Filter = filter;
    dialog.Flags = CommonDialog::cdlOFNHideReadOnly | CommonDialog::cdlOFNFileMustExist |
                   CommonDialog::cdlOFNLongNames | extraFlags;
    const int rc = save ? dialog.ShowSave() : dialog.ShowOpen();
    if (rc != 0 && rc != CommonDialog::cdlCancel)
        messages.show(CommonDialog::errorMessage(rc, dialog.errorDescription()));
    return rc;
}
