#include "platform/widgets/latin1validator.h"

QValidator::State Latin1Validator::validate(QString &input, int &pos) const
{
    if (!isLatin1(input)) {
        // A surrogate pair before the cursor shrinks to one character.
        const qsizetype shift = pos - latin1Chars(input.left(pos)).size();
        input = latin1Chars(input);
        pos = int(qBound<qsizetype>(0, pos - shift, input.size()));
    }
    return Acceptable;
}
