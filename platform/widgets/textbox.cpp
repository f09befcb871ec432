#include "platform/widgets/textbox.h"

#include "platform/latin1.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QKeyEvent>
#include <QMimeData>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTimer>

#include <algorithm>

namespace {

// Blocks of a proportional font are cut at this many characters and wrapped by the
// editor; only fixed-pitch text is cut to the width of the box.
constexpr int ProportionalBlockChars = 1000;
constexpr int MinLineChars = 16;
// A program change longer than this is shown nearest first, the rest in chunks of at
// most this many blocks and characters (a few milliseconds each).
constexpr qsizetype DeferChars = 16384;
constexpr qsizetype ChunkBlocks = 400;
constexpr qsizetype ChunkChars = 32768;
constexpr int FirstChunkDelayMs = 8;

// Characters the document would take as a block or frame boundary; shown as U+FFFD
// so one character of text stays one character of the document.
inline bool isDocControl(char16_t c)
{
    return c == 0x2028 || c == 0x2029 || c == 0xFDD0 || c == 0xFDD1;
}

void appendShown(QString &doc, const QChar *from, qsizetype n)
{
    const qsizetype at = doc.size();
    doc.append(from, n);
    QChar *d = doc.data() + at;
    for (qsizetype i = 0; i < n; ++i)
        if (d[i].unicode() >= 0x2028 && isDocControl(d[i].unicode()))
            d[i] = QChar::ReplacementCharacter;
}

// The attributes Qt's own text widgets report for text of this format, in their words and
// order (IAccessible2 text attributes, "name:value;" each).
QString textAttributes(const QTextCharFormat &format, const QTextBlock &block)
{
    QString out;
    const auto add = [&out](const char *name, const QString &value) {
        out += QLatin1String(name) + u':' + value + u';';
    };
    const auto rgb = [](const QColor &c) {
        return QStringLiteral("rgb(%1,%2,%3)").arg(c.red()).arg(c.green()).arg(c.blue());
    };
    const QFont font = format.font();
    if (const QString family = font.family(); !family.isEmpty()) {
        QString quoted = QStringLiteral("\"");
        for (QChar c : family) {
            if (QStringView(u"\\:,=;\"").contains(c))
                quoted += u'\\';
            quoted += c;
        }
        add("font-family", quoted + u'"');
    }
    if (const int points = font.pointSize(); points != 0)
        add("font-size", QString::number(points) + QStringLiteral("pt"));
    add("font-weight",
        font.weight() > QFont::Normal ? QStringLiteral("bold") : QStringLiteral("normal"));
    add("font-style", font.style() == QFont::StyleItalic    ? QStringLiteral("italic")
                      : font.style() == QFont::StyleOblique ? QStringLiteral("oblique")
                                                            : QStringLiteral("normal"));
    QTextCharFormat::UnderlineStyle underline = format.underlineStyle();
    if (underline == QTextCharFormat::NoUnderline && font.underline())
        underline = QTextCharFormat::SingleUnderline;
    QString line;
    switch (underline) {
    case QTextCharFormat::SingleUnderline:
        line = QStringLiteral("solid");
        break;
    case QTextCharFormat::DashUnderline:
    case QTextCharFormat::DotLine: // Qt's own widgets say "dash" for dots too
        line = QStringLiteral("dash");
        break;
    case QTextCharFormat::DashDotLine:
        line = QStringLiteral("dot-dash");
        break;
    case QTextCharFormat::DashDotDotLine:
        line = QStringLiteral("dot-dot-dash");
        break;
    case QTextCharFormat::WaveUnderline:
    case QTextCharFormat::SpellCheckUnderline:
        line = QStringLiteral("wave");
        break;
    default:
        break;
    }
    if (!line.isEmpty()) {
        add("text-underline-style", line);
        add("text-underline-type", QStringLiteral("single"));
    }
    if (block.textDirection() == Qt::RightToLeft)
        add("writing-mode", QStringLiteral("rl"));
    const QTextCharFormat::VerticalAlignment va = format.verticalAlignment();
    add("text-position", va == QTextCharFormat::AlignSubScript     ? QStringLiteral("sub")
                         : va == QTextCharFormat::AlignSuperScript ? QStringLiteral("super")
                                                                   : QStringLiteral("baseline"));
    if (format.background().style() == Qt::SolidPattern)
        add("background-color", rgb(format.background().color()));
    if (format.foreground().style() == Qt::SolidPattern)
        add("color", rgb(format.foreground().color()));
    switch (block.blockFormat().alignment() &
            (Qt::AlignLeft | Qt::AlignRight | Qt::AlignHCenter | Qt::AlignJustify)) {
    case Qt::AlignLeft:
        add("text-align", QStringLiteral("left"));
        break;
    case Qt::AlignRight:
        add("text-align", QStringLiteral("right"));
        break;
    case Qt::AlignHCenter:
        add("text-align", QStringLiteral("center"));
        break;
    case Qt::AlignJustify:
        add("text-align", QStringLiteral("justify"));
        break;
    default:
        break;
    }
    return out;
}

struct Guard
{
    explicit Guard(bool &f) : flag(f), old(f) { flag = true; }
    ~Guard() { flag = old; }
    bool &flag;
    bool old;
};

} // namespace

