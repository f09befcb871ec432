#pragma once

class QWidget;

// Puts a top-level window into, or takes it out of, the windows kept above all others.
// The window keeps its position and size.
class clsOnTop
{
public:
    void MakeNormal(QWidget *window);
    void MakeTopMost(QWidget *window);
};
