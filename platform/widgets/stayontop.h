#pragma once

class QWidget;

// Puts a top-level window into, or takes it out of, the windows kept above all others.
// The window keeps its position and size.
void setStaysOnTop(QWidget *window, bool on);
