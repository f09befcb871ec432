#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <array>
#include <optional>

// The hex editor's bytes: a fixed store of kCapacity bytes of which the first size() are
// the content. Bytes past the content keep what earlier content left there (a hex pair
// that is not a byte value keeps the old byte at its place).
class HexDocument
{
public:
    static constexpr qsizetype kCapacity = 512001;

    qint32 size() const { return size_; }
    QByteArrayView bytes() const;

    // Both view texts of the content.
    QString hexView() const;
    QString asciiView() const;

    // Reads a view back into the content. Nothing (content unchanged) when the view holds
    // more bytes than fit; otherwise the new size.
    std::optional<qint32> readHexView(const QString &text);
    std::optional<qint32> readAsciiView(const QString &text);

    // New content (at most kCapacity bytes; the caller refuses longer data). The byte after
    // it is zeroed, as a file load does.
    void setContent(QByteArrayView bytes);
    // "Clear": no content, every byte zero.
    void clear();

private:
    std::array<quint8, kCapacity> store_{};
    qint32 size_ = 0;
};
