#pragma once

#include "platform/printer.h"

#include <memory>

class QWidget;

// The system's printers; the printer dialog is shown over parent. With pdfFileName given,
// every document is written to that PDF file instead, and no dialog is ever shown.
std::unique_ptr<Printer> makeQtPrinter(QWidget *parent, const QString &pdfFileName = QString());
