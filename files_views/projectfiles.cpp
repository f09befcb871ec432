#include "files_views/projectfiles.h"

#include "platform/commondialog.h"
#include "platform/messagebox.h"
#include "terminal/records.h"
#include "transmit/bank.h"
#include "transmit/bankpager.h"

ProjectFiles::ProjectFiles(SendKeyBank &bank, BankPager &pager, CommonDialog &dialog,
                           MessageBox &messages)
    : bank_(bank), pager_(pager), dialog_(dialog), messages_(messages)
{
}

int ProjectFiles::askForFile(bool save)
{
    return showFileDialog(dialog_, QStringLiteral("All Files (*.ovc)|*.ovc|"), save, messages_);
}

void ProjectFiles::load()
{
    // After a failed dialog no file was chosen this time: nothing is loaded.
    if (askForFile(false) != 0)
        return;
    const QString path = dialog_.FileName;
    if (path.isEmpty())
        return;
    // A file that cannot be read changes no entry; page 1 is shown all the same.
    QString why;
    if (const auto contents = readWholeFile(path, &why))
        bank_.readProjectFile(*contents);
    else
        messages_.show(readFailedMessage(path, why));
    pager_.showFirstPageDiscardingScreen();
}

void ProjectFiles::save()
{
    const int rc = askForFile(true);
    if (rc == CommonDialog::cdlCancel)
        return;
    pager_.takeScreenEdits();
    // After a failed dialog no file was chosen this time: nothing is written.
    if (rc != 0)
        return;
    const QString path = dialog_.FileName;
    if (path.isEmpty())
        return;
    // The old file stays whole if the new one cannot be written completely.
    if (const WriteResult saved = writeFileSafely(path, bank_.projectFile()); !saved)
        messages_.show(saveFailedMessage(path, saved.error));
}
