#include "frmhexeditor.h"

#include "commondialog.h"
#include "dialogs.h"
#include "frmserial.h"
#include "globals.h"
#include "messagebox.h"
#include "printer.h"
#include "printlayout.h"
#include "records.h"
#include "textbox.h"
#include "twips.h"
#include "yield.h"

#include <QAction>
#include <QCloseEvent>
#include <QFile>
#include <QFont>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>

#include <algorithm>
#include <cstring>
#include <utility>

namespace {

TextBox *makeView(QWidget *parent, int l, int t, int w, int h)
{
    auto *box = new TextBox(parent);
    QFont font(QStringLiteral("Courier New"), 12);
    font.setStyleHint(QFont::TypeWriter);
    box->setFont(font);
    box->setTabChangesFocus(true);
    place(box, l, t, w, h);
    return box;
}

const QString fileFilter = QStringLiteral("Text Files  *.txt |*.txt;|*.*|*.*");
constexpr int fileFlags = CommonDialog::cdlOFNHideReadOnly | CommonDialog::cdlOFNFileMustExist |
                          CommonDialog::cdlOFNLongNames;

} // namespace

frmHexEditor::frmHexEditor(frmSerial &main, QWidget *parent) : QMainWindow(parent), main_(main)
{
    setWindowTitle(QStringLiteral("Hex Editor"));
    setObjectName(QStringLiteral("frmHexEditor"));
    setAttribute(Qt::WA_DeleteOnClose);

    if (main_.services.makeFileDialog)
        dlgFile = main_.services.makeFileDialog(this);

    createWidgets();
    createMenus();
    connectHandlers();
    Form_Load();
}

frmHexEditor::~frmHexEditor() = default;

class frmHexEditor::Running
{
public:
    explicit Running(frmHexEditor &editor) : editor_(editor) { ++editor_.running_; }
    ~Running()
    {
        if (--editor_.running_ == 0 && std::exchange(editor_.closedWhileRunning_, false))
            editor_.deleteLater();
    }
    Running(const Running &) = delete;
    Running &operator=(const Running &) = delete;

private:
    frmHexEditor &editor_;
};

template <typename Sender, typename Signal>
void frmHexEditor::on(Sender *sender, Signal signal, void (frmHexEditor::*handler)())
{
    connect(sender, signal, this, [this, handler] {
        const Running running(*this);
        (this->*handler)();
    });
}

void frmHexEditor::createWidgets()
{
    client = new QWidget(this);
    client->setObjectName(QStringLiteral("client"));
    client->setFixedSize(px(13485), px(6210));
    setCentralWidget(client);
    QWidget *c = client;

    Text1 = makeView(c, 240, 0, 8895, 5775);
    Text1->setObjectName(QStringLiteral("Text1"));
    Text2 = makeView(c, 9600, 0, 3855, 5775);
    Text2->setObjectName(QStringLiteral("Text2"));
    Text2->setLatin1Only(true); // its characters are the buffer's bytes
    setTabOrder(Text1, Text2);

    cmdUpdateAscii = makeButton(c, QStringLiteral(">"), 9180, 1560, 375, 375);
    lblAuto = new QLabel(c);
    place(lblAuto, 9240, 2280, 255, 135);
    setBackColor(lblAuto, QColor(255, 0, 0));
    cmdUpdateAuto = makeButton(c, QStringLiteral("A"), 9180, 2520, 375, 375);
    cmdUpdateHex = makeButton(c, QStringLiteral("<"), 9180, 3360, 375, 375);

    lblFilename = makeLabel(c, QString(), 240, 5880, 6015, 255);
    lblFilename->setFrameShape(QFrame::Box);
    Label1 = makeLabel(c, QStringLiteral("HEX View"), 6360, 5880, 855, 375);
    lblLOF = makeLabel(c, QStringLiteral("  LOF = 0"), 7320, 5880, 1575, 255);
    lblLOF->setFrameShape(QFrame::Box);
    lblLOF->setBackgroundRole(QPalette::Base);
    lblLOF->setForegroundRole(QPalette::Text);
    lblLOF->setAutoFillBackground(true);
    Label2 = makeLabel(c, QStringLiteral("ASCII View"), 9720, 5880, 2055, 375);
    // One line each: a long file name is cut at the edge, not wrapped out of sight.
    for (QLabel *label : {lblFilename, Label1, lblLOF, Label2})
        label->setWordWrap(false);
}

