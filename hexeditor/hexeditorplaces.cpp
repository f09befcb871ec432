#include "hexeditor/hexeditorplaces.h"

HexEditorPlaces hexEditorPlaces(const HexEditorPlaces &design, QSize designSize, QSize clientSize)
{
    const int dx = qMax(0, clientSize.width() - designSize.width());
    const int dy = qMax(0, clientSize.height() - designSize.height());
    const int hexShare = dx * 2 / 3;
    HexEditorPlaces p = design;
    p.hexView.adjust(0, 0, hexShare, dy);
    p.asciiView.adjust(hexShare, 0, dx, dy);
    p.middleRight = hexShare;
    p.captionsDown = dy;
    return p;
}
