#pragma once

#include "platform/linesplit.h"

#include <QPlainTextEdit>
#include <QString>

#include <functional>

class QTimer;

// The editor inside a TextBox, reached only by the box and its accessibility.
//
// It keeps the box's text as one string and shows it in its document one line of a
// LineSplit per block: a long line (a hex pane has no line breaks at all) becomes many
// short blocks, so an edit or an append lays out one line instead of a paragraph of a
// million characters. Appends by the program are shown at the next turn of the event loop,
// a long replace nearest first and the rest in chunks; text(), length() and selStart()
// include them at once. The editor's own text calls (setPlainText, toPlainText, ...) speak
// of the document, not of the text: only the box's calls below may change the text.
class TextBoxEditor : public QPlainTextEdit
{
    Q_OBJECT
public:
    explicit TextBoxEditor(QWidget *parent);
    ~TextBoxEditor() override;

    [[nodiscard]] const QString &text() const { return m_text; }
    void setText(const QString &text);
    void appendText(const QString &text);
    // Replaces text()[start, end) as if typed: the caret after the new text, or with
    // `caretStays` the caret and the view on their characters.
    void replaceText(qsizetype start, qsizetype end, const QString &text, bool caretStays);
    // Replaces the selection, as typing or pasting does.
    void insertText(const QString &text);
    void setLatin1Only(bool on);

    [[nodiscard]] qsizetype selStart() const;
    void setSelStart(qsizetype pos);
    [[nodiscard]] qsizetype selLength() const;
    void setSelection(qsizetype start, qsizetype length);

    void flush();
    [[nodiscard]] int lineChars() const { return m_split.lineChars(); }
    [[nodiscard]] bool displayMatchesText() const;

    // Between text positions and document positions.
    [[nodiscard]] qsizetype docToText(int docPos) const;
    [[nodiscard]] int textToDoc(qsizetype pos) const;

    // Called after every change of the text: the box's changed(). A plain call, not a
    // signal relayed by the box, as a send may extend the box once per byte.
    void setChangeHandler(std::function<void()> handler) { m_changed = std::move(handler); }

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
    using End = LineSplit::End;
    // The display catches up with program appends at most once a frame: a send that extends
    // the box once per byte must not rebuild display lines once per byte.
    static constexpr int FlushDelayMs = 20;

    bool rerender(int first, int last, qsizetype delta, bool shown);
    void splice(qsizetype start, qsizetype end, const QString &text);
    void replaceTail(qsizetype start, qsizetype end, const QString &text);
    void replaceDoc(int from, int to, const QString &doc);
    void renderAll();
    void flushAppends(qsizetype maxChars);
    void flushStep();
    void normalizeDirty();
    void scheduleFlush();
    void setDocCursor(int anchor, int pos, bool keepScroll);
    [[nodiscard]] int computeLineChars() const;
    void resplit();
    void reportChange(qsizetype at, const QString &removed, const QString &added);

    void onContentsChange(int pos, int removed, int added);
    void onDocTextChanged();
    void filterUserEdit();

    QString m_text;
    LineSplit m_split; // the lines of text()[0, m_split.shownEnd()), one block each
    qsizetype m_caretRequest = -1;
    int m_dirtyFirst = -1, m_dirtyLast = -1; // blocks edited by the user, not yet re-split
    bool m_internal = false;
    bool m_userEdit = false;
    bool m_inDrop = false;
    bool m_latin1Only = false;
    bool m_unfiltered = false;         // a user edit brought characters outside ISO-8859-1
    bool m_requestKeepsScroll = false; // m_caretRequest leaves the view where it is
    bool m_chunked = false; // the pending text is shown a chunk per turn of the event loop
    QTimer *m_flushTimer = nullptr;
    std::function<void()> m_changed = [] {};
};
