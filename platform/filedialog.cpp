#include "platform/filedialog.h"

#include "platform/messagebox.h"

FileChoice FileChoice::chosen(const QString &path)
{
    FileChoice choice;
    if (!path.isEmpty())
        choice.path = path;
    return choice;
}

FileChoice FileChoice::cancel()
{
    FileChoice choice;
    choice.cancelled = true;
    return choice;
}

FileChoice FileChoice::failed(const QString &path, FileDialogFailure failure)
{
    FileChoice choice = chosen(path);
    choice.failure = std::move(failure);
    return choice;
}

QString fileDialogFailureMessage(const FileDialogFailure &failure)
{
    return QStringLiteral("Error %1 selecting file.\r\n").arg(int(failure.error)) +
           failure.systemText;
}

FileChoice chooseFile(FileDialog &dialog, const FileDialogRequest &request, MessageBox &messages)
{
    FileChoice choice = dialog.choose(request);
    if (choice.failure)
        messages.show(fileDialogFailureMessage(*choice.failure));
    return choice;
}
