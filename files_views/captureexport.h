#pragma once

class CaptureBuffer;
class CommonDialog;
class MessageBox;
class ReceivePanes;

// "Save Capture Ascii" writes the captured bytes exactly; "Save Capture Human-Hex" the hex
// pane's text as it stands. A failed write keeps the old file and says so.
class CaptureExport
{
public:
    CaptureExport(const CaptureBuffer &capture, ReceivePanes &panes, CommonDialog &dialog,
                  MessageBox &messages);

    void saveRaw();
    void saveHumanHex();

private:
    void save(bool humanHex);

    const CaptureBuffer &capture_;
    ReceivePanes &panes_;
    CommonDialog &dialog_;
    MessageBox &messages_;
};
