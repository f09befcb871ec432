#include "frmhelp.h"

#include "records.h"
#include "textbox.h"
#include "twips.h"

#include <QDir>

frmHelp::frmHelp(const QString &folder, QWidget *parent) : QWidget(parent), folder_(folder)
{
    setWindowTitle(QStringLiteral("Help"));
    setObjectName(QStringLiteral("frmHelp"));
    setAttribute(Qt::WA_DeleteOnClose);
    resize(px(13110), px(5310));

    Text1 = new TextBox(this);
    Text1->setObjectName(QStringLiteral("Text1"));
    Text1->setFont(QFont(QStringLiteral("Courier New"), 12));
    place(Text1, 120, 0, 12855, 5175);
    Form_Load();
}

void frmHelp::Form_Load()
{
    // Every byte is one character, exactly as stored.
    const auto bytes = readWholeFile(QDir(folder_).filePath(QStringLiteral("Help.txt")));
    Text1->setText(bytes ? QString::fromLatin1(*bytes) : QString());
}
