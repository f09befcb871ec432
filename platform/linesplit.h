#pragma once

#include <QString>

#include <vector>

// A text cut into shown lines of at most lineChars() characters. CR LF, a lone CR and a lone
// LF each end a line; a longer line is cut after a space in the second half of the line where
// there is one (hex pairs stay whole), else at the width. What ends each line is kept, so a
// position in the text and a place in a shown line convert both ways.
//
// The lines may cover only the start of the text, up to shownEnd(): the rest is not shown
// yet. A line's start is found by its number in O(1) once the starts before it are known; a
// change makes the starts after it unknown until the next lookup, which is one pass.
class LineSplit
{
public:
    // What ends a line: nothing (the last line), a cut of a long line, or a line break.
    enum class End : quint8 { None, Cut, CrLf, Cr, Lf };
    struct Line
    {
        int len = 0; // characters shown
        End end = End::None;
        qsizetype start = 0; // index of the first character in the text, kept by the map
    };
    // Lines with their shown characters: U+2029 between two lines (a text document's block
    // separator), U+FFFD for a character a text document would take as a separator.
    struct Lines
    {
        std::vector<Line> lines;
        QString shown;
    };

    LineSplit(); // the empty text: one empty line

    [[nodiscard]] int lineChars() const { return m_lineChars; }
    void setLineChars(int chars) { m_lineChars = qMax(1, chars); }

    [[nodiscard]] int count() const { return int(m_lines.size()); }
    [[nodiscard]] int length(int line) const { return m_lines[size_t(line)].len; }
    [[nodiscard]] End end(int line) const { return m_lines[size_t(line)].end; }
    [[nodiscard]] qsizetype start(int line) const;
    // The last line starting at or before text position `pos`.
    [[nodiscard]] int lineAt(qsizetype pos) const;
    // The text position of a place in a shown line (clamped to the line).
    [[nodiscard]] qsizetype textPos(int line, int column) const
    {
        return start(line) + qBound(0, column, length(line));
    }
    // Where the shown lines end in the text.
    [[nodiscard]] qsizetype shownEnd() const { return m_covered; }
    // Characters of all shown lines with one separator between two lines.
    [[nodiscard]] qsizetype shownLength() const { return m_lenSum + count() - 1; }

    [[nodiscard]] static int breakLength(End end)
    {
        return end == End::CrLf ? 2 : (end == End::Cr || end == End::Lf) ? 1 : 0;
    }
    static void appendShown(QString &shown, QStringView chars);

    // Splits text[from, to) as if `from` started a line; the last line ends with `last`.
    [[nodiscard]] Lines split(const QString &text, qsizetype from, qsizetype to, End last) const;
    // Lines first..last become `lines`.
    void replace(int first, int last, const std::vector<Line> &lines);
    // Splits the whole text anew; returns its shown characters.
    QString reset(const QString &text);

    // Shows text[0, to) where text[0, shownEnd()) is shown and unchanged: the last line is
    // split again together with what follows it, so that the lines are those of the whole
    // text split at once. Gives the first line that changed and the shown characters of the
    // lines from there on.
    struct Tail
    {
        int first;
        QString shown;
    };
    Tail extend(const QString &text, qsizetype to);

private:
    mutable std::vector<Line> m_lines;         // starts are filled in by lookups
    mutable int m_startsValid = 1;             // m_lines[0, m_startsValid) have a valid start
    static constexpr int kFirstLineChars = 80; // until the box says what fits
    int m_lineChars = kFirstLineChars;
    qsizetype m_covered = 0; // sum of lengths and line breaks
    qsizetype m_lenSum = 0;  // sum of lengths
};
