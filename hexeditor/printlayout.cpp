#include "hexeditor/printlayout.h"

namespace {

// The cut counts characters only: pairs of the hex view and line breaks of the ASCII
// view may be split across printed lines.
void appendCut(QStringList &lines, const QString &text)
{
    const QString indent = QStringLiteral("  ");
    for (qsizetype pos = 0; pos < text.size(); pos += kPrintLineChars)
        lines << indent + text.mid(pos, kPrintLineChars);
}

} // namespace

QStringList printAllLines(const QString &hexView, const QString &asciiView)
{
    const QString blankPair = QStringLiteral("\r\n");
    QStringList lines;
    constexpr qsizetype kFixedLines = 5; // the blank pairs and each view's last, short line
    lines.reserve((hexView.size() + asciiView.size()) / kPrintLineChars + kFixedLines);
    lines << blankPair;
    appendCut(lines, hexView);
    lines << blankPair;
    appendCut(lines, asciiView);
    lines << blankPair;
    return lines;
}
