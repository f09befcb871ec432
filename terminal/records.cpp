#include "records.h"

#include <QFile>
#include <QLocale>
#include <QSaveFile>

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
    // A record starts after blanks and any empty lines left by the previous record.
    while (pos_ < data_.size() && (data_[pos_] == ' ' || data_[pos_] == '\t'))
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
        while (pos_ < data_.size() && data_[pos_] != ',' && data_[pos_] != '\n')
            ++pos_;
        if (pos_ < data_.size())
            ++pos_;
        return value;
    }

    // A record without quotes (a hand-edited file) runs to the next comma or line end.
    while (pos_ < data_.size() && data_[pos_] != ',' && data_[pos_] != '\r' && data_[pos_] != '\n')
        value += data_[pos_++];
    if (pos_ < data_.size()) {
        if (data_[pos_] == '\r' && pos_ + 1 < data_.size() && data_[pos_ + 1] == '\n')
            ++pos_;
        ++pos_;
    }
    return value.trimmed();
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

bool writeFileSafely(const QString &path, const QByteArray &data)
{
    QSaveFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        return false;
    // commit() does not notice every failed write (a short write at a file size limit
    // passes), so make sure all bytes reached the file before it replaces the old one.
    if (f.write(data) != data.size() || !f.flush() || f.size() != data.size()) {
        f.cancelWriting();
        return false;
    }
    return f.commit();
}

std::optional<QByteArray> readWholeFile(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return std::nullopt;
    return f.readAll();
}
