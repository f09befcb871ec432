#include "frmhelp.h"

#include "textbox.h"

frmHelp::frmHelp(const QString &folder, QWidget *parent) : QWidget(parent), folder_(folder)
{
    setWindowTitle(QStringLiteral("Help"));
    setAttribute(Qt::WA_DeleteOnClose);
    Text1 = new TextBox(this);
    Form_Load();
}

void frmHelp::Form_Load() {}
