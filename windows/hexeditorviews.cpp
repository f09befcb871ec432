#include "windows/hexeditorviews.h"

#include "platform/widgets/lamp.h"
#include "platform/widgets/textbox.h"
#include "windows/hexeditorwidgets.h"

#include <QAction>
#include <QLabel>

QString HexEditorViews::hexText() const
{
    return ui_.hexPane->text();
}

QString HexEditorViews::asciiText() const
{
    return ui_.asciiPane->text();
}

void HexEditorViews::setHexText(const QString &text)
{
    ui_.hexPane->setText(text);
}

void HexEditorViews::setAsciiText(const QString &text)
{
    ui_.asciiPane->setText(text);
}

void HexEditorViews::replaceHexText(qsizetype start, qsizetype end, const QString &text)
{
    ui_.hexPane->replaceText(start, end, text, TextBox::Caret::Stays);
}

void HexEditorViews::replaceAsciiText(qsizetype start, qsizetype end, const QString &text)
{
    ui_.asciiPane->replaceText(start, end, text, TextBox::Caret::Stays);
}

void HexEditorViews::showLength(qint32 bytes)
{
    ui_.lengthLabel->setText(QStringLiteral("  LOF = ") + QString::number(bytes));
}

void HexEditorViews::showFileName(const QString &path)
{
    ui_.fileNameLabel->setText(path);
}

void HexEditorViews::showAutoUpdate(bool on)
{
    ui_.autoUpdateLamp->setOn(on);
}

void HexEditorViews::showFont(FontChoice choice)
{
    static constexpr double points[] = {8, 10, 12};
    ui_.fontSmallAction->setChecked(choice == FontChoice::Small);
    ui_.fontMediumAction->setChecked(choice == FontChoice::Medium);
    ui_.fontLargeAction->setChecked(choice == FontChoice::Large);
    ui_.hexPane->setFontSize(points[int(choice) - 1]);
    ui_.asciiPane->setFontSize(points[int(choice) - 1]);
}
