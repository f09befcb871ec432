// The text box's editor: the display of the text, one shown line per block.
#include "platform/widgets/textboxeditor.h"

#include <QFontInfo>
#include <QFontMetricsF>
#include <QScopedValueRollback>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTimer>

namespace {

// Blocks of a proportional font are cut at this many characters and wrapped by the
// editor; only fixed-pitch text is cut to the width of the box.
constexpr int ProportionalBlockChars = 1000;
constexpr int MinLineChars = 16;
// Text shown in chunks comes in at most this many blocks and characters a turn of the
// event loop (a few milliseconds each).
constexpr qsizetype ChunkBlocks = 400;
constexpr qsizetype ChunkChars = 32768;

} // namespace

void TextBoxEditor::flush()
{
    m_flushTimer->stop();
    m_flushTimer->setInterval(FlushDelayMs);
    m_chunked = false;
    normalizeDirty();
    flushAppends(-1);
    if (m_caretRequest >= 0) {
        const int d = textToDoc(m_caretRequest);
        m_caretRequest = -1;
        setDocCursor(d, d, m_requestKeepsScroll);
    }
}

void TextBoxEditor::flushStep()
{
    const qsizetype chunk = qMin(ChunkChars, ChunkBlocks * (lineChars() + 2));
    if (m_chunked && m_text.size() - m_split.shownEnd() > chunk) {
        flushAppends(chunk);
        m_flushTimer->start(0);
        return;
    }
    flush();
}

void TextBoxEditor::scheduleFlush()
{
    if (!m_flushTimer->isActive())
        m_flushTimer->start();
}

// Shows the text not yet in the document: all of it, or with maxChars >= 0 about that
// much. The last shown line is split again with what follows it, as if all came at once.
void TextBoxEditor::flushAppends(qsizetype maxChars)
{
    const qsizetype shown = m_split.shownEnd();
    if (shown >= m_text.size())
        return;
    const qsizetype to = maxChars < 0 ? m_text.size() : qMin(m_text.size(), shown + maxChars);
    const int docAnchor = textCursor().anchor();
    const int docPos = textCursor().position();
    const qsizetype anchor = docToText(docAnchor);
    const qsizetype pos = docToText(docPos);
    const LineSplit::Tail tail = m_split.extend(m_text, to);

    // The document keeps the characters it shows alike already (read from its blocks: a
    // cursor would lay them out).
    const QTextBlock firstBlock = document()->findBlockByNumber(tail.first);
    QString old = firstBlock.text();
    for (QTextBlock b = firstBlock.next(); b.isValid(); b = b.next())
        old += QChar(QChar::ParagraphSeparator) + b.text();
    qsizetype same = 0;
    while (same < old.size() && same < tail.shown.size() && old[same] == tail.shown[same])
        ++same;
    const int end = document()->characterCount() - 1;
    const int keep = firstBlock.position() + int(same);
    replaceDoc(keep, end, tail.shown.mid(same));
    // Appending leaves the caret where it was; the program moves it when it wants to.
    const auto place = [&](int doc, qsizetype text) { return doc <= keep ? doc : textToDoc(text); };
    const int newAnchor = place(docAnchor, anchor);
    const int newPos = place(docPos, pos);
    const QTextCursor after = textCursor();
    if (after.position() != newPos || after.anchor() != newAnchor)
        setDocCursor(newAnchor, newPos, true);
}

void TextBoxEditor::renderAll()
{
    const QString doc = m_split.reset(m_text);
    m_dirtyFirst = m_dirtyLast = -1;
    m_flushTimer->stop();
    const QScopedValueRollback internal(m_internal, true);
    QPlainTextEdit::setPlainText(doc);
}

// Re-splits blocks first..last after their text changed by `delta` characters (the
// text following them and the break after `last` are unchanged). Unless `shown` says the
// document already holds the new characters, they are written. Returns false when
// nothing had to change.
bool TextBoxEditor::rerender(int first, int last, qsizetype delta, bool shown)
{
    const qsizetype from = m_split.start(first);
    const qsizetype oldTo = m_split.start(last) + m_split.length(last);
    LineSplit::Lines lines = m_split.split(m_text, from, oldTo + delta, m_split.end(last));
    if (shown && delta == 0 && int(lines.lines.size()) == last - first + 1) {
        bool same = true;
        for (size_t i = 0; i < lines.lines.size() && same; ++i)
            same = lines.lines[i].len == m_split.length(first + int(i)) &&
                   lines.lines[i].end == m_split.end(first + int(i));
        if (same)
            return false;
    }
    const int docFrom = document()->findBlockByNumber(first).position();
    const QTextBlock lb = document()->findBlockByNumber(last);
    replaceDoc(docFrom, lb.position() + lb.length() - 1, lines.shown);
    m_split.replace(first, last, lines.lines);
    return true;
}

