#pragma once

#include <QString>

#include <memory>

class QWidget;

// The printer the hex editor prints on. Lines are printed in order; the document is
// sent to the printer by endDoc().
class Printer
{
public:
    virtual ~Printer() = default;
    // Shows the printer dialog; the choice made there is used by the next job.
    // Returns false on cancel or when there is no printer.
    virtual bool showPrinterDialog(QWidget *parent, const QString &title) = 0;
    virtual bool available() const = 0;
    virtual void setCurrentX(int twips) = 0;
    virtual void setCurrentY(int twips) = 0;
    virtual void setFont(const QString &name, double pointSize) = 0;
    virtual void printLine(const QString &text) = 0;
    virtual void endDoc() = 0;
};

std::unique_ptr<Printer> makeQtPrinter();
