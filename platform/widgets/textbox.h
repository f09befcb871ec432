#pragma once

#include <QString>
#include <QWidget>

class TextBoxEditor;

// A multi-line text box: editable, selectable, copyable, with a change event that also
// fires when the program sets or extends the text.
//
// text() is the box's text exactly as the program put it (or the user edited it): CR LF,
// lone CR and lone LF each end a shown line and come back as they were. appendText() adds
// to the end without rewriting what is there, so a box holding hundreds of thousands of
// characters stays cheap to extend; appends are shown at the next turn of the event loop,
// while text(), length() and selStart() include them at once.
//
// The box owns the editor that shows the text (its focus proxy, which also takes the keys
// given to the box); only the calls below reach the text.
class TextBox : public QWidget
{
    Q_OBJECT
public:
    explicit TextBox(QWidget *parent = nullptr);
    ~TextBox() override;

    [[nodiscard]] QString text() const;
    void setText(const QString &text);
    void appendText(const QString &text);
    [[nodiscard]] qsizetype length() const;

    // Caret position as an index into text().
    [[nodiscard]] qsizetype selStart() const;
    void setSelStart(qsizetype pos);
    // The selected part of text() (empty without a selection).
    [[nodiscard]] qsizetype selLength() const;
    [[nodiscard]] QString selectedText() const;
    void setSelection(qsizetype start, qsizetype length);

    // Replaces part of the text (fires changed()): as if the user had typed it, with the
    // caret after the new text, or with the caret and the view staying on their characters.
    enum class Caret { AfterText, Stays };
    void replaceText(qsizetype start, qsizetype end, const QString &text,
                     Caret caret = Caret::AfterText);

    // The clipboard, as the user's keys use it.
    void copy();
    void paste();

    void setFontSize(double points);
    // Tab moves the focus on instead of typing a tab.
    void setTabChangesFocus(bool on);

    // A box whose text becomes bytes holds only ISO-8859-1 characters: with this on, any
    // other character that reaches it (typed, pasted, dropped, committed by an input
    // method or set by the program) becomes "?" in the box at once. Off by default.
    void setLatin1Only(bool on);

    // Brings the display up to date with text() now instead of at the next turn of
    // the event loop.
    void flush();
    // Characters per shown line used to split long lines.
    [[nodiscard]] int lineChars() const;
    // True when the shown document holds exactly text() (a self-check for tests).
    [[nodiscard]] bool displayMatchesText() const;

signals:
    // After every change of the text, by the user or by the program.
    void changed();

protected:
    bool event(QEvent *e) override;
    void resizeEvent(QResizeEvent *e) override;

private:
    TextBoxEditor *m_editor;
};
