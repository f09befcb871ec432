#pragma once

#include <QString>

// Characters are bytes: text that is sent, stored or saved as bytes holds only ISO-8859-1
// characters, and every other character stands as one "?" (a surrogate pair included).

bool isLatin1(QStringView text);
QString latin1Chars(const QString &text);
