#pragma once

#include "platform/savefile.h" // the files these records are kept in

#include <QByteArray>
#include <QString>

#include <optional>

// The record text format of the settings and project files: one record per line ended
// by CR LF; a text record is the text between double quotes, a number record the decimal
// number. Characters are bytes (ISO-8859-1; others become "?").
//
// A double quote inside a text is written doubled (""), which a plain reader of the
// format would never produce, so every plain file still reads the same.
class RecordWriter
{
public:
    void text(const QString &value);
    void number(qint64 value);
    const QByteArray &bytes() const { return data_; }

private:
    QByteArray data_;
};

// Reads records in order. A record that is missing or malformed gives nothing; the
// reader then moves on to the next record. Records may also be separated by commas.
// CR, LF and CR LF all end a line, and blank lines are no records.
class RecordReader
{
public:
    explicit RecordReader(QByteArray data);
    std::optional<QString> text();
    std::optional<double> number();
    bool atEnd() const;

private:
    std::optional<QByteArray> field();
    // Moves past the comma that ends a record, or up to its line end.
    void skipToSeparator();

    QByteArray data_;
    qsizetype pos_ = 0;
};
