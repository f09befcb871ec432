// The text box's editor: edits by the user, carried over from the document into the text.
#include "platform/latin1.h"
#include "platform/widgets/textboxeditor.h"

#include <QAccessible>
#include <QKeyEvent>
#include <QMimeData>
#include <QScopedValueRollback>
#include <QTextBlock>
#include <QTextCursor>
#include <QTimer>

#include <algorithm>

// The document reports where it changed. A report that does not fit the length
// change is taken as "somewhere in the document". The old and new contents are
// compared to find the part that really changed, which is carried over into m_text.
void TextBoxEditor::onContentsChange(int pos, int removed, int added)
{
    if (m_internal)
        return;
    const qsizetype oldLen = m_split.shownLength();
    const qsizetype newLen = qsizetype(document()->characterCount()) - 1;
    qsizetype p0 = pos;
    qsizetype rem = removed;
    qsizetype add = added;
    const bool exact = p0 >= 0 && rem >= 0 && add >= 0 && p0 + rem <= oldLen &&
                       p0 + add <= newLen && add - rem == newLen - oldLen;
    if (!exact) {
        // Not a usable report: compare the whole document.
        p0 = 0;
        rem = oldLen;
        add = newLen;
    }

    // The old document text of [p0, p0 + rem), rebuilt from m_text.
    const int lastLine = m_split.count() - 1;
    const QTextBlock b0 = document()->findBlock(int(p0));
    int line = b0.isValid() ? b0.blockNumber() : lastLine;
    qsizetype lineDoc = b0.isValid() ? b0.position() : oldLen - m_split.length(lastLine);
    QString oldDoc;
    oldDoc.reserve(rem);
    {
        int i = line;
        qsizetype ld = lineDoc;
        for (qsizetype x = p0; x < p0 + rem && i <= lastLine;) {
            const int len = m_split.length(i);
            const qsizetype off = x - ld;
            if (off < len) {
                const qsizetype n = qMin<qsizetype>(len - off, p0 + rem - x);
                LineSplit::appendShown(oldDoc, QStringView(m_text).mid(m_split.start(i) + off, n));
                x += n;
            } else {
                oldDoc.append(QChar::ParagraphSeparator);
                ++x;
                ld += len + 1;
                ++i;
            }
        }
    }
    QTextCursor c(document());
    c.setPosition(int(p0));
    c.setPosition(int(p0 + add), QTextCursor::KeepAnchor);
    const QString newDoc = c.selectedText();

    if (oldDoc == newDoc) // a change of format only
        return;
    const qsizetype lim = qMin(oldDoc.size(), newDoc.size());
    qsizetype pre = 0;
    while (pre < lim && oldDoc[pre] == newDoc[pre])
        ++pre;
    qsizetype suf = 0;
    while (suf < lim - pre && oldDoc[oldDoc.size() - 1 - suf] == newDoc[newDoc.size() - 1 - suf])
        ++suf;

    // Old blocks holding the start and the end of the changed part.
    const qsizetype cs = p0 + pre;
    const qsizetype ce = p0 + rem - suf;
    while (line < lastLine && cs > lineDoc + m_split.length(line)) {
        lineDoc += m_split.length(line) + 1;
        ++line;
    }
    const int first = line;
    const qsizetype l0 = m_split.start(first) + (cs - lineDoc);
    while (line < lastLine && ce > lineDoc + m_split.length(line)) {
        lineDoc += m_split.length(line) + 1;
        ++line;
    }
    const int last = line;
    const qsizetype l1 = m_split.start(last) + qMin<qsizetype>(ce - lineDoc, m_split.length(last));

    // New blocks: a typed line break is CR LF.
    const QStringView ins = QStringView(newDoc).mid(pre, newDoc.size() - suf - pre);
    QString typed;
    typed.reserve(ins.size());
    int breaks = 0;
    for (QChar ch : ins) {
        if (ch == QChar::ParagraphSeparator) {
            typed.append(u"\r\n");
            ++breaks;
        } else {
            typed.append(ch);
        }
    }
    std::vector<LineSplit::Line> lines;
    QTextBlock blk = document()->findBlockByNumber(first);
    for (int i = 0; i <= breaks && blk.isValid(); ++i, blk = blk.next())
        lines.push_back({blk.length() - 1, i < breaks ? End::CrLf : m_split.end(last)});

    if (m_latin1Only && !isLatin1(typed))
        m_unfiltered = true;
    const QString removedText = QAccessible::isActive() ? m_text.mid(l0, l1 - l0) : QString();
    m_text.replace(l0, l1 - l0, typed);
    m_split.replace(first, last, lines);
    m_dirtyFirst = m_dirtyFirst < 0 ? first : qMin(m_dirtyFirst, first);
    m_dirtyLast = qMax(m_dirtyLast, first + breaks);
    m_userEdit = true;
    scheduleFlush();
    reportChange(l0, removedText, typed);
}

void TextBoxEditor::onDocTextChanged()
{
    if (m_internal || !m_userEdit)
        return;
    m_userEdit = false;
    if (m_unfiltered)
        filterUserEdit();
    m_changed();
}

