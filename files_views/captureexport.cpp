#include "files_views/captureexport.h"

#include "platform/filedialog.h"
#include "platform/messagebox.h"
#include "terminal/byteforms.h"
#include "terminal/capturebuffer.h"
#include "terminal/records.h"
#include "terminal/terminalviews.h"

CaptureExport::CaptureExport(const CaptureBuffer &capture, ReceivePanes &panes, FileDialog &dialog,
                             MessageBox &messages)
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
    const FileChoice choice = chooseFile(
        dialog_, {FileDialogMode::Save, QStringLiteral("All Files (*.txt)|*.txt|")}, messages_);
    // A cancel ends the command; after a failure it goes on with the name the dialog holds.
    if (choice.cancelled || !choice.path)
        return;
    const QString &path = *choice.path;
    // The human-hex file is the pane's characters as bytes (others than ISO-8859-1 become "?").
    const QByteArray data = humanHex ? panes_.hexText().toLatin1() : capture_.bytes().toByteArray();
    // The file ends where the data ends; a failed write leaves the old file as it was.
    if (const WriteResult saved = writeFileSafely(path, data); !saved)
        messages_.show(saveFailedMessage(path, saved.error));
}

PaneTexts rebuildPaneTexts(const quint8 *buffer, qint32 count)
{
    if (count <= 0)
        return {};
    const QByteArrayView bytes(buffer, count);
    return {asciiForms(bytes), hexForms(bytes)};
}
