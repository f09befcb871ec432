#include "frmhexeditor.h"

#include "frmserial.h"

frmHexEditor::frmHexEditor(frmSerial &main, QWidget *parent) : QMainWindow(parent), main_(main)
{
    setWindowTitle(QStringLiteral("Hex Editor"));
    setObjectName(QStringLiteral("frmHexEditor"));
    setAttribute(Qt::WA_DeleteOnClose);
    Form_Load();
}

frmHexEditor::~frmHexEditor() = default;

void frmHexEditor::Form_Load() {}
