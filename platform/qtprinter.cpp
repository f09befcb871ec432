#include "printer.h"

#include "dialogs.h"

#include <QFont>
#include <QFontMetrics>
#include <QList>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>

#include <algorithm>
#include <optional>

namespace {

// Lines are collected until endDoc() and then painted page by page: the printer is only
// opened when there is a whole document to send.
class QtPrinter : public Printer
{
public:
    explicit QtPrinter(const QString &pdfFileName) : printer_(QPrinter::HighResolution)
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

    bool showPrinterDialog(QWidget *parent, const QString &title) override
    {
        if (toFile_ || !available())
            return false;
        auto dialog = std::make_unique<QPrintDialog>(&printer_, parent);
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

    void endDoc() override
    {
        const QList<Item> items = std::move(items_);
        items_.clear();
        if (items.isEmpty() || !available())
            return;
        QPainter painter;
        if (!painter.begin(&printer_))
            return;
        const int pageWidth = printer_.width();
        const int pageHeight = printer_.height();
        const auto toX = [&](int twips) {
            return std::clamp(twips * printer_.logicalDpiX() / 1440, 0, pageWidth);
        };
        const auto toY = [&](int twips) {
            return std::clamp(twips * printer_.logicalDpiY() / 1440, 0, pageHeight);
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
                        printer_.newPage();
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
        painter.end();
    }

private:
    struct Item
    {
        enum Kind { X, Y, Font, Line } kind;
        QString text;
        QFont font;
        int twips;
    };

    static QStringList splitLines(const QString &text)
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

    QPrinter printer_;
    bool toFile_ = false;
    QList<Item> items_;
};

} // namespace

std::unique_ptr<Printer> makeQtPrinter(const QString &pdfFileName)
{
    return std::make_unique<QtPrinter>(pdfFileName);
}
