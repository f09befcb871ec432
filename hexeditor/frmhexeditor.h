#pragma once

#include "hexviews.h"

#include <QMainWindow>
#include <QString>

#include <array>
#include <memory>

class CommonDialog;
class Printer;
class QAction;
class QLabel;
class QMenu;
class QPushButton;
class TextBox;
class frmSerial;

// The hex editor: one byte buffer shown as hexadecimal pairs (Text1) and as characters
// (Text2). An edit of either view is read back into the buffer and the other view is
// rebuilt, after every change while auto update is on, else on the arrow buttons. A view
// holding more bytes than the buffer is refused and shown as the buffer again.
//
// The window is deleted on close, but never under one of its own handlers: a close
// while a handler waits in a dialog or a yield ends the dialog and deletes the window
// once the handler has returned.
class frmHexEditor : public QMainWindow
{
    Q_OBJECT
public:
    explicit frmHexEditor(frmSerial &main, QWidget *parent = nullptr);
    ~frmHexEditor() override;

    // ---- Widgets -------------------------------------------------------------------
    QWidget *client = nullptr; // the 899 x 414 client area below the menu bar
    TextBox *Text1 = nullptr;  // hex view
    TextBox *Text2 = nullptr;  // ASCII view
    QPushButton *cmdUpdateAscii = nullptr;
    QLabel *lblAuto = nullptr;
    QPushButton *cmdUpdateAuto = nullptr;
    QPushButton *cmdUpdateHex = nullptr;
    QLabel *lblFilename = nullptr;
    QLabel *Label1 = nullptr;
    QLabel *lblLOF = nullptr;
    QLabel *Label2 = nullptr;
    std::unique_ptr<CommonDialog> dlgFile;
    // Created on first use and kept, so that "Page Setup" holds for later prints.
    std::unique_ptr<Printer> printer;

    // ---- Menu ----------------------------------------------------------------------
    QMenu *mnuFile = nullptr;
    QAction *mnuLoadfile = nullptr;
    QAction *mnuSavefile = nullptr;
    QAction *mnuLoadRXbuffer = nullptr;
    QAction *mnuLoadTXbuffer = nullptr;
    QAction *mnuSendContents = nullptr;
    QAction *dd1 = nullptr;
    QAction *mnuPageSetup = nullptr;
    QAction *mnuPrint = nullptr;
    QAction *mnuBar11 = nullptr;
    QAction *mnuExit = nullptr;
    QMenu *mnuEdit = nullptr;
    QAction *mnuClear = nullptr;
    QAction *dd3 = nullptr;
    QAction *mnuFontSmall = nullptr;
    QAction *mnuFontMedium = nullptr;
    QAction *mnuFontLarge = nullptr;
    QAction *mnuHelp = nullptr;

    // ---- State ---------------------------------------------------------------------
    // The content is bytes 0 .. editCount - 1; editCount never exceeds the buffer.
    std::array<quint8, kEditBufferSize> editBuffer{};
    qint32 editCount = 0;
    // 1 while the program writes a view: the change handlers then ignore that change.
    qint32 updatingViews = 0;
    qint32 autoUpdate = 1;
    QString asciiText;
    QString editFileName;

    // ---- Buffer and views ----------------------------------------------------------
    void Form_Load();
    void Form_Unload();
    void ShowHexView();
    void ShowAsciiView();
    // False when the view holds too many bytes: the buffer is unchanged, both views
    // show it again and the user is told.
    bool HexViewToBuffer();
    bool AsciiViewToBuffer();
    void Text1_Change();
    void Text2_Change();
    void cmdUpdateAscii_Click();
    void cmdUpdateHex_Click();
    void cmdUpdateAuto_Click();

    // ---- Files, records and sending ------------------------------------------------
    void mnuLoadfile_Click();
    void mnuSavefile_Click();
    void mnuLoadRXbuffer_Click();
    void mnuLoadTXbuffer_Click();
    void mnuSendContents_Click();
    void mnuClear_Click();
    void mnuExit_Click();
    void mnuFontSmall_Click();
    void mnuFontMedium_Click();
    void mnuFontLarge_Click();
    void mnuHelp_Click();

    // ---- Printing ------------------------------------------------------------------
    void mnuPageSetup_Click();
    void mnuPrint_Click();

protected:
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    // Marks one of the window's handlers on the stack; the window is not deleted under it.
    class Running;
    // Connects signal to handler, which then runs marked as Running.
    template <typename Sender, typename Signal>
    void on(Sender *sender, Signal signal, void (frmHexEditor::*handler)());

    void createWidgets();
    void createMenus();
    void connectHandlers();
    void showCount();
    void showMessage(const QString &text);
    // The program's own write of a view: not taken for an edit.
    void setViewText(TextBox *view, const QString &text);
    // Reads the view into the buffer and rebuilds the other view, then yields; an edit
    // made during the yield is converted in turn, so the editor never rests on a stale
    // conversion.
    void convertView(TextBox *view);
    bool refuseOversizedView();
    void applyFontSize(qint32 size);
    // Runs the shared Load/Save file dialog; false when the command is to end.
    bool runFileDialog(bool save);
    // Takes count bytes (at most the buffer) as the content and shows both views.
    void showContent(const quint8 *bytes, qint32 count);
    void loadRecord(const quint8 *bytes, qint32 count);
    Printer *thePrinter();
    // Shows a message through the main window's message box.
    void tell(const QString &message);

    frmSerial &main_;
    // The view edited last and not yet converted.
    TextBox *pendingView_ = nullptr;
    bool converting_ = false;
    // Handlers on the stack, and whether the window was closed under them.
    int running_ = 0;
    bool closedWhileRunning_ = false;
};
