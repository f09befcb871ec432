#pragma once

#include <QtGlobal>

#include <array>
#include <cstdint>

// Program-wide records shared by the main window and the hex editor.

// Every received byte, in order of arrival: bytes 0 .. rxCaptureCount - 1.
inline constexpr int kRxCaptureSize = 100001;
extern std::array<quint8, kRxCaptureSize> rxCaptureBuffer;
extern qint32 rxCaptureCount;

// The bytes of the last single send or file send; only the first 2511 are kept while
// the count may be larger.
inline constexpr int kTxCaptureSize = 2511;
extern std::array<quint8, kTxCaptureSize> txCaptureBuffer;
extern qint32 txCaptureCount;

// Font choices kept in the settings file: 1 small, 2 medium, 3 large (0 = not chosen).
extern qint32 mainFontSize;
extern qint32 hexFontSize;

// Back to the state at program start (used by tests that create several windows).
void resetGlobals();
