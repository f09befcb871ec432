#pragma once

#include "commondialog.h"

#include <memory>

// The file dialog control realised with QFileDialog.
std::unique_ptr<CommonDialog> makeQtFileDialog(QWidget *parent);