void frmHexEditor::createMenus()
{
    QMenuBar *bar = menuBar();
    mnuFile = bar->addMenu(QStringLiteral("   File"));
    mnuLoadfile = mnuFile->addAction(QStringLiteral("Load Textfile"));
    mnuSavefile = mnuFile->addAction(QStringLiteral("Save Textfile"));
    mnuLoadRXbuffer = mnuFile->addAction(QStringLiteral("Load RX buffer"));
    mnuLoadTXbuffer = mnuFile->addAction(QStringLiteral("Load TX buffer"));
    mnuSendContents = mnuFile->addAction(QStringLiteral("Send Current HexEdit contents"));
    dd1 = mnuFile->addSeparator();
    mnuPageSetup = mnuFile->addAction(QStringLiteral("Page Setup"));
    mnuPrint = mnuFile->addAction(QStringLiteral("Print All"));
    mnuBar11 = mnuFile->addSeparator();
    mnuExit = mnuFile->addAction(QStringLiteral("Exit"));

    mnuEdit = bar->addMenu(QStringLiteral("Edit"));
    mnuClear = mnuEdit->addAction(QStringLiteral("Clear"));
    dd3 = mnuEdit->addSeparator();
    mnuFontSmall = mnuEdit->addAction(QStringLiteral("Font Small"));
    mnuFontMedium = mnuEdit->addAction(QStringLiteral("Font Medium"));
    mnuFontLarge = mnuEdit->addAction(QStringLiteral("Font Large"));
    for (QAction *a : {mnuFontSmall, mnuFontMedium, mnuFontLarge})
        a->setCheckable(true);
    mnuFontLarge->setChecked(true);

    mnuHelp = bar->addAction(QStringLiteral("Help"));
}

void frmHexEditor::connectHandlers()
{
    on(Text1, &TextBox::changed, &frmHexEditor::Text1_Change);
    on(Text2, &TextBox::changed, &frmHexEditor::Text2_Change);
    on(cmdUpdateAscii, &QPushButton::clicked, &frmHexEditor::cmdUpdateAscii_Click);
    on(cmdUpdateHex, &QPushButton::clicked, &frmHexEditor::cmdUpdateHex_Click);
    on(cmdUpdateAuto, &QPushButton::clicked, &frmHexEditor::cmdUpdateAuto_Click);

    on(mnuLoadfile, &QAction::triggered, &frmHexEditor::mnuLoadfile_Click);
    on(mnuSavefile, &QAction::triggered, &frmHexEditor::mnuSavefile_Click);
    on(mnuLoadRXbuffer, &QAction::triggered, &frmHexEditor::mnuLoadRXbuffer_Click);
    on(mnuLoadTXbuffer, &QAction::triggered, &frmHexEditor::mnuLoadTXbuffer_Click);
    on(mnuSendContents, &QAction::triggered, &frmHexEditor::mnuSendContents_Click);
    on(mnuPageSetup, &QAction::triggered, &frmHexEditor::mnuPageSetup_Click);
    on(mnuPrint, &QAction::triggered, &frmHexEditor::mnuPrint_Click);
    on(mnuExit, &QAction::triggered, &frmHexEditor::mnuExit_Click);
    on(mnuClear, &QAction::triggered, &frmHexEditor::mnuClear_Click);
    on(mnuFontSmall, &QAction::triggered, &frmHexEditor::mnuFontSmall_Click);
    on(mnuFontMedium, &QAction::triggered, &frmHexEditor::mnuFontMedium_Click);
    on(mnuFontLarge, &QAction::triggered, &frmHexEditor::mnuFontLarge_Click);
    on(mnuHelp, &QAction::triggered, &frmHexEditor::mnuHelp_Click);
}

// ---- Buffer and views ---------------------------------------------------------------

void frmHexEditor::Form_Load()
{
    autoUpdate = 1;
    if (hexFontSize == 0)
        hexFontSize = 1;
    applyFontSize(hexFontSize);
}

void frmHexEditor::Form_Unload() {}

void frmHexEditor::closeEvent(QCloseEvent *event)
{
    endOpenDialogs(this);
    Form_Unload();
    if (running_ > 0) {
        // Deleted by the last handler on its way out (Running).
        setAttribute(Qt::WA_DeleteOnClose, false);
        closedWhileRunning_ = true;
    }
    event->accept();
}

void frmHexEditor::showEvent(QShowEvent *event)
{
    // Shown again before the handlers under a close returned: the window stays.
    if (std::exchange(closedWhileRunning_, false))
        setAttribute(Qt::WA_DeleteOnClose);
    QMainWindow::showEvent(event);
}

