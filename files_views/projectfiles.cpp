#include "files_views/projectfiles.h"

#include "platform/filedialog.h"
#include "platform/messagebox.h"
#include "terminal/records.h"
#include "transmit/bank.h"
#include "transmit/bankpager.h"

ProjectFiles::ProjectFiles(SendKeyBank &bank, BankPager &pager, FileDialog &dialog,
                           MessageBox &messages)
    : bank_(bank), pager_(pager), dialog_(dialog), messages_(messages)
{
}

FileChoice ProjectFiles::askForFile(FileDialogMode mode)
{
    return chooseFile(dialog_, {mode, QStringLiteral("All Files (*.ovc)|*.ovc|")}, messages_);
}

void ProjectFiles::load()
{
    // After a failed dialog no file was chosen this time: nothing is loaded.
    const FileChoice choice = askForFile(FileDialogMode::Open);
    if (choice.cancelled || choice.failure || !choice.path)
        return;
    const QString &path = *choice.path;
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
    const FileChoice choice = askForFile(FileDialogMode::Save);
    if (choice.cancelled)
        return;
    pager_.takeScreenEdits();
    // After a failed dialog no file was chosen this time: nothing is written.
    if (choice.failure || !choice.path)
        return;
    const QString &path = *choice.path;
    // The old file stays whole if the new one cannot be written completely.
    if (const WriteResult saved = writeFileSafely(path, bank_.projectFile()); !saved)
        messages_.show(saveFailedMessage(path, saved.error));
}
