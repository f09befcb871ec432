#pragma once

#include <QString>
#include <QValidator>

// Characters are bytes: text that is sent, stored or saved as bytes holds only ISO-8859-1
// characters, and every other character stands as one "?" (a surrogate pair included).

bool isLatin1(QStringView text);
QString latin1Chars(const QString &text);

// Rewrites whatever is typed, pasted, dropped or set into a QLineEdit to latin1Chars(), so
// the box shows exactly the bytes that its text becomes.
class Latin1Validator : public QValidator
{
    Q_OBJECT
public:
    using QValidator::QValidator;
    State validate(QString &input, int &pos) const override;
};