void frmHexEditor::applyFontSize(qint32 size)
{
    // Any other value leaves the font as it is (12 points, "Font Large" checked).
    static constexpr double points[] = {8, 10, 12};
    if (size < 1 || size > 3)
        return;
    mnuFontSmall->setChecked(size == 1);
    mnuFontMedium->setChecked(size == 2);
    mnuFontLarge->setChecked(size == 3);
    Text1->setFontSize(points[size - 1]);
    Text2->setFontSize(points[size - 1]);
}

void frmHexEditor::showCount()
{
    lblLOF->setText(QStringLiteral("  LOF = ") + QString::number(editCount));
}

void frmHexEditor::showMessage(const QString &text)
{
    if (main_.services.messageBox)
        main_.services.messageBox->show(this, text);
}

void frmHexEditor::setViewText(TextBox *view, const QString &text)
{
    // An edit of this view still waiting for conversion is overwritten with it.
    if (pendingView_ == view)
        pendingView_ = nullptr;
    const qint32 was = std::exchange(updatingViews, 1);
    view->setText(text);
    updatingViews = was;
}

void frmHexEditor::ShowHexView()
{
    setViewText(Text1, hexViewText(std::span(editBuffer).first(size_t(editCount))));
}

void frmHexEditor::ShowAsciiView()
{
    asciiText = asciiViewText(std::span(editBuffer).first(size_t(editCount)));
    setViewText(Text2, asciiText);
}

bool frmHexEditor::HexViewToBuffer()
{
    const qint32 count = hexViewToBuffer(Text1->text(), editBuffer);
    if (count < 0)
        return refuseOversizedView();
    editCount = count;
    showCount();
    return true;
}

bool frmHexEditor::AsciiViewToBuffer()
{
    const qint32 count = asciiViewToBuffer(Text2->text(), editBuffer);
    if (count < 0)
        return refuseOversizedView();
    editCount = count;
    showCount();
    ShowHexView();
    return true;
}

bool frmHexEditor::refuseOversizedView()
{
    ShowHexView();
    ShowAsciiView();
    showMessage(QStringLiteral("The hex editor holds at most %1 bytes. The edit was undone.")
                    .arg(kEditBufferSize));
    return false;
}

void frmHexEditor::convertView(TextBox *view)
{
    pendingView_ = view;
    if (converting_)
        return; // taken up after the running conversion's yield
    converting_ = true;
    while (TextBox *from = std::exchange(pendingView_, nullptr)) {
        if (from == Text1) {
            if (HexViewToBuffer())
                ShowAsciiView();
        } else {
            AsciiViewToBuffer();
        }
        DoEvents();
    }
    converting_ = false;
}

void frmHexEditor::Text1_Change()
{
    if (updatingViews == 0 && autoUpdate == 1)
        convertView(Text1);
}

void frmHexEditor::Text2_Change()
{
    if (updatingViews == 0 && autoUpdate == 1)
        convertView(Text2);
}

void frmHexEditor::cmdUpdateAscii_Click()
{
    convertView(Text1);
}

void frmHexEditor::cmdUpdateHex_Click()
{
    convertView(Text2);
}

void frmHexEditor::cmdUpdateAuto_Click()
{
    if (autoUpdate == 0) {
        autoUpdate = 1;
        setBackColor(lblAuto, QColor(255, 0, 0));
    } else {
        autoUpdate = 0;
        setBackColor(lblAuto, QColor(255, 255, 255));
    }
}

// ---- Files, records and sending -----------------------------------------------------

bool frmHexEditor::runFileDialog(bool save)
{
    if (!dlgFile)
        return false;
    dlgFile->Filter = fileFilter;
    dlgFile->FileName = QString();
    dlgFile->Flags = fileFlags;
    const int error = save ? dlgFile->ShowSave() : dlgFile->ShowOpen();
    if (error == CommonDialog::cdlCancel)
        return false;
    if (error != 0 && main_.services.messageBox)
        main_.services.messageBox->show(
            this, CommonDialog::errorMessage(error, dlgFile->errorDescription()));
    editFileName = dlgFile->FileName;
    return true;
}

