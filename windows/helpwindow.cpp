#include "windows/helpwindow.h"

#include "platform/widgets/textbox.h"
#include "platform/widgets/twips.h"
#include "terminal/records.h"

#include <QDir>

HelpWindow::HelpWindow(const QString &folder, QWidget *parent) : QWidget(parent), folder_(folder)
{
    setWindowTitle(QStringLiteral("Help"));
    setObjectName(QStringLiteral("frmHelp"));
    setAttribute(Qt::WA_DeleteOnClose);
    // The window and its one control at the design size, in twips.
    constexpr TwipsRect kWindow{0, 0, 13110, 5310}, kPane{120, 0, 12855, 5175};
    constexpr int kPanePoints = 12;
    resize(px(kWindow.width), px(kWindow.height));

    helpPane = new TextBox(this);
    helpPane->setObjectName(QStringLiteral("Text1"));
    helpPane->setFont(QFont(QStringLiteral("Courier New"), kPanePoints));
    place(helpPane, kPane);
    loadHelpText();
}

void HelpWindow::loadHelpText()
{
    // Every byte is one character, exactly as stored.
    const auto bytes = readWholeFile(QDir(folder_).filePath(QStringLiteral("Help.txt")));
    helpPane->setText(bytes ? QString::fromLatin1(*bytes) : QString());
}
