#include "yield.h"

#include <QCoreApplication>
#include <QEventLoop>

namespace {
long long yields = 0;
}

void DoEvents()
{
    ++yields;
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void WaitForEvents()
{
    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
}

long long yieldCount()
{
    return yields;
}
