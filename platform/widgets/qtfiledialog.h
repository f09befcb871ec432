#pragma once

#include "platform/filedialog.h"

#include <QStringList>

#include <memory>

class QWidget;

// The file dialog realised with QFileDialog.
std::unique_ptr<FileDialog> makeQtFileDialog(QWidget *parent);

// Qt name filters for a dialog filter string of label|pattern pairs, each part followed
// by "|" ("All Files (*.*)|*.*|"). Patterns separated by ";" make one filter; "*.*"
// matches every file, as users of such filters expect.
QStringList nameFiltersFromFilter(const QString &filter);
