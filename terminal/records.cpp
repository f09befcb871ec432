#include "terminal/records.h"

#include <QLocale>

#include <cmath>

void RecordWriter::text(const QString &value)
{
    data_ += '"';
    for (char c : value.toLatin1()) {
        if (c == '"')
            data_ += '"';
        data_ += c;
    }
    data_ += "\"\r\n";
}

void RecordWriter::number(qint64 value)
{
    data_ += QByteArray::number(value);
    data_ += "\r\n";
}

RecordReader::RecordReader(QByteArray data) : data_(std::move(data)) {}

bool RecordReader::atEnd() const
{
    qsizetype p = pos_;
    while (p < data_.size() &&
           (data_[p] == ' ' || data_[p] == '\t' || data_[p] == '\r' || data_[p] == '\n'))
        ++p;
    return p >= data_.size();
}

std::optional<QByteArray> RecordReader::field()
{
    // A record starts after blanks and line ends: a blank line (often left in a file edited
    // by hand) is no record, or every later record would move up by one.
    while (pos_ < data_.size() && (data_[pos_] == ' ' || data_[pos_] == '\t' ||
                                   data_[pos_] == '\r' || data_[pos_] == '\n'))
        ++pos_;
    if (pos_ >= data_.size())
        return std::nullopt;

    QByteArray value;
    if (data_[pos_] == '"') {
        // From the opening quote to the next lone quote; a doubled quote is one quote.
        ++pos_;
        while (pos_ < data_.size()) {
            const char c = data_[pos_++];
            if (c == '"') {
                if (pos_ < data_.size() && data_[pos_] == '"') {
                    value += '"';
                    ++pos_;
                    continue;
                }
                break;
            }
            value += c;
        }
        // The rest of the record's line (up to a comma or the line end) is passed over.
        // A line may end in CR alone, as files from older systems do.
        skipToSeparator();
        return value;
    }

    // A record without quotes (a hand-edited file) runs to the next comma or line end.
    const qsizetype start = pos_;
    skipToSeparator();
    const qsizetype end = pos_ > start && data_[pos_ - 1] == ',' ? pos_ - 1 : pos_;
    return data_.mid(start, end - start).trimmed();
}

void RecordReader::skipToSeparator()
{
    while (pos_ < data_.size() && data_[pos_] != ',' && data_[pos_] != '\r' && data_[pos_] != '\n')
        ++pos_;
    // A line end is left for the next record's start, which passes over all of them.
    if (pos_ < data_.size() && data_[pos_] == ',')
        ++pos_;
}

std::optional<QString> RecordReader::text()
{
    if (auto f = field())
        return QString::fromLatin1(*f);
    return std::nullopt;
}

std::optional<double> RecordReader::number()
{
    auto f = field();
    if (!f)
        return std::nullopt;
    bool ok = false;
    const double v = QLocale::c().toDouble(QString::fromLatin1(f->trimmed()), &ok);
    if (!ok || !std::isfinite(v))
        return std::nullopt;
    return v;
}
