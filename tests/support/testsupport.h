#pragma once

#include "services.h"

#include <QString>

// Services for a window under test: the settings file and the program folder lie in the
// given temporary folder; dialogs and message boxes are fakes; no port and no printer
// unless the test sets one.
Services testServices(const QString &folder);
