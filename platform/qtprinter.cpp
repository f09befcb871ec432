#include "printer.h"

std::unique_ptr<Printer> makeQtPrinter()
{
    return nullptr; // realised in the printing work
}
