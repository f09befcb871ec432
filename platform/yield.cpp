#include "yield.h"

#include <QCoreApplication>
#include <QEventLoop>

void DoEvents()
{
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void WaitForEvents()
{
    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
}
