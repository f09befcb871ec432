#pragma once

#include <QIcon>
#include <QImage>

// The program's icon, drawn in code so the bitmap sizes and the window icon need no
// image plugin: a DB-9 connector face over "0A 0D".
QImage orvoIconImage(int size);
QIcon orvoIcon();
