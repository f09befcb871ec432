#pragma once

#include <QString>

class CaptureBuffer;
class FileDialog;
class MessageBox;
class ReceivePanes;

// "Save Capture Ascii" writes the captured bytes exactly; "Save Capture Human-Hex" the hex
// pane's text as it stands. A failed write keeps the old file and says so.
class CaptureExport
{
public:
    CaptureExport(const CaptureBuffer &capture, ReceivePanes &panes, FileDialog &dialog,
                  MessageBox &messages);

    void saveRaw();
    void saveHumanHex();

private:
    void save(bool humanHex);

    const CaptureBuffer &capture_;
    ReceivePanes &panes_;
    FileDialog &dialog_;
    MessageBox &messages_;
};

// "Rebuild from Captured Binary Array": both receive-pane texts for a capture, built in memory.
struct PaneTexts
{
    QString ascii;
    QString hex;
};
PaneTexts rebuildPaneTexts(const quint8 *buffer, qint32 count);
