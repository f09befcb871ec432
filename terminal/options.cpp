#include "terminal/options.h"

std::optional<FontChoice> fontChoice(qint32 stored)
{
    if (stored < int(FontChoice::Small) || stored > int(FontChoice::Large))
        return std::nullopt;
    return FontChoice(stored);
}

bool toggleFollowingMark(bool checked, qint16 &value)
{
    value = checked ? 0 : 1;
    return !checked;
}

bool toggleFollowingValue(qint16 &value)
{
    value = value != 0 ? 0 : 1;
    return value == 1;
}
