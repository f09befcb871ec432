#include "terminal/options.h"

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
