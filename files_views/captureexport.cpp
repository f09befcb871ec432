#include "files_views/captureexport.h"

#include "files_views/filesviews.h"
#include "platform/commondialog.h"
#include "platform/messagebox.h"
#include "terminal/capturebuffer.h"
#include "terminal/records.h"
#include "terminal/terminalviews.h"

CaptureExport::CaptureExport(const CaptureBuffer &capture, ReceivePanes &panes,
                             CommonDialog &dialog, MessageBox &messages)
    : capture_(capture), panes_(panes), dialog_(dialog), messages_(messages)
{
}

void CaptureExport::saveRaw()
{
    save(false);
}

void CaptureExport::saveHumanHex()
{
    save(true);
}

void CaptureExport::save(bool humanHex)
{
    const int rc =
        showFileDialog(dialog_, QStringLiteral("All Files (*.txt)|*.txt|"), true, messages_);
    // A cancel ends the command; after any other error it goes on with the name the dialog
    // holds.
    if (rc == CommonDialog::cdlCancel)
        return;
    const QString path = dialog_.FileName;
    if (path.isEmpty())
        return;
    const QByteArray data =
        humanHex ? captureHumanHexFile(panes_.hexText()) : capture_.bytes().toByteArray();
    // The file ends where the data ends; a failed write leaves the old file as it was.
    if (const WriteResult saved = writeFileSafely(path, data); !saved)
        messages_.show(saveFailedMessage(path, saved.error));
}
