#include "frmhexeditor.h"

#include "commondialog.h"
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
    connect(Text1, &TextBox::changed, this, &frmHexEditor::Text1_Change);
    connect(Text2, &TextBox::changed, this, &frmHexEditor::Text2_Change);
    connect(cmdUpdateAscii, &QPushButton::clicked, this, &frmHexEditor::cmdUpdateAscii_Click);
    connect(cmdUpdateHex, &QPushButton::clicked, this, &frmHexEditor::cmdUpdateHex_Click);
    connect(cmdUpdateAuto, &QPushButton::clicked, this, &frmHexEditor::cmdUpdateAuto_Click);

    connect(mnuLoadfile, &QAction::triggered, this, &frmHexEditor::mnuLoadfile_Click);
    connect(mnuSavefile, &QAction::triggered, this, &frmHexEditor::mnuSavefile_Click);
    connect(mnuLoadRXbuffer, &QAction::triggered, this, &frmHexEditor::mnuLoadRXbuffer_Click);
    connect(mnuLoadTXbuffer, &QAction::triggered, this, &frmHexEditor::mnuLoadTXbuffer_Click);
    connect(mnuSendContents, &QAction::triggered, this, &frmHexEditor::mnuSendContents_Click);
    connect(mnuPageSetup, &QAction::triggered, this, &frmHexEditor::mnuPageSetup_Click);
    connect(mnuPrint, &QAction::triggered, this, &frmHexEditor::mnuPrint_Click);
    connect(mnuExit, &QAction::triggered, this, &frmHexEditor::mnuExit_Click);
    connect(mnuClear, &QAction::triggered, this, &frmHexEditor::mnuClear_Click);
    connect(mnuFontSmall, &QAction::triggered, this, &frmHexEditor::mnuFontSmall_Click);
    connect(mnuFontMedium, &QAction::triggered, this, &frmHexEditor::mnuFontMedium_Click);
    connect(mnuFontLarge, &QAction::triggered, this, &frmHexEditor::mnuFontLarge_Click);
    connect(mnuHelp, &QAction::triggered, this, &frmHexEditor::mnuHelp_Click);
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
    Form_Unload();
    event->accept();
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

void frmHexEditor::ShowHexView()
{
    updatingViews = 1;
    Text1->setText(hexViewText(std::span(editBuffer).first(size_t(editCount))));
    updatingViews = 0;
}

void frmHexEditor::ShowAsciiView()
{
    asciiText = asciiViewText(std::span(editBuffer).first(size_t(editCount)));
    Text2->setText(asciiText);
}

void frmHexEditor::HexViewToBuffer()
{
    editCount = hexViewToBuffer(Text1->text(), editBuffer);
    showCount();
}

void frmHexEditor::AsciiViewToBuffer()
{
    editCount = asciiViewToBuffer(Text2->text(), editBuffer);
    showCount();
    ShowHexView();
}

void frmHexEditor::Text1_Change()
{
    if (updatingViews != 0)
        return;
    updatingViews = 1;
    if (autoUpdate == 1) {
        HexViewToBuffer();
        ShowAsciiView();
    }
    DoEvents();
    updatingViews = 0;
}

void frmHexEditor::Text2_Change()
{
    if (updatingViews != 0)
        return;
    updatingViews = 1;
    if (autoUpdate == 1)
        AsciiViewToBuffer();
    DoEvents();
    updatingViews = 0;
}

void frmHexEditor::cmdUpdateAscii_Click()
{
    updatingViews = 1;
    HexViewToBuffer();
    ShowAsciiView();
    DoEvents();
    updatingViews = 0;
}

void frmHexEditor::cmdUpdateHex_Click()
{
    AsciiViewToBuffer();
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
    // Only the first bytes that fit are taken from a longer file.
    QFile file(editFileName);
    QByteArray content;
    if (file.open(QIODevice::ReadOnly))
        content = file.read(kEditBufferSize);
    if (!file.isOpen() || file.error() != QFileDevice::NoError) {
        // Nothing read: the editor keeps its content and the name that goes with it.
        editFileName = previousName;
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
    writeFileSafely(editFileName,
                    QByteArray(reinterpret_cast<const char *>(editBuffer.data()), editCount));
}

void frmHexEditor::showContent(const quint8 *bytes, qint32 count)
{
    updatingViews = 1;
    std::memcpy(editBuffer.data(), bytes, size_t(count));
    editCount = count;
    ShowAsciiView();
    showCount();
    ShowHexView();
    updatingViews = 0;
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
    updatingViews = 1;
    Text1->setText(QString());
    Text2->setText(QString());
    editCount = 0;
    editBuffer.fill(0);
    updatingViews = 0;
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
    p->endDoc();
}
