#include "windows/mainviews.h"

#include "platform/widgets/lamp.h"
#include "platform/widgets/textbox.h"
#include "windows/mainwidgets.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>

void MainViews::add(const QString &line)
{
    ui_.statusPane->appendText(line + QStringLiteral("\r\n"));
}

qsizetype MainViews::asciiLength() const
{
    return ui_.rxAsciiPane->length();
}

QString MainViews::hexText() const
{
    return ui_.rxHexPane->text();
}

void MainViews::append(const QString &ascii, const QString &hex)
{
    ui_.rxAsciiPane->appendText(ascii);
    ui_.rxHexPane->appendText(hex);
}

void MainViews::setTexts(const QString &ascii, const QString &hex)
{
    ui_.rxAsciiPane->setText(ascii);
    ui_.rxHexPane->setText(hex);
}

void MainViews::emptyFilled()
{
    for (TextBox *pane : {ui_.rxAsciiPane, ui_.rxHexPane})
        if (pane->length() > 0)
            pane->setText(QString());
}

void MainViews::showCount(qint32 count)
{
    ui_.rxCountBox->setText(QString::number(count));
}

QString MainViews::baudText() const
{
    return ui_.baudRateBox->text();
}

QString MainViews::comText() const
{
    return ui_.comNumberBox->text();
}

void MainViews::showOpen(bool open)
{
    ui_.connectLamp->setOn(open);
}

void MainViews::showDetail(const QString &detail)
{
    ui_.connectLamp->setToolTip(detail);
}

void MainViews::showComDevice(const QString &device)
{
    ui_.comNumberBox->setToolTip(
        device.isEmpty() ? QStringLiteral("No serial device for this number") : device);
}

void MainViews::showLineSettings(const QString &label)
{
    ui_.frameFormatLabel->setText(label);
}

void MainViews::clearEcho()
{
    ui_.txEchoPane->setText(QString());
}

void MainViews::appendEcho(const QString &text)
{
    ui_.txEchoPane->appendText(text);
}

void MainViews::showSentCount(qint64 count)
{
    ui_.txCountBox->setText(QString::number(count));
}

void MainViews::showItemRow(int row)
{
    ui_.itemBeingSentBox->setText(QString::number(row));
}

// The grey state of a check box counts as not ticked.
bool MainViews::addCr() const
{
    return ui_.addCrCheck->checkState() == Qt::Checked;
}

bool MainViews::addLf() const
{
    return ui_.addLfCheck->checkState() == Qt::Checked;
}

QString MainViews::rowDescription(int row) const
{
    return ui_.keyDescriptionBoxes[size_t(row)]->text();
}

QString MainViews::rowString(int row) const
{
    return ui_.keyStringBoxes[size_t(row)]->text();
}

void MainViews::showRow(int row, const QString &description, const QString &string)
{
    ui_.keyDescriptionBoxes[size_t(row)]->setText(description);
    ui_.keyStringBoxes[size_t(row)]->setText(string);
}

QString MainViews::pageText() const
{
    return ui_.bankPageBox->text();
}

void MainViews::setPageText(const QString &text)
{
    ui_.bankPageBox->setText(text);
}

QString MainViews::delayText() const
{
    return ui_.itemDelayBox->text();
}
