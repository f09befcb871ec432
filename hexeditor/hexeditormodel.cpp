#include "hexeditor/hexeditormodel.h"

#include "hexeditor/hexviews.h"
#include "hexeditor/printlayout.h"
#include "platform/filedialog.h"
#include "platform/messagebox.h"
#include "platform/pacer.h"
#include "platform/printer.h"
#include "platform/savefile.h"
#include "terminal/byteforms.h"
#include "terminal/capturebuffer.h"
#include "terminal/options.h"
#include "terminal/records.h"
#include "transmit/transmitcontext.h"
#include "transmit/transmitrecord.h"

#include <QFile>

#include <vector>

namespace {

const QString kFileFilter = QStringLiteral("Text Files  *.txt |*.txt;|*.*|*.*");

} // namespace

HexEditorModel::HexEditorModel(HexEditorView &view, HexEditorDeps deps)
    : view_(view), deps_(std::move(deps))
{
}

HexEditorModel::~HexEditorModel() = default;

void HexEditorModel::open()
{
    autoUpdate_ = true;
    if (deps_.options.hexFont == 0)
        deps_.options.hexFont = int(FontChoice::Small);
    // Any other value leaves the view's font as it is (12 points, "Font Large" checked).
    if (const auto font = fontChoice(deps_.options.hexFont))
        view_.showFont(*font);
}

// ---- Views ---------------------------------------------------------------------------

void HexEditorModel::showHexView()
{
    const bool was = std::exchange(writing_, true);
    view_.setHexText(doc_.hexView());
    writing_ = was;
    hexShown_ = {view_.hexText(), true};
}

void HexEditorModel::showAsciiView()
{
    const bool was = std::exchange(writing_, true);
    view_.setAsciiText(doc_.asciiView());
    writing_ = was;
    asciiShown_ = {view_.asciiText(), true, asciiViewAgrees()};
}

bool HexEditorModel::asciiViewAgrees() const
{
    return asciiFormsReadBack(doc_.bytes());
}

void HexEditorModel::showBoth()
{
    showAsciiView();
    view_.showLength(doc_.size());
    showHexView();
}

bool HexEditorModel::readHexView()
{
    const QString text = view_.hexText();
    auto edit = doc_.readHexEdit(hexShown_.text, text);
    if (!edit)
        return refuseOverflow();
    hexShown_ = {text, false};
    view_.showLength(doc_.size());
    follow(Edit::Ascii, std::move(*edit));
    return true;
}

bool HexEditorModel::readAsciiView()
{
    const QString text = view_.asciiText();
    std::optional<ViewEdit> edit;
    if (asciiShown_.agrees) {
        edit = doc_.readAsciiEdit(asciiShown_.text, text);
        if (!edit)
            return refuseOverflow();
    } else if (!doc_.readAsciiView(text)) {
        return refuseOverflow();
    }
    asciiShown_ = {text, false};
    view_.showLength(doc_.size());
    follow(Edit::Hex, std::move(edit));
    return true;
}

// `edit` takes the view from the program's text of the bytes before the read to that of
// the bytes now. A view the user changed, or that is not the program's text, is compared
// with the whole new text instead. Only what really differs is replaced: the view lays out
// no more than that.
void HexEditorModel::follow(Edit which, std::optional<ViewEdit> edit)
{
    const bool hex = which == Edit::Hex;
    Shown &shown = hex ? hexShown_ : asciiShown_;
    QString now = hex ? view_.hexText() : view_.asciiText();
    const bool unchanged = now.size() == shown.text.size() &&
                           (now.constData() == shown.text.constData() || now == shown.text);
    std::vector<ViewEdit> parts; // applied in this order: a later part first
    const auto replace = [&](qsizetype from, qsizetype to, QStringView target) {
        const auto [same, sameEnd] = commonEnds(QStringView(now).sliced(from, to - from), target);
        if (to - from > same + sameEnd || target.size() > same + sameEnd)
            parts.push_back({from + same, to - sameEnd,
                             target.sliced(same, target.size() - same - sameEnd).toString()});
    };
    if (edit && shown.written && unchanged) {
        replace(edit->start, edit->end, edit->text);
    } else {
        // Split where the edit ends, so that the edit and a change of the user's elsewhere
        // are each replaced on their own.
        const QString whole = hex ? doc_.hexView() : doc_.asciiView();
        const qsizetype at = edit ? std::min(edit->end, now.size()) : now.size();
        const qsizetype wholeAt =
            edit ? std::min(edit->start + edit->text.size(), whole.size()) : whole.size();
        replace(at, now.size(), QStringView(whole).sliced(wholeAt));
        replace(0, at, QStringView(whole).first(wholeAt));
    }
    // Dropped first, so that the view changes its text in place instead of copying it.
    now.clear();
    shown.text.clear();
    const bool was = std::exchange(writing_, true);
    for (const ViewEdit &part : parts) {
        if (hex)
            view_.replaceHexText(part.start, part.end, part.text);
        else
            view_.replaceAsciiText(part.start, part.end, part.text);
    }
    writing_ = was;
    shown = {hex ? view_.hexText() : view_.asciiText(), true, hex || asciiViewAgrees()};
}

bool HexEditorModel::refuseOverflow()
{
    // Both views back to the bytes, rewriting only what the edit changed.
    follow(Edit::Hex, std::nullopt);
    follow(Edit::Ascii, std::nullopt);
    deps_.messages.show(
        QStringLiteral("The hex editor holds at most %1 bytes. The edit was undone.")
            .arg(HexDocument::kCapacity));
    return false;
}

