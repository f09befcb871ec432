#pragma once

#include <QRect>
#include <QSize>

// The hex editor's views take the extra room, two thirds of the width to the hex view;
// the buttons between them move right with the ASCII view and the captions below move down.
struct HexEditorPlaces
{
    QRect hexView, asciiView;
    int middleRight = 0; // the buttons, the lamp and the ASCII caption
    int captionsDown = 0;
};
HexEditorPlaces hexEditorPlaces(const HexEditorPlaces &design, QSize designSize, QSize clientSize);
