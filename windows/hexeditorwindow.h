#pragma once

#include "hexeditor/hexeditormodel.h"
#include "transmit/commandrunner.h"
#include "windows/hexeditorviews.h"
#include "windows/hexeditorwidgets.h"

#include <QMainWindow>

#include <memory>

class CaptureBuffer;
class FileDialog;
class MessageBox;
class Pacer;
class RecordSender;
class TransmitRecord;
class WindowPlaceKeeper;
struct Options;
struct Services;

// The hex editor window: one byte buffer shown as hexadecimal pairs and as characters.
// It builds its widgets (HexEditorWidgets), adapts them to its model (HexEditorViews) and
// binds each control to the model's command. It works on the main window's capture,
// transmit record and port, which it is handed; its Help command asks the main window for
// the shared help window.
class HexEditorWindow : public QMainWindow
{
    Q_OBJECT
public:
    HexEditorWindow(const Services &services, const CaptureBuffer &capture, TransmitRecord &record,
                    RecordSender &sender, Options &options, Pacer &pacer,
                    QWidget *parent = nullptr);
    ~HexEditorWindow() override;

    HexEditorWidgets ui;
    HexEditorModel &model() { return *model_; }
    // Every command of the window runs through it; a window closed while one runs (from a
    // dialog or a yield of the command) is deleted only once the command has returned.
    CommandRunner &commands() { return commands_; }

signals:
    void helpRequested();

protected:
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void bind();

    CommandRunner commands_;
    HexEditorViews views_{ui};
    std::unique_ptr<FileDialog> dialog_;
    std::shared_ptr<MessageBox> messages_;
    std::unique_ptr<HexEditorModel> model_;
    WindowPlaceKeeper *placeKeeper_ = nullptr; // a child of the window
};