// Screen readers get the box's own text, not the split lines of its document.
class TextBoxAccessible : public QAccessibleWidget,
                          public QAccessibleTextInterface,
                          public QAccessibleEditableTextInterface
{
public:
    explicit TextBoxAccessible(TextBox *w) : QAccessibleWidget(w, QAccessible::EditableText) {}

    TextBox *box() const { return static_cast<TextBox *>(widget()); }

    void *interface_cast(QAccessible::InterfaceType t) override
    {
        if (t == QAccessible::TextInterface)
            return static_cast<QAccessibleTextInterface *>(this);
        if (t == QAccessible::EditableTextInterface)
            return static_cast<QAccessibleEditableTextInterface *>(this);
        return QAccessibleWidget::interface_cast(t);
    }

    QAccessible::State state() const override
    {
        QAccessible::State s = QAccessibleWidget::state();
        s.editable = !box()->isReadOnly();
        s.readOnly = box()->isReadOnly();
        s.multiLine = true;
        s.selectableText = true;
        return s;
    }

    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Value)
            return box()->text();
        return QAccessibleWidget::text(t);
    }

    void setText(QAccessible::Text t, const QString &s) override
    {
        if (t == QAccessible::Value)
            box()->replaceText(0, box()->length(), s);
        else
            QAccessibleWidget::setText(t, s);
    }

    void selection(int index, int *start, int *end) const override
    {
        *start = *end = 0;
        if (index == 0 && box()->selLength() > 0) {
            *start = int(box()->selStart());
            *end = int(box()->selStart() + box()->selLength());
        }
    }
    int selectionCount() const override { return box()->selLength() > 0 ? 1 : 0; }
    void addSelection(int start, int end) override { setSelection(0, start, end); }
    void removeSelection(int) override { box()->setSelStart(box()->selStart()); }
    void setSelection(int, int start, int end) override
    {
        box()->setSelection(qMin(start, end), qAbs(end - start));
    }

    int cursorPosition() const override
    {
        TextBox *b = box();
        b->flush();
        return int(b->docToLogical(b->textCursor().position()));
    }
    void setCursorPosition(int position) override { box()->setSelStart(position); }

    QString text(int start, int end) const override
    {
        const QString t = box()->text();
        start = qBound(0, start, int(t.size()));
        end = qBound(start, end, int(t.size()));
        return t.mid(start, end - start);
    }
    int characterCount() const override { return int(box()->length()); }

    QRect characterRect(int offset) const override
    {
        TextBox *b = box();
        b->flush();
        QTextCursor c(b->document());
        c.setPosition(b->logicalToDoc(offset));
        QRect r = b->cursorRect(c);
        const QString t = b->text();
        if (offset >= 0 && offset < t.size())
            r.setWidth(qMax(1, b->fontMetrics().horizontalAdvance(t.at(offset))));
        return QRect(b->viewport()->mapToGlobal(r.topLeft()), r.size());
    }
    int offsetAtPoint(const QPoint &point) const override
    {
        TextBox *b = box();
        b->flush();
        const QPoint p = b->viewport()->mapFromGlobal(point);
        if (!b->viewport()->rect().contains(p))
            return -1;
        return int(b->docToLogical(b->cursorForPosition(p).position()));
    }
    void scrollToSubstring(int start, int end) override
    {
        box()->setSelection(start, qMax(0, end - start));
    }
    // Offsets -2 (the caret) and -1 or the length (the last character) as screen readers
    // use them. The box never formats part of its text, so one run covers all of it.
    QString attributes(int offset, int *start, int *end) const override
    {
        TextBox *b = box();
        b->flush();
        const int count = characterCount();
        if (offset == -2)
            offset = cursorPosition();
        if (offset == -1 || offset == count)
            offset = count - 1;
        if (offset < 0 || offset > count) {
            *start = *end = -1;
            return QString();
        }
        *start = 0;
        *end = count;
        const int at = b->logicalToDoc(offset);
        const QTextBlock block = b->document()->findBlock(at);
        // A line break has the format of the character before it, as in Qt's own widgets.
        QTextCharFormat format = block.charFormat();
        for (auto it = block.begin(); !it.atEnd() && it.fragment().position() <= at; ++it)
            format = it.fragment().charFormat();
        return textAttributes(format, block);
    }

    void deleteText(int start, int end) override { box()->replaceText(start, end, QString()); }
    void insertText(int offset, const QString &s) override
    {
        box()->replaceText(offset, offset, s);
    }
    void replaceText(int start, int end, const QString &s) override
    {
        box()->replaceText(start, end, s);
    }
};

