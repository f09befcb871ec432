#include "ontop.h"

void clsOnTop::MakeNormal(QWidget *) {}
void clsOnTop::MakeTopMost(QWidget *) {}
