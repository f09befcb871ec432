#include "platform/linesplit.h"

#include <algorithm>

namespace {

// Characters a text document takes as a block or frame boundary: the line and paragraph
// separators and the two it marks frames with. None lies below the first.
constexpr char16_t kLineSeparator = 0x2028, kParagraphSeparator = 0x2029;
constexpr char16_t kFrameStart = 0xFDD0, kFrameEnd = 0xFDD1;
inline bool isDocControl(char16_t c)
{
    return c == kLineSeparator || c == kParagraphSeparator || c == kFrameStart || c == kFrameEnd;
}

} // namespace

LineSplit::LineSplit() : m_lines(1) {}

void LineSplit::appendShown(QString &shown, QStringView chars)
{
    const qsizetype at = shown.size();
    shown.append(chars);
    QChar *d = shown.data() + at;
    for (qsizetype i = 0; i < chars.size(); ++i)
        if (d[i].unicode() >= kLineSeparator && isDocControl(d[i].unicode()))
            d[i] = QChar::ReplacementCharacter;
}

qsizetype LineSplit::start(int line) const
{
    while (m_startsValid <= line) {
        const Line &p = m_lines[size_t(m_startsValid - 1)];
        m_lines[size_t(m_startsValid)].start = p.start + p.len + breakLength(p.end);
        ++m_startsValid;
    }
    return m_lines[size_t(line)].start;
}

int LineSplit::lineAt(qsizetype pos) const
{
    (void)start(count() - 1); // all starts known
    const auto it = std::upper_bound(m_lines.begin(), m_lines.end(), pos,
                                     [](qsizetype v, const Line &l) { return v < l.start; });
    return qMax(0, int(it - m_lines.begin()) - 1);
}

LineSplit::Lines LineSplit::split(const QString &text, qsizetype from, qsizetype to, End last) const
{
    const int w = m_lineChars;
    const QChar *t = text.constData();
    Lines out;
    QString &doc = out.shown;
    doc.reserve((to - from) + (to - from) / w + 8);
    qsizetype cur = 0; // characters in the open line
    qsizetype pos = from;
    auto close = [&](End e) {
        out.lines.push_back({int(cur), e});
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
                appendShown(doc, QStringView(t + pos, j - pos));
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
            appendShown(doc, QStringView(t + pos, cut - pos));
            cur += cut - pos;
            pos = cut;
            close(End::Cut);
        }
        if (j >= to)
            break;
        if (t[j] == u'\r' && j + 1 < to && t[j + 1] == u'\n') {
            pos = j + 2;
            close(End::CrLf);
        } else {
            pos = j + 1;
            close(t[j] == u'\r' ? End::Cr : End::Lf);
        }
    }
    out.lines.push_back({int(cur), last});
    return out;
}

void LineSplit::replace(int first, int last, const std::vector<Line> &lines)
{
    for (int i = first; i <= last; ++i) {
        m_covered -= m_lines[size_t(i)].len + breakLength(m_lines[size_t(i)].end);
        m_lenSum -= m_lines[size_t(i)].len;
    }
    for (const Line &l : lines) {
        m_covered += l.len + breakLength(l.end);
        m_lenSum += l.len;
    }
    m_lines.erase(m_lines.begin() + first, m_lines.begin() + last + 1);
    m_lines.insert(m_lines.begin() + first, lines.begin(), lines.end());
    m_startsValid = qMax(1, qMin(m_startsValid, first));
    m_lines[0].start = 0;
}

QString LineSplit::reset(const QString &text)
{
    Lines all = split(text, 0, text.size(), End::None);
    m_lines.swap(all.lines);
    m_startsValid = 1;
    m_lines[0].start = 0;
    m_covered = text.size();
    m_lenSum = 0;
    for (const Line &l : m_lines)
        m_lenSum += l.len;
    return std::move(all.shown);
}

LineSplit::Tail LineSplit::extend(const QString &text, qsizetype to)
{
    int first = count() - 1;
    // A CR ending the line before an empty last line may pair with an LF that follows now.
    if (first > 0 && length(first) == 0 && end(first - 1) == End::Cr)
        --first;
    Lines lines = split(text, start(first), to, End::None);
    replace(first, count() - 1, lines.lines);
    return {first, std::move(lines.shown)};
}
