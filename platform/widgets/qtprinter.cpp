#include "platform/widgets/qtprinter.h"

#include "platform/savefile.h"
#include "platform/widgets/dialogs.h"

#include <QBuffer>
#include <QDir>
#include <QFont>
#include <QFontMetrics>
#include <QList>
#include <QPainter>
#include <QPdfWriter>
#include <QPointer>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>

#include <algorithm>
#include <optional>

namespace {

struct Item
{
    enum Kind { X, Y, Font, Line } kind;
    QString text;
    QFont font;
    int twips;
};

QStringList splitLines(const QString &text)
{
    QStringList lines;
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c != u'\r' && c != u'\n')
            continue;
        lines << text.mid(start, i - start);
        if (c == u'\r' && i + 1 < text.size() && text.at(i + 1) == u'\n')
            ++i;
        start = i + 1;
    }
    lines << text.mid(start);
    return lines;
}

bool paint(QPagedPaintDevice &device, const QList<Item> &items)
{
    QPainter painter;
    if (!painter.begin(&device))
        return false;
    const int pageWidth = device.width();
    const int pageHeight = device.height();
    constexpr int kTwipsPerInch = 1440;
    const auto toX = [&](int twips) {
        return std::clamp(twips * device.logicalDpiX() / kTwipsPerInch, 0, pageWidth);
    };
    const auto toY = [&](int twips) {
        return std::clamp(twips * device.logicalDpiY() / kTwipsPerInch, 0, pageHeight);
    };
    int x = 0;
    int y = 0;
    for (const Item &item : items) {
        switch (item.kind) {
        case Item::X:
            x = toX(item.twips);
            break;
        case Item::Y:
            y = toY(item.twips);
            break;
        case Item::Font:
            painter.setFont(item.font);
            break;
        case Item::Line: {
            const QFontMetrics metrics = painter.fontMetrics();
            for (const QString &segment : splitLines(item.text)) {
                if (y > 0 && y + metrics.height() > pageHeight) {
                    device.newPage();
                    y = 0;
                }
                if (!segment.isEmpty())
                    painter.drawText(x, y + metrics.ascent(), segment);
                y += metrics.lineSpacing();
                x = 0;
            }
            break;
        }
        }
    }
    return painter.end();
}

// Lines are collected until endDoc() and then painted page by page: the printer is only
// opened when there is a whole document to send.
class QtPrinter : public Printer
{
public:
    QtPrinter(QWidget *parent, const QString &pdfFileName)
        : parent_(parent), printer_(QPrinter::HighResolution)
    {
        printer_.setDocName(QStringLiteral("Hex Editor"));
        if (!pdfFileName.isEmpty()) {
            printer_.setOutputFormat(QPrinter::PdfFormat);
            printer_.setOutputFileName(pdfFileName);
            toFile_ = true;
        }
    }

    bool available() const override
    {
        return toFile_ || !QPrinterInfo::availablePrinterNames().isEmpty();
    }

    bool showPrinterDialog(const QString &title) override
    {
        if (toFile_ || !available())
            return false;
        auto dialog = std::make_unique<QPrintDialog>(&printer_, parent_.data());
        dialog->setWindowTitle(title);
        return execOwned(dialog) == QDialog::Accepted;
    }

    void setCurrentX(int twips) override { items_.append(Item{Item::X, {}, {}, twips}); }
    void setCurrentY(int twips) override { items_.append(Item{Item::Y, {}, {}, twips}); }
    void setFont(const QString &name, double pointSize) override
    {
        QFont font(name);
        font.setPointSizeF(pointSize);
        // "Courier" and the like: keep a fixed pitch where the exact family is missing.
        font.setStyleHint(QFont::TypeWriter);
        font.setFixedPitch(true);
        items_.append(Item{Item::Font, {}, font, 0});
    }
    void printLine(const QString &text) override { items_.append(Item{Item::Line, text, {}, 0}); }

    bool endDoc() override
    {
        const QList<Item> items = std::move(items_);
        items_.clear();
        error_.clear();
        if (items.isEmpty() || !available())
            return true;
        // Also when "Print to File" was picked in the printer dialog.
        if (printer_.outputFormat() == QPrinter::PdfFormat && !printer_.outputFileName().isEmpty())
            return printToFile(items);
        if (!paint(printer_, items) || printer_.printerState() == QPrinter::Error) {
            error_ = QStringLiteral("The printer reported an error.");
            return false;
        }
        return true;
    }

    QString errorString() const override { return error_; }

private:
    // The document is made in memory and then replaces the file in one step, so that a
    // full disk neither half-writes it nor goes unnoticed.
    bool printToFile(const QList<Item> &items)
    {
        QBuffer pdf;
        pdf.open(QIODevice::WriteOnly);
        {
            QPdfWriter writer(&pdf);
            writer.setTitle(printer_.docName());
            writer.setResolution(printer_.resolution());
            writer.setPageLayout(printer_.pageLayout());
            if (!paint(writer, items)) {
                error_ = QStringLiteral("The document could not be made.");
                return false;
            }
        }
        const QString path = printer_.outputFileName();
        if (const WriteResult saved = writeFileSafely(path, pdf.data()); !saved) {
            error_ = QDir::toNativeSeparators(path) + QStringLiteral(": ") + saved.error;
            return false;
        }
        return true;
    }

    QPointer<QWidget> parent_;
    QPrinter printer_;
    bool toFile_ = false;
    QList<Item> items_;
    QString error_;
};

} // namespace

std::unique_ptr<Printer> makeQtPrinter(QWidget *parent, const QString &pdfFileName)
{
    return std::make_unique<QtPrinter>(parent, pdfFileName);
}
