#pragma once

#include "platform/widgets/services.h"

#include <QString>

// Services for a window under test: the settings file and the program folder lie in the
// given temporary folder; dialogs and message boxes are fakes; no port and no printer
// unless the test sets one.
Services testServices(const QString &folder);

// A caption as it reads: without the '&' that marks its mnemonic ("&&" stays one '&').
inline QString withoutMnemonic(QString caption)
{
    for (qsizetype i = 0; i < caption.size(); ++i)
        if (caption[i] == u'&')
            caption.remove(i, 1);
    return caption;
}
