#include "textbox.h"

#include <QTextCursor>

TextBox::TextBox(QWidget *parent) : QPlainTextEdit(parent)
{
    setUndoRedoEnabled(false);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    connect(this, &QPlainTextEdit::textChanged, this, &TextBox::changed);
}

QString TextBox::text() const
{
    return toPlainText();
}

void TextBox::setText(const QString &text)
{
    setPlainText(text);
}

void TextBox::appendText(const QString &text)
{
    if (text.isEmpty())
        return;
    QTextCursor c(document());
    c.movePosition(QTextCursor::End);
    c.insertText(text);
}

qsizetype TextBox::length() const
{
    return document()->characterCount() - 1;
}

qsizetype TextBox::selStart() const
{
    return textCursor().position();
}

void TextBox::setSelStart(qsizetype pos)
{
    QTextCursor c = textCursor();
    c.setPosition(int(qBound<qsizetype>(0, pos, length())));
    setTextCursor(c);
}

void TextBox::setFontSize(double points)
{
    QFont f = font();
    f.setPointSizeF(points);
    setFont(f);
}