// Typing, dropping, an input method or the editor's own menu put text into the document
// directly, so a character outside ISO-8859-1 is caught once the edit is done and turned
// into "?" before changed() fires. Caret and selection stay on their characters.
void TextBoxEditor::filterUserEdit()
{
    m_unfiltered = false;
    flush();
    const auto outside = [](QChar c) { return c.unicode() > 0xFF; };
    const auto firstIt = std::find_if(m_text.cbegin(), m_text.cend(), outside);
    if (firstIt == m_text.cend())
        return;
    const qsizetype first = firstIt - m_text.cbegin();
    qsizetype last = m_text.size() -
                     (std::find_if(m_text.crbegin(), m_text.crend(), outside) - m_text.crbegin());
    const QString shown = latin1Chars(m_text.mid(first, last - first));
    const auto moved = [&](qsizetype p) {
        if (p <= first)
            return p;
        if (p >= last)
            return p + shown.size() - (last - first);
        return first + latin1Chars(m_text.mid(first, p - first)).size();
    };
    const QTextCursor c = textCursor();
    const qsizetype anchor = moved(docToText(c.anchor()));
    const qsizetype pos = moved(docToText(c.position()));
    splice(first, last, shown);
    setDocCursor(textToDoc(anchor), textToDoc(pos), false);
}

// Re-splits the blocks the user edited, once the edit is done.
void TextBoxEditor::normalizeDirty()
{
    if (m_dirtyFirst < 0)
        return;
    const int n = m_split.count();
    const int first = qBound(0, m_dirtyFirst - 1, n - 1);
    const int last = qBound(first, m_dirtyLast + 1, n - 1);
    m_dirtyFirst = m_dirtyLast = -1;
    const QTextCursor c = textCursor();
    const qsizetype anchor = docToText(c.anchor());
    const qsizetype pos = docToText(c.position());
    if (rerender(first, last, qsizetype(0), true))
        setDocCursor(textToDoc(anchor), textToDoc(pos), false);
}

void TextBoxEditor::insertText(const QString &text)
{
    flush();
    const QTextCursor c = textCursor();
    replaceText(docToText(c.selectionStart()), docToText(c.selectionEnd()), text, false);
}

// --- Input ------------------------------------------------------------------------

void TextBoxEditor::keyPressEvent(QKeyEvent *e)
{
    flush();
    const Qt::KeyboardModifiers mods = e->modifiers() & ~Qt::KeypadModifier;
    const int key = e->key();
    if ((key == Qt::Key_Return || key == Qt::Key_Enter) && (mods & ~Qt::ShiftModifier) == 0 &&
        !isReadOnly()) {
        // A typed line break is CR LF, shifted or not. It goes into the text directly: in
        // the document it would look the same as a line break it replaces.
        insertText(QStringLiteral("\r\n"));
        e->accept();
        return;
    }

    // The end of a split block and the start of the next are the same place in the text:
    // step over the split so the key acts on a character.
    QTextCursor c = textCursor();
    const bool shift = mods == Qt::ShiftModifier;
    const bool plain = mods == Qt::NoModifier;
    const bool back = (key == Qt::Key_Backspace && plain && !c.hasSelection()) ||
                      (key == Qt::Key_Left && (shift || (plain && !c.hasSelection())));
    const bool forward = (key == Qt::Key_Delete && plain && !c.hasSelection()) ||
                         (key == Qt::Key_Right && (shift || (plain && !c.hasSelection())));
    if (back || forward) {
        QTextBlock b = c.block();
        int p = c.position();
        if (back) {
            while (b.isValid() && p == b.position() && b.blockNumber() > 0 &&
                   m_split.end(b.blockNumber() - 1) == End::Cut) {
                b = b.previous();
                p = b.position() + b.length() - 1;
            }
        } else {
            while (b.isValid() && p == b.position() + b.length() - 1 &&
                   m_split.end(b.blockNumber()) == End::Cut) {
                b = b.next();
                p = b.position();
            }
        }
        if (p != c.position()) {
            c.setPosition(p, shift ? QTextCursor::KeepAnchor : QTextCursor::MoveAnchor);
            setTextCursor(c);
        }
    }
    QPlainTextEdit::keyPressEvent(e);
}

void TextBoxEditor::inputMethodEvent(QInputMethodEvent *e)
{
    flush();
    QPlainTextEdit::inputMethodEvent(e);
}

void TextBoxEditor::mousePressEvent(QMouseEvent *e)
{
    flush();
    QPlainTextEdit::mousePressEvent(e);
}

void TextBoxEditor::mouseDoubleClickEvent(QMouseEvent *e)
{
    flush();
    QPlainTextEdit::mouseDoubleClickEvent(e);
}

void TextBoxEditor::contextMenuEvent(QContextMenuEvent *e)
{
    flush();
    QPlainTextEdit::contextMenuEvent(e);
}

void TextBoxEditor::dragEnterEvent(QDragEnterEvent *e)
{
    flush();
    QPlainTextEdit::dragEnterEvent(e);
}

void TextBoxEditor::dropEvent(QDropEvent *e)
{
    flush();
    const QScopedValueRollback inDrop(m_inDrop, true);
    QPlainTextEdit::dropEvent(e);
}

void TextBoxEditor::resizeEvent(QResizeEvent *e)
{
    QPlainTextEdit::resizeEvent(e);
    resplit();
}

void TextBoxEditor::changeEvent(QEvent *e)
{
    QPlainTextEdit::changeEvent(e);
    if (e->type() == QEvent::FontChange)
        resplit();
}

QMimeData *TextBoxEditor::createMimeDataFromSelection() const
{
    auto *mime = new QMimeData;
    mime->setText(m_text.mid(selStart(), selLength()));
    return mime;
}

void TextBoxEditor::insertFromMimeData(const QMimeData *source)
{
    // A drop moving text inside the box runs within the editor's own edit; the
    // document change is carried over like typing.
    if (m_inDrop || !source || !source->hasText() || isReadOnly()) {
        QPlainTextEdit::insertFromMimeData(source);
        return;
    }
    insertText(source->text());
}