void TextBoxEditor::replaceDoc(int from, int to, const QString &doc)
{
    const QScopedValueRollback internal(m_internal, true);
    QTextCursor c(document());
    c.beginEditBlock();
    c.setPosition(from);
    c.setPosition(to, QTextCursor::KeepAnchor);
    if (doc.isEmpty())
        c.removeSelectedText();
    else
        c.insertText(doc);
    c.endEditBlock();
}

void TextBoxEditor::setDocCursor(int anchor, int pos, bool keepScroll)
{
    const int h = horizontalScrollBar()->value();
    const int v = verticalScrollBar()->value();
    QTextCursor c(document());
    c.setPosition(anchor);
    c.setPosition(pos, QTextCursor::KeepAnchor);
    setTextCursor(c);
    if (keepScroll) {
        horizontalScrollBar()->setValue(h);
        verticalScrollBar()->setValue(v);
    }
}

int TextBoxEditor::computeLineChars() const
{
    if (!QFontInfo(font()).fixedPitch())
        return ProportionalBlockChars;
    const QFontMetricsF fm(font());
    const qreal cw = fm.horizontalAdvance(QString(64, u'0')) / 64.0;
    const qreal avail = viewport()->width() - 2 * document()->documentMargin() - 2;
    if (cw <= 0)
        return ProportionalBlockChars;
    return qMax(MinLineChars, int(avail / cw));
}

void TextBoxEditor::resplit()
{
    const int w = computeLineChars();
    if (w == lineChars())
        return;
    m_split.setLineChars(w);
    if (m_text.isEmpty())
        return;
    const QTextCursor c = textCursor();
    const qsizetype anchor = docToText(c.anchor());
    const qsizetype pos = docToText(c.position());
    const qsizetype top = docToText(firstVisibleBlock().position());
    const qsizetype request = m_caretRequest;
    renderAll();
    setDocCursor(textToDoc(anchor), textToDoc(pos), false);
    verticalScrollBar()->setValue(document()->findBlock(textToDoc(top)).blockNumber());
    if (request >= 0) {
        m_caretRequest = request;
        scheduleFlush();
    }
}

qsizetype TextBoxEditor::docToText(int docPos) const
{
    const QTextBlock b = document()->findBlock(qMax(0, docPos));
    const int n = b.isValid() ? b.blockNumber() : m_split.count() - 1;
    if (n < 0 || n >= m_split.count())
        return m_split.shownEnd();
    return m_split.textPos(n, b.isValid() ? docPos - b.position() : m_split.length(n));
}

int TextBoxEditor::textToDoc(qsizetype pos) const
{
    pos = qBound<qsizetype>(0, pos, m_split.shownEnd());
    const int n = m_split.lineAt(pos);
    const qsizetype off = qMin<qsizetype>(pos - m_split.start(n), m_split.length(n));
    return document()->findBlockByNumber(n).position() + int(off);
}

bool TextBoxEditor::displayMatchesText() const
{
    if (m_split.shownEnd() != m_text.size() || m_split.count() != document()->blockCount())
        return false;
    QTextBlock b = document()->begin();
    for (int i = 0; i < m_split.count(); ++i, b = b.next()) {
        QString shown;
        LineSplit::appendShown(shown, QStringView(m_text).mid(m_split.start(i), m_split.length(i)));
        if (b.text() != shown)
            return false;
        const End e = m_split.end(i);
        if (i + 1 == m_split.count() ? e != End::None : e == End::None)
            return false;
        const QStringView brk = QStringView(m_text).mid(m_split.start(i) + m_split.length(i),
                                                        LineSplit::breakLength(e));
        if ((e == End::CrLf && brk != u"\r\n") || (e == End::Cr && brk != u"\r") ||
            (e == End::Lf && brk != u"\n"))
            return false;
    }
    return m_split.start(m_split.count() - 1) + m_split.length(m_split.count() - 1) ==
           m_text.size();
}
