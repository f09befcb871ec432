#pragma once

#include "hexeditor/hexdocument.h"
#include "platform/filedialog.h"
#include "terminal/options.h"
#include "transmit/commandrunner.h"

#include <QString>

#include <functional>
#include <memory>

class CaptureBuffer;
class MessageBox;
class Pacer;
class Printer;
class RecordSender;
class TransmitRecord;

// The hex editor window as its model sees it.
class HexEditorView
{
public:
    virtual ~HexEditorView() = default;
    virtual QString hexText() const = 0;
    virtual QString asciiText() const = 0;
    // Writes by the program: the view's change is not taken as an edit.
    virtual void setHexText(const QString &text) = 0;
    virtual void setAsciiText(const QString &text) = 0;
    // Replaces characters [start, end) of a view: a write by the program as above.
    virtual void replaceHexText(qsizetype start, qsizetype end, const QString &text) = 0;
    virtual void replaceAsciiText(qsizetype start, qsizetype end, const QString &text) = 0;
    virtual void showLength(qint32 bytes) = 0; // "  LOF = n"
    virtual void showFileName(const QString &path) = 0;
    virtual void showAutoUpdate(bool on) = 0;     // the lamp: red when on
    virtual void showFont(FontChoice choice) = 0; // check marks and 8/10/12 pt
};

struct HexEditorDeps
{
    const CaptureBuffer &capture;
    TransmitRecord &record;
    RecordSender &sender;
    Options &options; // the hex font choice lives there
    Pacer &pacer;
    CommandRunner &commands; // the window's
    FileDialog &dialog;
    MessageBox &messages;
    std::function<std::unique_ptr<Printer>()> makePrinter;
};

// Keeps the two views and the bytes in step: an edit of either view is read back and the
// other view brought up to date, at once while auto update is on, else on the arrow
// buttons. Only what changed is read and rewritten, so a keystroke costs little even with
// a full buffer; the outcome is that of converting the whole view. Conversions run on a
// lane: an edit that arrives while one lets events run is converted once that one is done,
// so the views, the length and the bytes always end up agreeing with the last edit.
class HexEditorModel
{
public:
    HexEditorModel(HexEditorView &view, HexEditorDeps deps);
    ~HexEditorModel();

    // Opening the window: auto update on, the stored font choice (0 becomes 1) applied.
    void open();

    void hexEdited();
    void asciiEdited();
    void convertHexToAscii(); // ">"
    void convertAsciiToHex(); // "<"
    void toggleAutoUpdate();  // "A"
    bool autoUpdate() const { return autoUpdate_; }

    void loadFile();
    void saveFile();
    void loadRxCapture();
    void loadTxRecord();
    void sendContents();
    void clear();
    void chooseFont(FontChoice choice);
    void pageSetup();
    void printAll();

    const HexDocument &document() const { return doc_; }
    const QString &fileName() const { return fileName_; }

private:
    enum class Edit { Hex, Ascii };
    // A view's text as last read or written, whether the program wrote it from the bytes,
    // and whether the bytes agree with it (reading it would change nothing: not so for an
    // ASCII view of bytes holding "<0>", which reads back as a zero byte).
    struct Shown
    {
        QString text;
        bool written = true;
        bool agrees = true;
    };
    void edited(Edit edit);
    // Reads the view edited last (when auto update is on) and lets events run once.
    void convertEdit(Edit edit);
    void showHexView();
    void showAsciiView();
    void showBoth();
    // Reads a view and brings the other one up to date. False when the view holds more
    // bytes than fit: the user is told, views restored.
    bool readHexView();
    bool readAsciiView();
    void follow(Edit view, std::optional<ViewEdit> edit);
    bool refuseOverflow();
    bool asciiViewAgrees() const;
    bool askForFile(FileDialogMode mode);
    void setContent(QByteArrayView bytes);
    Printer *printer();

    HexEditorView &view_;
    HexEditorDeps deps_;
    HexDocument doc_;
    QString fileName_;
    bool autoUpdate_ = true;
    bool writing_ = false; // the program writes a view: its change is no edit
    CommandLane conversions_;
    Shown hexShown_, asciiShown_;
    std::unique_ptr<Printer> printer_;
};
