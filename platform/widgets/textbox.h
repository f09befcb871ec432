#pragma once

#include <QPlainTextEdit>
#include <QString>

#include <vector>

class QTimer;

// A multi-line text box: editable, selectable, copyable, with a change event that also
// fires when the program sets or extends the text.
//
// text() is the box's text exactly as the program put it (or the user edited it);
// appendText() adds to the end without rewriting what is there, so a box holding
// hundreds of thousands of characters stays cheap to extend.
//
// The box keeps its text as one string and shows it in a QPlainTextEdit whose blocks
// each hold at most one screen line: a long line (a hex pane has no line breaks at
// all) becomes many short blocks, so an edit or an append lays out one line instead of
// a paragraph of a million characters. CR LF, lone CR and lone LF each end a shown
// line; what separates two blocks is remembered per block, so text() is exact.
// Appends by the program are shown at the next turn of the event loop; text(),
// length() and selStart() include them at once.
class TextBox : public QPlainTextEdit
{
    Q_OBJECT
public:
    explicit TextBox(QWidget *parent = nullptr);
    ~TextBox() override;

    QString text() const;
    void setText(const QString &text);
    void appendText(const QString &text);
    qsizetype length() const;

    // Caret position as an index into text().
    qsizetype selStart() const;
    void setSelStart(qsizetype pos);
    // The selected part of text() (empty without a selection).
    qsizetype selLength() const;
    QString selectedText() const;
    void setSelection(qsizetype start, qsizetype length);

    void setFontSize(double points);

    // A box whose text becomes bytes holds only ISO-8859-1 characters: with this on, any
    // other character that reaches it (typed, pasted, dropped, committed by an input
    // method or set by the program) becomes "?" in the box at once. Off by default.
    void setLatin1Only(bool on);
    bool latin1Only() const { return m_latin1Only; }

    // Replaces part of the text (fires changed()): as if the user had typed it, with the
    // caret after the new text, or with the caret and the view staying on their characters.
    enum class Caret { AfterText, Stays };
    void replaceText(qsizetype start, qsizetype end, const QString &text,
                     Caret caret = Caret::AfterText);

    // Brings the display up to date with text() now instead of at the next turn of
    // the event loop.
    void flush();

    // The editor's own text calls, routed to the exact text (the document holds the
    // split lines, so its plain text is not the box's text).
    QString toPlainText() const { return text(); }
    void setPlainText(const QString &text) { setText(text); }
    void clear() { setText(QString()); }
    void insertPlainText(const QString &text);
    void appendPlainText(const QString &text);

    // Characters per shown line used to split long lines.
    int lineChars() const { return m_lineChars; }
    // True when the shown document holds exactly text() (a self-check for tests).
    bool displayMatchesText() const;

signals:
    // After every change of the text, by the user or by the program.
    void changed();

protected:
    void keyPressEvent(QKeyEvent *e) override;
    void inputMethodEvent(QInputMethodEvent *e) override;
    void mousePressEvent(QMouseEvent *e) override;
    void mouseDoubleClickEvent(QMouseEvent *e) override;
    void contextMenuEvent(QContextMenuEvent *e) override;
    void dragEnterEvent(QDragEnterEvent *e) override;
    void dropEvent(QDropEvent *e) override;
    void resizeEvent(QResizeEvent *e) override;
    void changeEvent(QEvent *e) override;
    QMimeData *createMimeDataFromSelection() const override;
    void insertFromMimeData(const QMimeData *source) override;

private:
    friend class TextBoxAccessible;

    // What ends a shown block: nothing (last block), a split of a long line, or a line
    // break of the text.
    enum Sep : quint8 { SepNone, SepCont, SepCrLf, SepCr, SepLf };
    struct Seg
    {
        qsizetype start; // index in m_text of the block's first character
        int len;         // characters shown in the block
        Sep sep;         // what follows the block
    };
    static int sepLen(Sep s) { return s == SepCrLf ? 2 : (s == SepCr || s == SepLf) ? 1 : 0; }

    qsizetype segStart(int i) const;
    int segAt(qsizetype logical) const;
    qsizetype docToLogical(int docPos) const;
    int logicalToDoc(qsizetype logical) const;
    qsizetype docLength() const;

    void render(qsizetype from, qsizetype to, int firstLen, Sep trailing, std::vector<Seg> &segs,
                QString &doc) const;
    void renderAll();
    bool rerender(int first, int last, qsizetype delta, bool shown);
    void replaceSegs(int first, int last, const std::vector<Seg> &segs);
    void splice(qsizetype start, qsizetype end, const QString &text);
    void replaceDoc(int from, int to, const QString &doc);
    void flushAppends(qsizetype maxChars);
    void replaceTail(qsizetype start, qsizetype end, const QString &text);
    void flushStep();
    void normalizeDirty();
    void scheduleFlush();
    void setDocCursor(int anchor, int pos, bool keepScroll);
    int computeLineChars() const;
    void resplit();

    void onContentsChange(int pos, int removed, int added);
    void onDocTextChanged();
    void filterUserEdit();

    QString m_text;
    qsizetype m_flushedLen = 0; // m_text[0, m_flushedLen) is in the document
    mutable std::vector<Seg> m_segs;
    mutable int m_startsValid = 0; // m_segs[0, m_startsValid) have a valid start
    qsizetype m_caretRequest = -1;
    int m_dirtyFirst = -1, m_dirtyLast = -1; // blocks edited by the user, not yet re-split
    int m_lineChars = 80;
    bool m_internal = false;
    bool m_userEdit = false;
    bool m_inDrop = false;
    bool m_latin1Only = false;
    bool m_unfiltered = false;         // a user edit brought characters outside ISO-8859-1
    bool m_requestKeepsScroll = false; // m_caretRequest leaves the view where it is
    bool m_chunked = false; // the pending text is shown a chunk per turn of the event loop
    QTimer *m_flushTimer = nullptr;
};