void HexEditorModel::edited(Edit edit)
{
    if (writing_)
        return;
    (void)deps_.commands.run(conversions_, WhenBusy::Defer, [this, edit] { convertEdit(edit); });
}

void HexEditorModel::convertEdit(Edit edit)
{
    if (autoUpdate_)
        (void)(edit == Edit::Hex ? readHexView() : readAsciiView());
    if (!deps_.pacer.yieldOnce())
        conversions_.dropDeferred();
}

void HexEditorModel::hexEdited()
{
    edited(Edit::Hex);
}

void HexEditorModel::asciiEdited()
{
    edited(Edit::Ascii);
}

void HexEditorModel::convertHexToAscii()
{
    // Edits made while this lets events run are converted once it is done.
    (void)deps_.commands.run(conversions_, WhenBusy::Join, [this] {
        readHexView();
        if (!deps_.pacer.yieldOnce())
            conversions_.dropDeferred();
    });
}

void HexEditorModel::convertAsciiToHex()
{
    readAsciiView();
}

void HexEditorModel::toggleAutoUpdate()
{
    autoUpdate_ = !autoUpdate_;
    view_.showAutoUpdate(autoUpdate_);
}

// ---- Files, records and sending ------------------------------------------------------

bool HexEditorModel::askForFile(FileDialogMode mode)
{
    // The name field starts empty each time; after a failure the command goes on with the
    // name the dialog holds.
    const FileChoice choice =
        chooseFile(deps_.dialog, {mode, kFileFilter, QString(), QString()}, deps_.messages);
    if (choice.cancelled)
        return false;
    fileName_ = choice.path.value_or(QString());
    return true;
}

void HexEditorModel::loadFile()
{
    const QString previousName = fileName_;
    if (!askForFile(FileDialogMode::Open))
        return;
    if (fileName_.isEmpty()) {
        view_.showFileName(fileName_);
        return;
    }
    // Nothing read: the editor keeps its content and the name that goes with it.
    const auto failed = [&](const QString &why) {
        deps_.messages.show(readFailedMessage(std::exchange(fileName_, previousName), why));
    };
    QFile file(fileName_);
    if (QString why; !openRegularFile(file, &why))
        return failed(why);
    // One byte more than fits tells a longer file, whatever size the file reports.
    const QByteArray content = file.read(HexDocument::kCapacity + 1);
    if (file.error() != QFileDevice::NoError)
        return failed(file.errorString());
    if (content.size() > HexDocument::kCapacity) {
        // Taking only a part would let a save over the same name cut the file.
        const QString name = std::exchange(fileName_, previousName);
        const qint64 size = std::max<qint64>(file.size(), content.size());
        deps_.messages.show(
            QStringLiteral("The file %1 holds %2 bytes, more than the %3 bytes the "
                           "hex editor holds. It was not loaded.")
                .arg(name, QString::number(size), QString::number(HexDocument::kCapacity)));
        return;
    }
    view_.showFileName(fileName_);
    setContent(content);
}

void HexEditorModel::saveFile()
{
    if (!askForFile(FileDialogMode::Save) || fileName_.isEmpty())
        return;
    // Replaced in one step: a failed save leaves the old file as it was.
    if (const WriteResult saved = writeFileSafely(fileName_, doc_.bytes().toByteArray()); !saved)
        deps_.messages.show(saveFailedMessage(fileName_, saved.error));
}

void HexEditorModel::setContent(QByteArrayView bytes)
{
    const bool was = std::exchange(writing_, true);
    doc_.setContent(bytes);
    showBoth();
    writing_ = was;
}

void HexEditorModel::loadRxCapture()
{
    clear();
    setContent(deps_.capture.bytes());
}

void HexEditorModel::loadTxRecord()
{
    // A longer send than the record holds: only its first bytes are there to take.
    clear();
    setContent(deps_.record.stored());
}

void HexEditorModel::sendContents()
{
    // The record keeps the first bytes and the count; every byte goes out.
    deps_.record.record(doc_.bytes());
    deps_.sender.sendBytes(doc_.bytes().toByteArray());
}

void HexEditorModel::clear()
{
    const bool was = std::exchange(writing_, true);
    view_.setHexText(QString());
    view_.setAsciiText(QString());
    doc_.clear();
    writing_ = was;
    hexShown_ = {view_.hexText(), true};
    asciiShown_ = {view_.asciiText(), true};
    view_.showLength(0);
}

void HexEditorModel::chooseFont(FontChoice choice)
{
    deps_.options.hexFont = int(choice);
    view_.showFont(choice);
    (void)deps_.pacer.yieldOnce();
}

// ---- Printing ------------------------------------------------------------------------

Printer *HexEditorModel::printer()
{
    if (!printer_ && deps_.makePrinter)
        printer_ = deps_.makePrinter();
    return printer_.get();
}

void HexEditorModel::pageSetup()
{
    Printer *p = printer();
    if (!p || !p->available())
        return;
    p->showPrinterDialog(QStringLiteral("Page Setup"));
}

void HexEditorModel::printAll()
{
    Printer *p = printer();
    if (!p || !p->available())
        return;
    const QStringList lines = printAllLines(view_.hexText(), view_.asciiText());
    p->setCurrentX(kPrintStart.x());
    p->setCurrentY(kPrintStart.y());
    p->printLine(lines.first());
    p->setFont(printFontName, printFontSize);
    for (qsizetype i = 1; i < lines.size(); ++i)
        p->printLine(lines.at(i));
    if (!p->endDoc())
        deps_.messages.show(QStringLiteral("Could not print:\r\n") + p->errorString());
}
