#pragma once

#include "platform/widgets/twips.h"

#include <QSize>

// The hex editor's controls at the design size, in twips, in the order they are built.
inline constexpr TwipsPlace kHexEditorDesign[] = {
    {"hexPane", {240, 0, 8895, 5775}},
    {"asciiPane", {9600, 0, 3855, 5775}},
    {"hexToAsciiButton", {9180, 1560, 375, 375}},
    {"autoUpdateLamp", {9240, 2280, 255, 135}},
    {"autoUpdateButton", {9180, 2520, 375, 375}},
    {"asciiToHexButton", {9180, 3360, 375, 375}},
    {"fileNameLabel", {240, 5880, 6015, 255}},
    {"hexViewLabel", {6360, 5880, 855, 375}},
    {"lengthLabel", {7320, 5880, 1575, 255}},
    {"asciiViewLabel", {9720, 5880, 2055, 375}},
};
inline constexpr QSize kHexEditorClientSize(899, 414);
