#pragma once

#include "platform/latin1.h"

#include <QValidator>

// Rewrites whatever is typed, pasted, dropped or set into a QLineEdit to latin1Chars(), so
// the box shows exactly the bytes that its text becomes.
class Latin1Validator : public QValidator
{
    Q_OBJECT
public:
    using QValidator::QValidator;
    State validate(QString &input, int &pos) const override;
};