namespace {

QAccessibleInterface *textBoxAccessibleFactory(const QString &className, QObject *object)
{
    if (className == QLatin1String("TextBox") && object && object->isWidgetType())
        return new TextBoxAccessible(static_cast<TextBox *>(object));
    return nullptr;
}

} // namespace

TextBox::TextBox(QWidget *parent) : QPlainTextEdit(parent)
{
    static const bool factoryInstalled = [] {
        QAccessible::installFactory(textBoxAccessibleFactory);
        return true;
    }();
    Q_UNUSED(factoryInstalled);

    setUndoRedoEnabled(false);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_segs.push_back({0, 0, SepNone});
    m_startsValid = 1;
    m_lineChars = computeLineChars();

    m_flushTimer = new QTimer(this);
    m_flushTimer->setSingleShot(true);
    // The display catches up with program appends at most once a frame: a send that
    // extends the box once per byte must not rebuild display lines once per byte.
    m_flushTimer->setInterval(20);
    connect(m_flushTimer, &QTimer::timeout, this, &TextBox::flushStep);

    // The editor's own accessibility events speak in document positions, which differ
    // from positions in text(); the box reports its changes itself.
    for (QObject *child : children())
        if (qstrcmp(child->metaObject()->className(), "QPlainTextEditControl") == 0)
            disconnect(document(), &QTextDocument::contentsChange, child, nullptr);
    connect(document(), &QTextDocument::contentsChange, this, &TextBox::onContentsChange);
    connect(this, &QPlainTextEdit::textChanged, this, &TextBox::onDocTextChanged);
}

TextBox::~TextBox() = default;

QString TextBox::text() const
{
    return m_text;
}

qsizetype TextBox::length() const
{
    return m_text.size();
}

void TextBox::setText(const QString &text)
{
    const QString old = QAccessible::isActive() ? m_text : QString();
    m_text = m_latin1Only ? latin1Chars(text) : text;
    m_caretRequest = -1;
    renderAll();
    if (QAccessible::isActive()) {
        QAccessibleTextUpdateEvent ev(this, 0, old, m_text);
        QAccessible::updateAccessibility(&ev);
    }
    emit changed();
}

void TextBox::appendText(const QString &added)
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
    emit changed();
}

qsizetype TextBox::selStart() const
{
    if (m_caretRequest >= 0)
        return m_caretRequest;
    return docToLogical(textCursor().selectionStart());
}

void TextBox::setSelStart(qsizetype pos)
{
    pos = qBound<qsizetype>(0, pos, m_text.size());
    // The caret cannot stand inside a CR LF pair, which is shown as one line break.
    if (pos > 0 && pos < m_text.size() && m_text.at(pos - 1) == u'\r' && m_text.at(pos) == u'\n')
        --pos;
    if (m_flushedLen < m_text.size()) {
        // Shown once the pending text is in the document.
        m_caretRequest = pos;
        m_requestKeepsScroll = false;
        scheduleFlush();
        return;
    }
    m_caretRequest = -1;
    normalizeDirty();
    const int d = logicalToDoc(pos);
    setDocCursor(d, d, false);
}

qsizetype TextBox::selLength() const
{
    if (m_caretRequest >= 0)
        return 0;
    const QTextCursor c = textCursor();
    return docToLogical(c.selectionEnd()) - docToLogical(c.selectionStart());
}

QString TextBox::selectedText() const
{
    return m_text.mid(selStart(), selLength());
}

void TextBox::setSelection(qsizetype start, qsizetype length)
{
    flush();
    start = qBound<qsizetype>(0, start, m_text.size());
    const qsizetype end = qBound<qsizetype>(start, start + length, m_text.size());
    setDocCursor(logicalToDoc(start), logicalToDoc(end), false);
}

void TextBox::setFontSize(double points)
{
    QFont f = font();
    f.setPointSizeF(points);
    setFont(f);
}

