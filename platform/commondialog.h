#pragma once

#include <QString>

class MessageBox;

// A file dialog control that keeps its properties between uses.
// Show*() return 0 when a file was chosen, cdlCancel when the user cancelled, or another
// error number with errorDescription() filled.
class CommonDialog
{
public:
    static constexpr int cdlCancel = 32755;
    static constexpr int cdlOFNHideReadOnly = 0x4;
    static constexpr int cdlOFNFileMustExist = 0x1000;
    static constexpr int cdlOFNLongNames = 0x200000;
    // The file chosen for a save is appended to: no question about replacing it.
    static constexpr int cdlAppends = 0x40000000;

    virtual ~CommonDialog() = default;

    QString Filter;
    int Flags = 0;
    QString FileName;
    QString DialogTitle;

    virtual int ShowOpen() = 0;
    virtual int ShowSave() = 0;
    virtual QString errorDescription() const = 0;

    // "Error 53 selecting file." CR LF description: the one message for dialog errors.
    static QString errorMessage(int number, const QString &description);
};

// Shows the dialog for a file with the given filter and the flags every file dialog of the
// program uses (hide read-only, file must exist, long names). A failure other than a cancel
// is told through messages in the one format for dialog errors; what follows is the
// caller's choice. Returns 0, cdlCancel or the error number.
int showFileDialog(CommonDialog &dialog, const QString &filter, bool save, MessageBox &messages,
                   int extraFlags = 0);