void frmHexEditor::mnuLoadfile_Click()
{
    asciiText.clear();
    const QString previousName = editFileName;
    if (!runFileDialog(false))
        return;
    if (editFileName.isEmpty()) {
        lblFilename->setText(editFileName);
        return;
    }
    QFile file(editFileName);
    QByteArray content;
    // One byte more than fits tells a longer file, whatever size the file reports.
    if (file.open(QIODevice::ReadOnly))
        content = file.read(kEditBufferSize + 1);
    if (!file.isOpen() || file.error() != QFileDevice::NoError) {
        // Nothing read: the editor keeps its content and the name that goes with it.
        editFileName = previousName;
        return;
    }
    if (content.size() > kEditBufferSize) {
        // Taking only a part would let a save over the same name cut the file.
        const QString name = std::exchange(editFileName, previousName);
        const qint64 size = std::max<qint64>(file.size(), content.size());
        showMessage(QStringLiteral("The file %1 holds %2 bytes, more than the %3 bytes the hex "
                                   "editor holds. It was not loaded.")
                        .arg(name, QString::number(size), QString::number(kEditBufferSize)));
        return;
    }
    lblFilename->setText(editFileName);

    const auto length = qint32(content.size());
    if (length < kEditBufferSize)
        editBuffer[size_t(length)] = 0;
    showContent(reinterpret_cast<const quint8 *>(content.constData()), length);
}

void frmHexEditor::mnuSavefile_Click()
{
    if (!runFileDialog(true) || editFileName.isEmpty())
        return;
    // Replaced in one step: a failed save leaves the old file as it was.
    const WriteResult saved = writeFileSafely(
        editFileName, QByteArray(reinterpret_cast<const char *>(editBuffer.data()), editCount));
    if (!saved)
        tell(saveFailedMessage(editFileName, saved.error));
}

void frmHexEditor::tell(const QString &message)
{
    if (main_.services.messageBox)
        main_.services.messageBox->show(this, message);
}

void frmHexEditor::showContent(const quint8 *bytes, qint32 count)
{
    std::memcpy(editBuffer.data(), bytes, size_t(count));
    editCount = count;
    ShowAsciiView();
    showCount();
    ShowHexView();
}

void frmHexEditor::loadRecord(const quint8 *bytes, qint32 count)
{
    mnuClear_Click();
    showContent(bytes, std::max(count, 0));
}

void frmHexEditor::mnuLoadRXbuffer_Click()
{
    loadRecord(rxCaptureBuffer.data(), std::min<qint32>(rxCaptureCount, kRxCaptureSize));
}

void frmHexEditor::mnuLoadTXbuffer_Click()
{
    // A longer send than the record holds: only its first bytes are there to take.
    loadRecord(txCaptureBuffer.data(), std::min<qint32>(txCaptureCount, kTxCaptureSize));
}

void frmHexEditor::mnuSendContents_Click()
{
    const qint32 stored = std::min<qint32>(editCount, kTxCaptureSize);
    std::copy_n(editBuffer.begin(), stored, txCaptureBuffer.begin());
    // The record holds what fits and counts every byte; all of them go out.
    txCaptureCount = editCount;
    main_.send_Array(QByteArray(reinterpret_cast<const char *>(editBuffer.data()),
                                qsizetype(std::max<qint32>(editCount, 0))));
}

void frmHexEditor::mnuClear_Click()
{
    setViewText(Text1, QString());
    setViewText(Text2, QString());
    editCount = 0;
    editBuffer.fill(0);
    showCount();
}

void frmHexEditor::mnuExit_Click()
{
    close();
}

void frmHexEditor::mnuFontSmall_Click()
{
    hexFontSize = 1;
    applyFontSize(1);
    DoEvents();
}

void frmHexEditor::mnuFontMedium_Click()
{
    hexFontSize = 2;
    applyFontSize(2);
    DoEvents();
}

void frmHexEditor::mnuFontLarge_Click()
{
    hexFontSize = 3;
    applyFontSize(3);
    DoEvents();
}

void frmHexEditor::mnuHelp_Click()
{
    main_.ShowHelpWindow();
}

// ---- Printing -----------------------------------------------------------------------

Printer *frmHexEditor::thePrinter()
{
    if (!printer && main_.services.makePrinter)
        printer = main_.services.makePrinter();
    return printer.get();
}

void frmHexEditor::mnuPageSetup_Click()
{
    Printer *p = thePrinter();
    if (!p || !p->available())
        return;
    p->showPrinterDialog(this, QStringLiteral("Page Setup"));
}

void frmHexEditor::mnuPrint_Click()
{
    Printer *p = thePrinter();
    if (!p || !p->available())
        return;
    const QStringList lines = printAllLines(Text1->text(), Text2->text());
    p->setCurrentX(-1000);
    p->setCurrentY(4000);
    p->printLine(lines.first());
    p->setFont(printFontName, printFontSize);
    for (qsizetype i = 1; i < lines.size(); ++i)
        p->printLine(lines.at(i));
    if (!p->endDoc())
        tell(QStringLiteral("Could not print:\r\n") + p->errorString());
}
