#pragma once

#include "hexeditor/hexeditormodel.h"

#include <QMainWindow>

#include <functional>
#include <memory>

class CaptureBuffer;
class Lamp;
class FileDialog;
class MessageBox;
class Pacer;
class QAction;
class QLabel;
class QPushButton;
class RecordSender;
class TextBox;
class TransmitRecord;
class WindowPlaceKeeper;
struct Options;
struct Services;

// The hex editor's widgets and menu items.
struct HexEditorWidgets
{
    QWidget *clientArea = nullptr; // the 899 x 414 client area below the menu bar
    TextBox *hexPane = nullptr;
    TextBox *asciiPane = nullptr;
    QPushButton *hexToAsciiButton = nullptr;
    Lamp *autoUpdateLamp = nullptr;
    QPushButton *autoUpdateButton = nullptr;
    QPushButton *asciiToHexButton = nullptr;
    QLabel *fileNameLabel = nullptr;
    QLabel *hexViewLabel = nullptr;
    QLabel *lengthLabel = nullptr;
    QLabel *asciiViewLabel = nullptr;

    QAction *loadFileAction = nullptr;
    QAction *saveFileAction = nullptr;
    QAction *loadRxCaptureAction = nullptr;
    QAction *loadTxRecordAction = nullptr;
    QAction *sendContentsAction = nullptr;
    QAction *pageSetupAction = nullptr;
    QAction *printAllAction = nullptr;
    QAction *exitAction = nullptr;
    QAction *clearAction = nullptr;
    QAction *fontSmallAction = nullptr;
    QAction *fontMediumAction = nullptr;
    QAction *fontLargeAction = nullptr;
    QAction *helpAction = nullptr;
};

// The hex editor window: one byte buffer shown as hexadecimal pairs and as characters.
// It works on the main window's capture, transmit record and port, which it is handed;
// its Help command asks the main window for the shared help window.
class HexEditorWindow : public QMainWindow, private HexEditorView
{
    Q_OBJECT
public:
    HexEditorWindow(const Services &services, const CaptureBuffer &capture, TransmitRecord &record,
                    RecordSender &sender, Options &options, Pacer &pacer,
                    QWidget *parent = nullptr);
    ~HexEditorWindow() override;

    HexEditorWidgets ui;
    HexEditorModel &model() { return *model_; }

signals:
    void helpRequested();

protected:
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void buildWidgets();
    void buildMenus();
    void bind();
    // Runs a command; a window closed meanwhile (from a dialog or a yield of the command)
    // is deleted only once the command has returned.
    void run(const std::function<void()> &command);

    // HexEditorView
    QString hexText() const override;
    QString asciiText() const override;
    void setHexText(const QString &text) override;
    void setAsciiText(const QString &text) override;
    void replaceHexText(qsizetype start, qsizetype end, const QString &text) override;
    void replaceAsciiText(qsizetype start, qsizetype end, const QString &text) override;
    void showLength(qint32 bytes) override;
    void showFileName(const QString &path) override;
    void showAutoUpdate(bool on) override;
    void showFont(FontChoice choice) override;

    std::unique_ptr<FileDialog> dialog_;
    std::shared_ptr<MessageBox> messages_;
    std::unique_ptr<HexEditorModel> model_;
    WindowPlaceKeeper *placeKeeper_ = nullptr; // a child of the window
    int running_ = 0;
    bool closedWhileRunning_ = false;
};