void TextBox::replaceText(qsizetype start, qsizetype end, const QString &text, Caret caret)
{
    start = qBound<qsizetype>(0, start, m_text.size());
    end = qBound<qsizetype>(start, end, m_text.size());
    const QString t = m_latin1Only ? latin1Chars(text) : text;
    normalizeDirty();
    qsizetype anchor = start + t.size();
    qsizetype pos = anchor;
    const bool stays = caret == Caret::Stays;
    if (stays) {
        const auto moved = [&](qsizetype p) {
            return p <= start ? p : p >= end ? p + t.size() - (end - start) : anchor;
        };
        const QTextCursor c = textCursor();
        pos = moved(m_caretRequest >= 0 ? m_caretRequest : docToLogical(c.position()));
        anchor = m_caretRequest >= 0 ? pos : moved(docToLogical(c.anchor()));
    }
    const qsizetype span = qMax(end - start, t.size());
    // A change reaching (nearly) to the end, or into text not shown yet, is shown nearest
    // first: rebuilding thousands of blocks at once would cost several frames.
    const bool tail = (m_flushedLen < m_text.size() && start >= m_flushedLen) ||
                      (span > DeferChars && m_text.size() - end <= span);
    if (tail) {
        replaceTail(start, end, t);
    } else {
        // A change well before text not shown yet leaves that text to be shown as it was.
        if (m_flushedLen == m_text.size() || end >= m_flushedLen ||
            segAt(end) + 2 >= int(m_segs.size()) - 1)
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
    if (qMax(anchor, pos) < m_flushedLen || m_flushedLen == m_text.size()) {
        m_caretRequest = -1;
        setDocCursor(logicalToDoc(anchor), logicalToDoc(pos), stays);
    } else {
        m_caretRequest = pos;
        m_requestKeepsScroll = stays;
    }
    if (tail) {
        // The first chunk waits so that the handler that made the change (which may let
        // events run) and the next paint come first.
        if (m_flushedLen < m_text.size())
            m_flushTimer->start(FirstChunkDelayMs);
        else
            flush();
    }
    emit changed();
}

// Replaces text()[start, end) and its display; the display must be up to date.
void TextBox::splice(qsizetype start, qsizetype end, const QString &text)
{
    const int first = qMax(0, segAt(start) - 1);
    const int last = qMin(int(m_segs.size()) - 1, segAt(end) + 1);
    const QString removed = QAccessible::isActive() ? m_text.mid(start, end - start) : QString();
    m_text.replace(start, end - start, text);
    m_flushedLen += text.size() - (end - start);
    rerender(first, last, text.size() - (end - start), false);
    if (QAccessible::isActive()) {
        QAccessibleTextUpdateEvent ev(this, int(start), removed, text);
        QAccessible::updateAccessibility(&ev);
    }
}

// Like splice(), but shows only the blocks up to the end of the visible area now and
// the rest in chunks on later turns of the event loop. text() is exact at once; the
// caller has re-split the user's edits and places the caret and starts the chunks.
void TextBox::replaceTail(qsizetype start, qsizetype end, const QString &text)
{
    const QString removed = QAccessible::isActive() ? m_text.mid(start, end - start) : QString();
    const int top = verticalScrollBar()->value();
    if (start < m_flushedLen) {
        // The document keeps the blocks before the change and an empty block to go on from.
        const int first = qMax(0, segAt(start) - 1);
        const int from = document()->findBlockByNumber(first).position();
        replaceDoc(from, document()->characterCount() - 1, QString());
        m_flushedLen = segStart(first);
        m_segs.resize(size_t(first) + 1);
        m_segs.back() = {m_flushedLen, 0, SepNone};
    }
    m_text.replace(start, end - start, text);
    m_chunked = true;
    // The lines on screen and a screenful below, so that the view stays where it was.
    const int lines = viewport()->height() / qMax(1, QFontMetrics(font()).lineSpacing()) + 1;
    const int need = top + 2 * lines - (int(m_segs.size()) - 1);
    if (need > 0)
        flushAppends(qsizetype(need) * (m_lineChars + 2));
    verticalScrollBar()->setValue(top);
    if (QAccessible::isActive()) {
        QAccessibleTextUpdateEvent ev(this, int(start), removed, text);
        QAccessible::updateAccessibility(&ev);
    }
}

void TextBox::flushStep()
{
    const qsizetype chunk = qMin(ChunkChars, ChunkBlocks * (m_lineChars + 2));
    if (m_chunked && m_text.size() - m_flushedLen > chunk) {
        flushAppends(chunk);
        m_flushTimer->start(0);
        return;
    }
    flush();
}

void TextBox::setLatin1Only(bool on)
{
    m_latin1Only = on;
    if (on && !isLatin1(m_text))
        setText(m_text);
}

void TextBox::insertPlainText(const QString &text)
{
    flush();
    const QTextCursor c = textCursor();
    replaceText(docToLogical(c.selectionStart()), docToLogical(c.selectionEnd()), text);
}

void TextBox::appendPlainText(const QString &text)
{
    appendText(m_text.isEmpty() ? text : QStringLiteral("\r\n") + text);
}

void TextBox::flush()
{
    m_flushTimer->stop();
    m_flushTimer->setInterval(20);
    m_chunked = false;
    normalizeDirty();
    flushAppends(-1);
    if (m_caretRequest >= 0) {
        const int d = logicalToDoc(m_caretRequest);
        m_caretRequest = -1;
        setDocCursor(d, d, m_requestKeepsScroll);
    }
}

bool TextBox::displayMatchesText() const
{
    if (m_flushedLen != m_text.size() || int(m_segs.size()) != document()->blockCount())
        return false;
    QTextBlock b = document()->begin();
    for (int i = 0; i < int(m_segs.size()); ++i, b = b.next()) {
        const Seg &s = m_segs[size_t(i)];
        QString shown;
        appendShown(shown, m_text.constData() + segStart(i), s.len);
        if (b.text() != shown)
            return false;
        if (i + 1 == int(m_segs.size()) ? s.sep != SepNone : s.sep == SepNone)
            return false;
        const qsizetype next = segStart(i) + s.len;
        const QStringView brk = QStringView(m_text).mid(next, sepLen(s.sep));
        if ((s.sep == SepCrLf && brk != u"\r\n") || (s.sep == SepCr && brk != u"\r") ||
            (s.sep == SepLf && brk != u"\n"))
            return false;
    }
    return segStart(int(m_segs.size()) - 1) + m_segs.back().len == m_text.size();
}

// --- Mapping between text() and the document --------------------------------------

qsizetype TextBox::segStart(int i) const
{
    while (m_startsValid <= i) {
        const int j = m_startsValid;
        if (j == 0) {
            m_segs[0].start = 0;
        } else {
            const Seg &p = m_segs[size_t(j - 1)];
            m_segs[size_t(j)].start = p.start + p.len + sepLen(p.sep);
        }
        ++m_startsValid;
    }
    return m_segs[size_t(i)].start;
}

int TextBox::segAt(qsizetype logical) const
{
    const int n = int(m_segs.size());
    segStart(n - 1);
    auto it = std::upper_bound(m_segs.begin(), m_segs.end(), logical,
                               [](qsizetype v, const Seg &s) { return v < s.start; });
    return int(it - m_segs.begin()) - 1 < 0 ? 0 : int(it - m_segs.begin()) - 1;
}

qsizetype TextBox::docToLogical(int docPos) const
{
    const QTextBlock b = document()->findBlock(qMax(0, docPos));
    const int n = b.isValid() ? b.blockNumber() : int(m_segs.size()) - 1;
    if (n < 0 || n >= int(m_segs.size()))
        return m_flushedLen;
    const int off = b.isValid() ? docPos - b.position() : m_segs[size_t(n)].len;
    return segStart(n) + qBound(0, off, m_segs[size_t(n)].len);
}

int TextBox::logicalToDoc(qsizetype logical) const
{
    logical = qBound<qsizetype>(0, logical, m_flushedLen);
    const int n = segAt(logical);
    const qsizetype off = qMin<qsizetype>(logical - segStart(n), m_segs[size_t(n)].len);
    return document()->findBlockByNumber(n).position() + int(off);
}

qsizetype TextBox::docLength() const
{
    qsizetype n = qsizetype(m_segs.size()) - 1;
    for (const Seg &s : m_segs)
        n += s.len;
    return n;
}

// --- Splitting into shown lines ---------------------------------------------------

// Splits m_text[from, to) into blocks of at most m_lineChars characters; line breaks of
// the text end blocks; a long line is cut after a space where one lies in the second
// half of the block (hex pairs stay whole). The first block already holds firstLen
// characters. `doc` receives the document text with U+2029 between blocks.
void TextBox::render(qsizetype from, qsizetype to, int firstLen, Sep trailing,
                     std::vector<Seg> &segs, QString &doc) const
{
    const int w = m_lineChars;
    const QChar *t = m_text.constData();
    qsizetype cur = firstLen;
    qsizetype pos = from;
    doc.reserve(doc.size() + (to - from) + (to - from) / w + 8);
    auto close = [&](Sep s) {
        segs.push_back({0, int(cur), s});
        doc.append(QChar::ParagraphSeparator);
        cur = 0;
    };
    for (;;) {
        qsizetype j = pos;
        while (j < to && t[j] != u'\r' && t[j] != u'\n')
            ++j;
        while (pos < j) {
            const qsizetype room = qMax<qsizetype>(0, w - cur);
            if (j - pos <= room) {
                appendShown(doc, t + pos, j - pos);
                cur += j - pos;
                pos = j;
                break;
            }
            qsizetype cut = pos + room;
            for (qsizetype k = cut - 1; k >= pos && cur + (k - pos + 1) >= (w + 1) / 2; --k) {
                if (t[k] == u' ') {
                    cut = k + 1;
                    break;
                }
            }
            appendShown(doc, t + pos, cut - pos);
            cur += cut - pos;
            pos = cut;
            close(SepCont);
        }
        if (j >= to)
            break;
        if (t[j] == u'\r' && j + 1 < to && t[j + 1] == u'\n') {
            pos = j + 2;
            close(SepCrLf);
        } else {
            pos = j + 1;
            close(t[j] == u'\r' ? SepCr : SepLf);
        }
    }
    segs.push_back({0, int(cur), trailing});
}

void TextBox::renderAll()
{
    std::vector<Seg> segs;
    QString doc;
    render(0, m_text.size(), 0, SepNone, segs, doc);
    m_segs.swap(segs);
    m_startsValid = 0;
    m_flushedLen = m_text.size();
    m_dirtyFirst = m_dirtyLast = -1;
    m_flushTimer->stop();
    Guard g(m_internal);
    QPlainTextEdit::setPlainText(doc);
}

// Re-splits blocks first..last after their text changed by `delta` characters (the
// text following them and the break after `last` are unchanged). Unless `shown` says the
// document already holds the new characters, they are written. Returns false when
// nothing had to change.
bool TextBox::rerender(int first, int last, qsizetype delta, bool shown)
{
    const qsizetype from = segStart(first);
    const qsizetype oldTo = segStart(last) + m_segs[size_t(last)].len;
    std::vector<Seg> segs;
    QString doc;
    render(from, oldTo + delta, 0, m_segs[size_t(last)].sep, segs, doc);
    if (shown && delta == 0 && int(segs.size()) == last - first + 1) {
        bool same = true;
        for (size_t i = 0; i < segs.size() && same; ++i)
            same = segs[i].len == m_segs[size_t(first) + i].len &&
                   segs[i].sep == m_segs[size_t(first) + i].sep;
        if (same)
            return false;
    }
    const int docFrom = document()->findBlockByNumber(first).position();
    const QTextBlock lb = document()->findBlockByNumber(last);
    replaceDoc(docFrom, lb.position() + lb.length() - 1, doc);
    replaceSegs(first, last, segs);
    return true;
}

void TextBox::replaceSegs(int first, int last, const std::vector<Seg> &segs)
{
    m_segs.erase(m_segs.begin() + first, m_segs.begin() + last + 1);
    m_segs.insert(m_segs.begin() + first, segs.begin(), segs.end());
    m_startsValid = qMin(m_startsValid, first);
}

void TextBox::replaceDoc(int from, int to, const QString &doc)
{
    Guard g(m_internal);
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

// Shows the text not yet in the document: all of it, or with maxChars >= 0 about that
// much, ending at a block boundary so that the rest goes on exactly as if shown at once.
void TextBox::flushAppends(qsizetype maxChars)
{
    if (m_flushedLen >= m_text.size())
        return;
    const int last = int(m_segs.size()) - 1;
    qsizetype from = m_flushedLen;
    // A CR shown alone and the LF that now follows it become one line break.
    if (last > 0 && m_segs[size_t(last)].len == 0 && m_segs[size_t(last - 1)].sep == SepCr &&
        m_text.at(from) == u'\n') {
        m_segs[size_t(last - 1)].sep = SepCrLf;
        m_startsValid = qMin(m_startsValid, last);
        ++from;
    }
    qsizetype to = m_text.size();
    // Longer than a block, so that the chunk closes at least one.
    maxChars = maxChars < 0 ? to : qMax<qsizetype>(maxChars, 2 * (m_lineChars + 2));
    if (to - from > maxChars) {
        to = from + maxChars;
        // A CR at the end of the chunk may be the first half of a CR LF.
        while (to < m_text.size() && m_text.at(to - 1) == u'\r')
            ++to;
    }
    std::vector<Seg> segs;
    QString doc;
    render(from, to, m_segs[size_t(last)].len, SepNone, segs, doc);
    if (to < m_text.size()) {
        // The last block is open: where it ends depends on what follows.
        const int open = segs.back().len;
        segs.back().len = 0;
        doc.chop(open);
        to -= open;
    }
    m_flushedLen = to;

    const int anchor = textCursor().anchor();
    const int pos = textCursor().position();
    const int end = document()->characterCount() - 1;
    replaceDoc(end, end, doc);
    replaceSegs(last, last, segs);
    // Appending leaves the caret where it was; the program moves it when it wants to.
    const QTextCursor after = textCursor();
    if (after.position() != pos || after.anchor() != anchor)
        setDocCursor(anchor, pos, true);
}

void TextBox::normalizeDirty()
{
    if (m_dirtyFirst < 0)
        return;
    const int n = int(m_segs.size());
    const int first = qBound(0, m_dirtyFirst - 1, n - 1);
    const int last = qBound(first, m_dirtyLast + 1, n - 1);
    m_dirtyFirst = m_dirtyLast = -1;
    const QTextCursor c = textCursor();
    const qsizetype anchor = docToLogical(c.anchor());
    const qsizetype pos = docToLogical(c.position());
    if (rerender(first, last, qsizetype(0), true))
        setDocCursor(logicalToDoc(anchor), logicalToDoc(pos), false);
}

void TextBox::scheduleFlush()
{
    if (!m_flushTimer->isActive())
        m_flushTimer->start();
}

void TextBox::setDocCursor(int anchor, int pos, bool keepScroll)
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

int TextBox::computeLineChars() const
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

void TextBox::resplit()
{
    const int w = computeLineChars();
    if (w == m_lineChars)
        return;
    m_lineChars = w;
    if (m_text.isEmpty())
        return;
    const QTextCursor c = textCursor();
    const qsizetype anchor = docToLogical(c.anchor());
    const qsizetype pos = docToLogical(c.position());
    const qsizetype top = docToLogical(firstVisibleBlock().position());
    const qsizetype request = m_caretRequest;
    renderAll();
    setDocCursor(logicalToDoc(anchor), logicalToDoc(pos), false);
    verticalScrollBar()->setValue(document()->findBlock(logicalToDoc(top)).blockNumber());
    if (request >= 0) {
        m_caretRequest = request;
        scheduleFlush();
    }
}

// --- Edits by the user ------------------------------------------------------------

// The document reports where it changed. A report that does not fit the length
// change is taken as "somewhere in the document". The old and new contents are
// compared to find the part that really changed, which is carried over into m_text.
void TextBox::onContentsChange(int pos, int removed, int added)
{
    if (m_internal)
        return;
    const qsizetype oldLen = docLength();
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
    const QTextBlock b0 = document()->findBlock(int(p0));
    int seg = b0.isValid() ? b0.blockNumber() : int(m_segs.size()) - 1;
    qsizetype segDoc = b0.isValid() ? b0.position() : oldLen - m_segs.back().len;
    QString oldDoc;
    oldDoc.reserve(rem);
    {
        int i = seg;
        qsizetype sd = segDoc;
        for (qsizetype x = p0; x < p0 + rem && i < int(m_segs.size());) {
            const Seg &s = m_segs[size_t(i)];
            const qsizetype off = x - sd;
            if (off < s.len) {
                const qsizetype n = qMin<qsizetype>(s.len - off, p0 + rem - x);
                appendShown(oldDoc, m_text.constData() + segStart(i) + off, n);
                x += n;
            } else {
                oldDoc.append(QChar::ParagraphSeparator);
                ++x;
                sd += s.len + 1;
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
    while (seg + 1 < int(m_segs.size()) && cs > segDoc + m_segs[size_t(seg)].len) {
        segDoc += m_segs[size_t(seg)].len + 1;
        ++seg;
    }
    const int first = seg;
    const qsizetype l0 = segStart(first) + (cs - segDoc);
    while (seg + 1 < int(m_segs.size()) && ce > segDoc + m_segs[size_t(seg)].len) {
        segDoc += m_segs[size_t(seg)].len + 1;
        ++seg;
    }
    const int last = seg;
    const qsizetype l1 = segStart(last) + qMin<qsizetype>(ce - segDoc, m_segs[size_t(last)].len);

    // New blocks: a typed line break is CR LF.
    const QStringView ins = QStringView(newDoc).mid(pre, newDoc.size() - suf - pre);
    QString logical;
    logical.reserve(ins.size());
    int breaks = 0;
    for (QChar ch : ins) {
        if (ch == QChar::ParagraphSeparator) {
            logical.append(u"\r\n");
            ++breaks;
        } else {
            logical.append(ch);
        }
    }
    std::vector<Seg> segs;
    QTextBlock blk = document()->findBlockByNumber(first);
    for (int i = 0; i <= breaks && blk.isValid(); ++i, blk = blk.next())
        segs.push_back({0, blk.length() - 1, i < breaks ? SepCrLf : m_segs[size_t(last)].sep});

    if (m_latin1Only && !isLatin1(logical))
        m_unfiltered = true;
    const QString removedText = QAccessible::isActive() ? m_text.mid(l0, l1 - l0) : QString();
    m_text.replace(l0, l1 - l0, logical);
    m_flushedLen += logical.size() - (l1 - l0);
    replaceSegs(first, last, segs);
    m_dirtyFirst = m_dirtyFirst < 0 ? first : qMin(m_dirtyFirst, first);
    m_dirtyLast = qMax(m_dirtyLast, first + breaks);
    m_userEdit = true;
    scheduleFlush();
    if (QAccessible::isActive()) {
        QAccessibleTextUpdateEvent ev(this, int(l0), removedText, logical);
        QAccessible::updateAccessibility(&ev);
    }
}

void TextBox::onDocTextChanged()
{
    if (m_internal || !m_userEdit)
        return;
    m_userEdit = false;
    if (m_unfiltered)
        filterUserEdit();
    emit changed();
}

// Typing, dropping, an input method or the editor's own menu put text into the document
// directly, so a character outside ISO-8859-1 is caught once the edit is done and turned
// into "?" before changed() fires. Caret and selection stay on their characters.
void TextBox::filterUserEdit()
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
    const qsizetype anchor = moved(docToLogical(c.anchor()));
    const qsizetype pos = moved(docToLogical(c.position()));
    splice(first, last, shown);
    setDocCursor(logicalToDoc(anchor), logicalToDoc(pos), false);
}

// --- Input ------------------------------------------------------------------------

void TextBox::keyPressEvent(QKeyEvent *e)
{
    flush();
    const Qt::KeyboardModifiers mods = e->modifiers() & ~Qt::KeypadModifier;
    const int key = e->key();
    if ((key == Qt::Key_Return || key == Qt::Key_Enter) && (mods & ~Qt::ShiftModifier) == 0 &&
        !isReadOnly()) {
        // A typed line break is CR LF, shifted or not. It goes into the text directly: in
        // the document it would look the same as a line break it replaces.
        insertPlainText(QStringLiteral("\r\n"));
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
                   m_segs[size_t(b.blockNumber() - 1)].sep == SepCont) {
                b = b.previous();
                p = b.position() + b.length() - 1;
            }
        } else {
            while (b.isValid() && p == b.position() + b.length() - 1 &&
                   m_segs[size_t(b.blockNumber())].sep == SepCont) {
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

void TextBox::inputMethodEvent(QInputMethodEvent *e)
{
    flush();
    QPlainTextEdit::inputMethodEvent(e);
}

void TextBox::mousePressEvent(QMouseEvent *e)
{
    flush();
    QPlainTextEdit::mousePressEvent(e);
}

void TextBox::mouseDoubleClickEvent(QMouseEvent *e)
{
    flush();
    QPlainTextEdit::mouseDoubleClickEvent(e);
}

void TextBox::contextMenuEvent(QContextMenuEvent *e)
{
    flush();
    QPlainTextEdit::contextMenuEvent(e);
}

void TextBox::dragEnterEvent(QDragEnterEvent *e)
{
    flush();
    QPlainTextEdit::dragEnterEvent(e);
}

void TextBox::dropEvent(QDropEvent *e)
{
    flush();
    Guard g(m_inDrop);
    QPlainTextEdit::dropEvent(e);
}

void TextBox::resizeEvent(QResizeEvent *e)
{
    QPlainTextEdit::resizeEvent(e);
    resplit();
}

void TextBox::changeEvent(QEvent *e)
{
    QPlainTextEdit::changeEvent(e);
    if (e->type() == QEvent::FontChange)
        resplit();
}

QMimeData *TextBox::createMimeDataFromSelection() const
{
    auto *mime = new QMimeData;
    mime->setText(selectedText());
    return mime;
}

void TextBox::insertFromMimeData(const QMimeData *source)
{
    // A drop moving text inside the box runs within the editor's own edit; the
    // document change is carried over like typing.
    if (m_inDrop || !source || !source->hasText() || isReadOnly()) {
        QPlainTextEdit::insertFromMimeData(source);
        return;
    }
    insertPlainText(source->text());
}
