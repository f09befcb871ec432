#include "platform/widgets/textboxaccessible.h"

#include "platform/widgets/textboxeditor.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QTextBlock>
#include <QTextCharFormat>
#include <QTextCursor>

namespace {

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

// Screen readers get the box's own text, not the split lines of its document.
class TextBoxAccessible : public QAccessibleWidget,
                          public QAccessibleTextInterface,
                          public QAccessibleEditableTextInterface
{
public:
    explicit TextBoxAccessible(TextBoxEditor *w) : QAccessibleWidget(w, QAccessible::EditableText)
    {
    }

    TextBoxEditor *box() const { return static_cast<TextBoxEditor *>(widget()); }

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
            box()->replaceText(0, box()->text().size(), s, false);
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
        TextBoxEditor *b = box();
        b->flush();
        return int(b->docToText(b->textCursor().position()));
    }
    void setCursorPosition(int position) override { box()->setSelStart(position); }

    QString text(int start, int end) const override
    {
        const QString t = box()->text();
        start = qBound(0, start, int(t.size()));
        end = qBound(start, end, int(t.size()));
        return t.mid(start, end - start);
    }
    int characterCount() const override { return int(box()->text().size()); }

    QRect characterRect(int offset) const override
    {
        TextBoxEditor *b = box();
        b->flush();
        QTextCursor c(b->document());
        c.setPosition(b->textToDoc(offset));
        QRect r = b->cursorRect(c);
        const QString t = b->text();
        if (offset >= 0 && offset < t.size())
            r.setWidth(qMax(1, b->fontMetrics().horizontalAdvance(t.at(offset))));
        return QRect(b->viewport()->mapToGlobal(r.topLeft()), r.size());
    }
    int offsetAtPoint(const QPoint &point) const override
    {
        TextBoxEditor *b = box();
        b->flush();
        const QPoint p = b->viewport()->mapFromGlobal(point);
        if (!b->viewport()->rect().contains(p))
            return -1;
        return int(b->docToText(b->cursorForPosition(p).position()));
    }
    void scrollToSubstring(int start, int end) override
    {
        box()->setSelection(start, qMax(0, end - start));
    }
    // Offsets -2 (the caret) and -1 or the length (the last character) as screen readers
    // use them. The box never formats part of its text, so one run covers all of it.
    QString attributes(int offset, int *start, int *end) const override
    {
        TextBoxEditor *b = box();
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
        const int at = b->textToDoc(offset);
        const QTextBlock block = b->document()->findBlock(at);
        // A line break has the format of the character before it, as in Qt's own widgets.
        QTextCharFormat format = block.charFormat();
        for (auto it = block.begin(); !it.atEnd() && it.fragment().position() <= at; ++it)
            format = it.fragment().charFormat();
        return textAttributes(format, block);
    }

    void deleteText(int start, int end) override
    {
        box()->replaceText(start, end, QString(), false);
    }
    void insertText(int offset, const QString &s) override
    {
        box()->replaceText(offset, offset, s, false);
    }
    void replaceText(int start, int end, const QString &s) override
    {
        box()->replaceText(start, end, s, false);
    }
};

QAccessibleInterface *textBoxAccessibleFactory(const QString &className, QObject *object)
{
    if (className == QLatin1String("TextBoxEditor") && object && object->isWidgetType())
        return new TextBoxAccessible(static_cast<TextBoxEditor *>(object));
    return nullptr;
}

} // namespace

void installTextBoxAccessibility()
{
    static const bool installed = [] {
        QAccessible::installFactory(textBoxAccessibleFactory);
        return true;
    }();
    Q_UNUSED(installed);
}

// Qt offers no public way to stop them: the receiver is the editor's text control, a
// private class known only by its name.
void stopDocumentChangeReports(QPlainTextEdit *editor)
{
    for (QObject *child : editor->children())
        if (qstrcmp(child->metaObject()->className(), "QPlainTextEditControl") == 0)
            QObject::disconnect(editor->document(), &QTextDocument::contentsChange, child, nullptr);
}
