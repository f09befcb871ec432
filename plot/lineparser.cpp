#include "plot/lineparser.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace {

enum class Number { Value, Left, Invalid };

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

bool isNameStart(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// The common case, decimal digits with at most 15 or so of them and a small exponent:
// the digits as a whole number times or divided by a power of ten are both exact doubles,
// so one multiplication or division rounds as a full conversion does. False for the rest.
bool readPlainNumber(const char *p, const char *end, double &value)
{
    static constexpr double kPowers[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                         1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                         1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
    constexpr quint64 kExact = quint64(1) << 53;
    const bool negative = p != end && *p == '-';
    p += negative ? 1 : 0;
    quint64 digits = 0;
    int exponent = 0;
    bool any = false;
    for (bool fraction = false; p != end; ++p) {
        if (*p == '.' && !fraction) {
            fraction = true;
            continue;
        }
        if (!isDigit(*p))
            break;
        if (digits >= kExact / 10)
            return false;
        digits = digits * 10 + quint64(*p - '0');
        exponent -= fraction ? 1 : 0;
        any = true;
    }
    if (!any)
        return false;
    if (p != end && (*p == 'e' || *p == 'E')) {
        const bool down = ++p != end && *p == '-';
        p += p != end && (*p == '-' || *p == '+') ? 1 : 0;
        int e = 0;
        if (p == end)
            return false;
        for (; p != end && isDigit(*p) && e < 1000; ++p)
            e = e * 10 + (*p - '0');
        exponent += down ? -e : e;
    }
    constexpr int kExactPowers = 22; // 1e22 is the largest power of ten a double holds exactly
    if (p != end || exponent < -kExactPowers || exponent > kExactPowers)
        return false;
    const double v =
        exponent < 0 ? double(digits) / kPowers[-exponent] : double(digits) * kPowers[exponent];
    value = negative ? -v : v;
    return true;
}

Number readNumber(QByteArrayView token, double &value)
{
    const char *begin = token.data();
    const char *end = begin + token.size();
    if (begin != end && *begin == '+' && end - begin > 1 && begin[1] != '-')
        ++begin;
    if (readPlainNumber(begin, end, value))
        return Number::Value;
    const auto [ptr, ec] = std::from_chars(begin, end, value, std::chars_format::general);
    if (begin == end || ptr != end || ec == std::errc::invalid_argument)
        return Number::Invalid;
    // Too large for a double, nan and inf: the line stands, this value is left out.
    if (ec == std::errc::result_out_of_range || !std::isfinite(value))
        return Number::Left;
    return Number::Value;
}

// The fields of a line of numbers: separated by a comma or a semicolon, or by blanks. Two
// commas with nothing between give an empty field; a comma at the end gives none.
class NumberFields
{
public:
    explicit NumberFields(QByteArrayView line) : p_(line.data()), end_(p_ + line.size()) {}

    bool next(QByteArrayView &field)
    {
        if (done_)
            return false;
        const auto skipBlanks = [this] {
            while (p_ != end_ && isBlank(*p_))
                ++p_;
        };
        skipBlanks();
        const char *start = p_;
        while (p_ != end_ && !isBlank(*p_) && *p_ != ',' && *p_ != ';')
            ++p_;
        field = QByteArrayView(start, p_);
        skipBlanks();
        if (p_ != end_ && (*p_ == ',' || *p_ == ';'))
            ++p_;
        else if (p_ == end_)
            done_ = true;
        return !(done_ && field.isEmpty());
    }

private:
    const char *p_;
    const char *end_;
    bool done_ = false;
};

QByteArrayView trimmed(QByteArrayView s)
{
    while (!s.isEmpty() && isBlank(s.front()))
        s = s.sliced(1);
    while (!s.isEmpty() && isBlank(s.back()))
        s.chop(1);
    return s;
}

} // namespace

void LineParser::reset()
{
    partial_.clear();
    inLine_ = lastWasCr_ = skipFirst_ = numbersSeen_ = false;
    skipped_ = 0;
    pairNames_.clear();
    columnSeries_.clear();
    header_.clear();
}

void LineParser::feed(QByteArrayView bytes, qint64 arrivalMsecs)
{
    const char *p = bytes.data();
    const char *const end = p + bytes.size();
    if (lastWasCr_ && p != end && *p == '\n')
        ++p;
    lastWasCr_ = false;
    while (p != end) {
        const char *eol = std::find_if(p, end, [](char c) { return c == '\n' || c == '\r'; });
        if (!inLine_) {
            inLine_ = true;
            partialMsecs_ = arrivalMsecs;
        }
        // An overlong line keeps one byte too many, enough to know it is skipped.
        const qsizetype room = kMaxLineLength + 1 - partial_.size();
        if (eol == end) {
            partial_.append(p, std::min<qsizetype>(end - p, std::max<qsizetype>(room, 0)));
            break;
        }
        if (partial_.isEmpty()) {
            endLine(QByteArrayView(p, eol), partialMsecs_);
        } else {
            partial_.append(p, std::min<qsizetype>(eol - p, std::max<qsizetype>(room, 0)));
            endLine(partial_, partialMsecs_);
            partial_.clear();
        }
        inLine_ = false;
        p = eol + 1;
        if (*eol == '\r') {
            if (p == end)
                lastWasCr_ = true;
            else if (*p == '\n')
                ++p;
        }
    }
}

void LineParser::endLine(QByteArrayView line, qint64 msecs)
{
    const QByteArrayView text = trimmed(line);
    if (skipFirst_) {
        skipFirst_ = false;
        skipped_ += text.isEmpty() ? 0 : 1;
        return;
    }
    if (text.isEmpty())
        return;
    values_.clear();
    const bool parsed = line.size() <= kMaxLineLength &&
                        (text.contains(':') ? parsePairs(text) : parseNumbers(text));
    if (parsed)
        store_.addLine(msecs, values_);
    else
        ++skipped_;
}

int LineParser::pairSeries(qsizetype field, QByteArrayView name)
{
    if (size_t(field) >= pairNames_.size())
        pairNames_.resize(size_t(field) + 1, {QByteArray(), -1});
    auto &[cachedName, series] = pairNames_[size_t(field)];
    if (cachedName != name) {
        cachedName = name.toByteArray();
        series = store_.seriesIndex(cachedName);
    }
    return series;
}

bool LineParser::parsePairs(QByteArrayView line)
{
    const auto isSeparator = [](char c) { return isBlank(c) || c == ','; };
    // Names are looked up once the whole line has been read: a line that is skipped
    // must not add series.
    fields_.clear();
    numbers_.clear();
    for (qsizetype i = 0, n = line.size();;) {
        while (i < n && isSeparator(line[i]))
            ++i;
        if (i == n)
            break;
        const qsizetype nameStart = i;
        while (i < n && line[i] != ':' && !isSeparator(line[i]))
            ++i;
        if (i == n || line[i] != ':' || !isNameStart(line[nameStart]))
            return false;
        fields_.push_back(line.sliced(nameStart, i - nameStart));
        for (++i; i < n && isBlank(line[i]);)
            ++i;
        const qsizetype valueStart = i;
        while (i < n && !isSeparator(line[i]))
            ++i;
        double value = 0;
        const Number kind = readNumber(line.sliced(valueStart, i - valueStart), value);
        if (kind == Number::Invalid)
            return false;
        numbers_.push_back(kind == Number::Value ? value : qQNaN());
    }
    for (size_t field = 0; field < fields_.size(); ++field) {
        const int series = pairSeries(qsizetype(field), fields_[field]);
        if (std::isnan(numbers_[field]) || series < 0)
            continue;
        // A name given twice in one line: its last value counts.
        const auto same = std::find_if(values_.begin(), values_.end(),
                                       [&](const SeriesValue &v) { return v.series == series; });
        if (same != values_.end())
            same->value = numbers_[field];
        else
            values_.push_back({series, numbers_[field]});
    }
    return !fields_.empty();
}

void LineParser::readHeader(QByteArrayView line)
{
    std::vector<QByteArray> names;
    QByteArrayView field;
    for (NumberFields fields(line); fields.next(field);) {
        if (field.isEmpty() || !isNameStart(field[0]))
            return;
        names.push_back(field.toByteArray());
    }
    if (names.size() >= 2)
        header_ = std::move(names);
}

bool LineParser::parseNumbers(QByteArrayView line)
{
    bool anyNumber = false;
    size_t columns = 0;
    QByteArrayView field;
    for (NumberFields fields(line); fields.next(field); ++columns) {
        double value = 0;
        const Number kind = field.isEmpty() ? Number::Left : readNumber(field, value);
        if (kind == Number::Invalid) {
            if (!numbersSeen_)
                readHeader(line);
            return false;
        }
        anyNumber = anyNumber || !field.isEmpty();
        if (kind == Number::Value)
            values_.push_back({int(columns), value});
    }
    if (!anyNumber)
        return false;
    // The first numbers name their columns after a header of the same size, which then
    // counts as read rather than skipped.
    const bool named = !numbersSeen_ && header_.size() == columns;
    skipped_ -= named ? 1 : 0;
    numbersSeen_ = true;
    while (columnSeries_.size() < columns) {
        const size_t column = columnSeries_.size();
        columnSeries_.push_back(store_.seriesIndex(
            named ? header_[column] : QByteArray::number(qulonglong(column) + 1)));
    }
    for (SeriesValue &v : values_)
        v.series = columnSeries_[size_t(v.series)];
    std::erase_if(values_, [](const SeriesValue &v) { return v.series < 0; });
    return true;
}
