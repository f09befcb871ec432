#include "transmit/bankpager.h"

#include "platform/pacer.h"
#include "terminal/numbers.h"
#include "transmit/bank.h"

BankPager::BankPager(SendKeyBank &bank, BankScreen &screen, Pacer &pacer)
    : bank_(bank), screen_(screen), pacer_(pacer)
{
}

void BankPager::showCurrentPage()
{
    for (int row = 0; row < SendKeyBank::kRows; ++row)
        screen_.showRow(row, bank_.description(page_, row), bank_.string(page_, row));
}

void BankPager::storeScreen()
{
    for (int row = 0; row < SendKeyBank::kRows; ++row) {
        bank_.setDescription(page_, row, screen_.rowDescription(row));
        bank_.setString(page_, row, screen_.rowString(row));
    }
}

void BankPager::pageTextChanged()
{
    if (!storeBlocked_)
        storeScreen();
    if (const auto page = acceptedPage(screen_.pageText()))
        page_ = *page;
    showCurrentPage();
}

void BankPager::takeScreenEdits()
{
    if (const auto ms = delayFromText(screen_.delayText()))
        pacer_.setPauseMs(Pacer::Pause::Item, *ms);
    if (const auto page = acceptedPage(screen_.pageText()))
        page_ = *page;
    storeScreen();
}

void BankPager::nextPage()
{
    const double x = numericPrefix(screen_.pageText());
    if (x > 0 && x < SendKeyBank::kPages)
        screen_.setPageText(numberText(x + 1));
}

void BankPager::previousPage()
{
    const double x = numericPrefix(screen_.pageText());
    if (x > 1 && x < SendKeyBank::kPages + 1)
        screen_.setPageText(numberText(x - 1));
}

void BankPager::copyPage()
{
    for (int row = 0; row < SendKeyBank::kRows; ++row) {
        clipDescriptions_[row] = bank_.description(page_, row);
        clipStrings_[row] = bank_.string(page_, row);
    }
}

void BankPager::pastePage()
{
    for (int row = 0; row < SendKeyBank::kRows; ++row) {
        bank_.setDescription(page_, row, clipDescriptions_[row]);
        bank_.setString(page_, row, clipStrings_[row]);
    }
    showCurrentPage();
}

void BankPager::clearKeys()
{
    bank_.clear();
    showFirstPageDiscardingScreen();
}

void BankPager::showFirstPageDiscardingScreen()
{
    // The rows on screen belong to a bank that no longer exists: never store them.
    storeBlocked_ = true;
    screen_.setPageText(QStringLiteral("1"));
    storeBlocked_ = false;
    page_ = 1;
    showCurrentPage();
}
