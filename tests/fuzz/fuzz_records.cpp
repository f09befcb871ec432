// Feeds arbitrary bytes to the record reader as the settings file would be read, and
// checks that every text read survives a write and a second read unchanged.
#include "terminal/records.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    RecordReader reader(QByteArray(reinterpret_cast<const char *>(data), qsizetype(size)));
    RecordWriter writer;
    QStringList texts;
    for (int i = 0; i < 2003 && !reader.atEnd(); ++i) {
        if (auto t = reader.text()) {
            texts << *t;
            writer.text(*t);
        }
    }
    for (int i = 0; i < 8 && !reader.atEnd(); ++i)
        (void)reader.number();

    RecordReader again(writer.bytes());
    for (const QString &t : texts) {
        const auto back = again.text();
        if (!back || *back != t)
            std::abort();
    }
    return 0;
}
