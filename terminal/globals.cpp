#include "globals.h"

std::array<quint8, kRxCaptureSize> rxCaptureBuffer{};
qint32 rxCaptureCount = 0;
std::array<quint8, kTxCaptureSize> txCaptureBuffer{};
qint32 txCaptureCount = 0;
qint32 mainFontSize = 0;
qint32 hexFontSize = 0;

void resetGlobals()
{
    rxCaptureBuffer.fill(0);
    rxCaptureCount = 0;
    txCaptureBuffer.fill(0);
    txCaptureCount = 0;
    mainFontSize = 0;
    hexFontSize = 0;
}
