#pragma once

#include <QString>

// The printer the hex editor prints on. Lines are collected in order and the document is
// sent to the printer by endDoc().
class Printer
{
public:
    virtual ~Printer() = default;
    // Shows the printer dialog; the printer and settings chosen there are used by the next
    // job. Returns false on cancel or when there is no printer (then nothing is shown).
    virtual bool showPrinterDialog(const QString &title) = 0;
    // False when there is nothing to print on.
    virtual bool available() const = 0;
    // Print position in twips from the top left of the printable area. The horizontal one
    // holds for the next printed line only; the vertical one places the next line. Both
    // are kept within the page.
    virtual void setCurrentX(int twips) = 0;
    virtual void setCurrentY(int twips) = 0;
    // The font of the lines printed from now on.
    virtual void setFont(const QString &name, double pointSize) = 0;
    // Prints text and ends the line; CR LF, CR or LF inside the text also end a line.
    virtual void printLine(const QString &text) = 0;
    // Sends the document to the printer and starts a new, empty one. False when it could
    // not be printed; errorString() then says why.
    [[nodiscard]] virtual bool endDoc() = 0;
    virtual QString errorString() const = 0;
};
