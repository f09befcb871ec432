#pragma once

#include "transmit/bank.h"

#include <QString>

class Pacer;

// The twenty key rows, the page box and the delay box as the pager sees them.
class BankScreen
{
public:
    virtual ~BankScreen() = default;
    virtual QString rowDescription(int row) const = 0;
    virtual QString rowString(int row) const = 0;
    virtual void showRow(int row, const QString &description, const QString &string) = 0;
    virtual QString pageText() const = 0;
    // Sets the page box; like a text box, this raises the box's change (which the window
    // binds to pageTextChanged()) only when the text differs.
    virtual void setPageText(const QString &text) = 0;
    virtual QString delayText() const = 0;
};

// Which page the rows show, and moving the rows between screen and bank. The rows on
// screen are a copy of the page: edits reach the bank only when the rows are stored
// (page change, a run's start, Save Project, close).
class BankPager
{
public:
    BankPager(SendKeyBank &bank, BankScreen &screen, Pacer &pacer);

    int currentPage() const { return page_; }
    void setCurrentPage(int page) { page_ = page; }
    // Fills the rows from the current page.
    void showCurrentPage();
    // The page box changed: stores the rows into the page they belong to (unless a load or
    // clear just replaced the bank), then shows the page the box names, if it names one.
    void pageTextChanged();
    // The item pause from the delay box, the page from the page box, then the rows stored.
    void takeScreenEdits();
    // "+" and "-": move the page box between 1 and 50.
    void nextPage();
    void previousPage();
    // "Copy Page" copies the stored page (not the screen); "Paste Page" overwrites it.
    void copyPage();
    void pastePage();
    // "Clear Keys", and after "Load Project": page 1 shown, the rows on screen dropped.
    void clearKeys();
    void showFirstPageDiscardingScreen();

private:
    void storeScreen();

    SendKeyBank &bank_;
    BankScreen &screen_;
    Pacer &pacer_;
    int page_ = 0;
    bool storeBlocked_ = false;
    QString clipDescriptions_[SendKeyBank::kRows + 1];
    QString clipStrings_[SendKeyBank::kRows + 1];
};
