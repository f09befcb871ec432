#include "records.h"

#include <QFile>
#include <QSaveFile>

void RecordWriter::text(const QString &) {}
void RecordWriter::number(qint64) {}

RecordReader::RecordReader(QByteArray data) : data_(std::move(data)) {}
std::optional<QString> RecordReader::text()
{
    return std::nullopt;
}
std::optional<double> RecordReader::number()
{
    return std::nullopt;
}
bool RecordReader::atEnd() const
{
    return pos_ >= data_.size();
}

bool writeFileSafely(const QString &path, const QByteArray &data)
{
    QSaveFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        return false;
    if (f.write(data) != data.size())
        return false;
    return f.commit();
}

std::optional<QByteArray> readWholeFile(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return std::nullopt;
    return f.readAll();
}
