#include "platform/widgets/textbox.h"

#include "platform/widgets/textboxaccessible.h"
#include "platform/widgets/textboxeditor.h"

TextBox::TextBox(QWidget *parent) : QWidget(parent), m_editor(new TextBoxEditor(this))
{
    installTextBoxAccessibility();
    stopDocumentChangeReports(m_editor);
    setFocusPolicy(m_editor->focusPolicy());
    setFocusProxy(m_editor);
    m_editor->setChangeHandler([this] { emit changed(); });
}

TextBox::~TextBox() = default;

QString TextBox::text() const
{
    return m_editor->text();
}

void TextBox::setText(const QString &text)
{
    m_editor->setText(text);
}

void TextBox::appendText(const QString &text)
{
    m_editor->appendText(text);
}

qsizetype TextBox::length() const
{
    return m_editor->text().size();
}

qsizetype TextBox::selStart() const
{
    return m_editor->selStart();
}

void TextBox::setSelStart(qsizetype pos)
{
    m_editor->setSelStart(pos);
}

qsizetype TextBox::selLength() const
{
    return m_editor->selLength();
}

QString TextBox::selectedText() const
{
    return m_editor->text().mid(m_editor->selStart(), m_editor->selLength());
}

void TextBox::setSelection(qsizetype start, qsizetype length)
{
    m_editor->setSelection(start, length);
}

void TextBox::replaceText(qsizetype start, qsizetype end, const QString &text, Caret caret)
{
    m_editor->replaceText(start, end, text, caret == Caret::Stays);
}

void TextBox::copy()
{
    m_editor->copy();
}

void TextBox::paste()
{
    m_editor->paste();
}

void TextBox::setFontSize(double points)
{
    QFont f = font();
    f.setPointSizeF(points);
    setFont(f);
}

void TextBox::setTabChangesFocus(bool on)
{
    m_editor->setTabChangesFocus(on);
}

void TextBox::setLatin1Only(bool on)
{
    m_editor->setLatin1Only(on);
}

void TextBox::flush()
{
    m_editor->flush();
}

int TextBox::lineChars() const
{
    return m_editor->lineChars();
}

bool TextBox::displayMatchesText() const
{
    return m_editor->displayMatchesText();
}

bool TextBox::event(QEvent *e)
{
    switch (e->type()) {
    case QEvent::ShortcutOverride:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::InputMethod:
        // Handled by the editor as if it had the focus. Called directly, not sent: a key the
        // editor leaves goes on to the box's parents once, as from any widget.
        return static_cast<QObject *>(m_editor)->event(e);
    default:
        return QWidget::event(e);
    }
}

void TextBox::resizeEvent(QResizeEvent *e)
{
    QWidget::resizeEvent(e);
    m_editor->setGeometry(rect());
}
