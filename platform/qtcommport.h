#pragma once

#include "platform/commport.h"

#include <memory>

// The serial port control realised with QSerialPort.
std::unique_ptr<CommPort> makeQtCommPort();
