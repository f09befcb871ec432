// The text box's editor: changes by the program.
#include "platform/widgets/textboxeditor.h"

#include "platform/latin1.h"

#include <QAccessible>
#include <QFontMetrics>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTimer>

namespace {

// A program change longer than this is shown nearest first, the rest in chunks on later
// turns of the event loop.
constexpr qsizetype DeferChars = 16384;
constexpr int FirstChunkDelayMs = 8;

} // namespace

TextBoxEditor::TextBoxEditor(QWidget *parent) : QPlainTextEdit(parent)
{
    setUndoRedoEnabled(false);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_split.setLineChars(computeLineChars());

    m_flushTimer = new QTimer(this);
    m_flushTimer->setSingleShot(true);
    m_flushTimer->setInterval(FlushDelayMs);
    connect(m_flushTimer, &QTimer::timeout, this, &TextBoxEditor::flushStep);
    connect(document(), &QTextDocument::contentsChange, this, &TextBoxEditor::onContentsChange);
    connect(this, &QPlainTextEdit::textChanged, this, &TextBoxEditor::onDocTextChanged);
}

TextBoxEditor::~TextBoxEditor() = default;

void TextBoxEditor::setText(const QString &text)
{
    const QString old = QAccessible::isActive() ? m_text : QString();
    m_text = m_latin1Only ? latin1Chars(text) : text;
    m_caretRequest = -1;
    renderAll();
    reportChange(0, old, m_text);
    m_changed();
}

void TextBoxEditor::appendText(const QString &added)
{
    if (added.isEmpty())
        return;
    const QString text = m_latin1Only ? latin1Chars(added) : added;
    const qsizetype at = m_text.size();
    m_text.append(text);
    scheduleFlush();
    if (QAccessible::isActive()) {
        QAccessibleTextInsertEvent ev(this, int(at), text);
        QAccessible::updateAccessibility(&ev);
    }
    m_changed();
}

void TextBoxEditor::setLatin1Only(bool on)
{
    m_latin1Only = on;
    if (on && !isLatin1(m_text))
        setText(m_text);
}

qsizetype TextBoxEditor::selStart() const
{
    if (m_caretRequest >= 0)
        return m_caretRequest;
    return docToText(textCursor().selectionStart());
}

void TextBoxEditor::setSelStart(qsizetype pos)
{
    pos = qBound<qsizetype>(0, pos, m_text.size());
    // The caret cannot stand inside a CR LF pair, which is shown as one line break.
    if (pos > 0 && pos < m_text.size() && m_text.at(pos - 1) == u'\r' && m_text.at(pos) == u'\n')
        --pos;
    if (m_split.shownEnd() < m_text.size()) {
        // Shown once the pending text is in the document.
        m_caretRequest = pos;
        m_requestKeepsScroll = false;
        scheduleFlush();
        return;
    }
    m_caretRequest = -1;
    normalizeDirty();
    const int d = textToDoc(pos);
    setDocCursor(d, d, false);
}

qsizetype TextBoxEditor::selLength() const
{
    if (m_caretRequest >= 0)
        return 0;
    const QTextCursor c = textCursor();
    return docToText(c.selectionEnd()) - docToText(c.selectionStart());
}

void TextBoxEditor::setSelection(qsizetype start, qsizetype length)
{
    flush();
    start = qBound<qsizetype>(0, start, m_text.size());
    const qsizetype end = qBound<qsizetype>(start, start + length, m_text.size());
    setDocCursor(textToDoc(start), textToDoc(end), false);
}

