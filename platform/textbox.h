#pragma once

#include <QPlainTextEdit>
#include <QString>

// A multi-line text box: editable, selectable, copyable, with a change event that also
// fires when the program sets or extends the text.
//
// text() is the box's text exactly as the program put it (or the user edited it);
// appendText() adds to the end without rewriting what is there, so a box holding
// hundreds of thousands of characters stays cheap to extend.
class TextBox : public QPlainTextEdit
{
    Q_OBJECT
public:
    explicit TextBox(QWidget *parent = nullptr);

    QString text() const;
    void setText(const QString &text);
    void appendText(const QString &text);
    qsizetype length() const;

    // Caret position as an index into text().
    qsizetype selStart() const;
    void setSelStart(qsizetype pos);

    void setFontSize(double points);

signals:
    // After every change of the text, by the user or by the program.
    void changed();
};