void TextBoxEditor::replaceText(qsizetype start, qsizetype end, const QString &text,
                                bool caretStays)
{
    start = qBound<qsizetype>(0, start, m_text.size());
    end = qBound<qsizetype>(start, end, m_text.size());
    const QString t = m_latin1Only ? latin1Chars(text) : text;
    normalizeDirty();
    qsizetype anchor = start + t.size();
    qsizetype pos = anchor;
    if (caretStays) {
        const auto moved = [&](qsizetype p) {
            return p <= start ? p : p >= end ? p + t.size() - (end - start) : anchor;
        };
        const QTextCursor c = textCursor();
        pos = moved(m_caretRequest >= 0 ? m_caretRequest : docToText(c.position()));
        anchor = m_caretRequest >= 0 ? pos : moved(docToText(c.anchor()));
    }
    const qsizetype span = qMax(end - start, t.size());
    const qsizetype shown = m_split.shownEnd();
    // A change reaching (nearly) to the end, or into text not shown yet, is shown nearest
    // first: rebuilding thousands of blocks at once would cost several frames.
    const bool tail = (shown < m_text.size() && start >= shown) ||
                      (span > DeferChars && m_text.size() - end <= span);
    if (tail) {
        replaceTail(start, end, t);
    } else {
        // A change well before text not shown yet leaves that text to be shown as it was.
        if (shown == m_text.size() || end >= shown ||
            m_split.lineAt(end) + 2 >= m_split.count() - 1)
            flush();
        splice(start, end, t);
    }
    // The caret cannot stand inside a CR LF pair, which is shown as one line break.
    const auto outsidePair = [this](qsizetype p) {
        return p > 0 && p < m_text.size() && m_text.at(p - 1) == u'\r' && m_text.at(p) == u'\n'
                   ? p - 1
                   : p;
    };
    anchor = outsidePair(anchor);
    pos = outsidePair(pos);
    if (qMax(anchor, pos) < m_split.shownEnd() || m_split.shownEnd() == m_text.size()) {
        m_caretRequest = -1;
        setDocCursor(textToDoc(anchor), textToDoc(pos), caretStays);
    } else {
        m_caretRequest = pos;
        m_requestKeepsScroll = caretStays;
    }
    if (tail) {
        // The first chunk waits so that the handler that made the change (which may let
        // events run) and the next paint come first.
        if (m_split.shownEnd() < m_text.size())
            m_flushTimer->start(FirstChunkDelayMs);
        else
            flush();
    }
    m_changed();
}

// Replaces text()[start, end) and its display; the display must be up to date.
void TextBoxEditor::splice(qsizetype start, qsizetype end, const QString &text)
{
    const int first = qMax(0, m_split.lineAt(start) - 1);
    const int last = qMin(m_split.count() - 1, m_split.lineAt(end) + 1);
    const QString removed = QAccessible::isActive() ? m_text.mid(start, end - start) : QString();
    m_text.replace(start, end - start, text);
    rerender(first, last, text.size() - (end - start), false);
    reportChange(start, removed, text);
}

// Like splice(), but shows only the blocks up to the end of the visible area now and
// the rest in chunks on later turns of the event loop. text() is exact at once; the
// caller has re-split the user's edits and places the caret and starts the chunks.
void TextBoxEditor::replaceTail(qsizetype start, qsizetype end, const QString &text)
{
    const QString removed = QAccessible::isActive() ? m_text.mid(start, end - start) : QString();
    const int top = verticalScrollBar()->value();
    if (start < m_split.shownEnd()) {
        // The document keeps the blocks before the change and an empty block to go on from.
        const int first = qMax(0, m_split.lineAt(start) - 1);
        const int from = document()->findBlockByNumber(first).position();
        replaceDoc(from, document()->characterCount() - 1, QString());
        m_split.replace(first, m_split.count() - 1, {LineSplit::Line{}});
    }
    m_text.replace(start, end - start, text);
    m_chunked = true;
    // The lines on screen and a screenful below, so that the view stays where it was.
    const int lines = viewport()->height() / qMax(1, QFontMetrics(font()).lineSpacing()) + 1;
    const int need = top + 2 * lines - (m_split.count() - 1);
    if (need > 0)
        flushAppends(qsizetype(need) * (lineChars() + 2));
    verticalScrollBar()->setValue(top);
    reportChange(start, removed, text);
}

void TextBoxEditor::reportChange(qsizetype at, const QString &removed, const QString &added)
{
    if (QAccessible::isActive()) {
        QAccessibleTextUpdateEvent ev(this, int(at), removed, added);
        QAccessible::updateAccessibility(&ev);
    }
}
