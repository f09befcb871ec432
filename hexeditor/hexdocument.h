#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <array>
#include <optional>

// A change of a view's text: characters [start, end) become `text`.
struct ViewEdit
{
    qsizetype start = 0;
    qsizetype end = 0;
    QString text;
};

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

    // Reads an edit of a view from `before`, the view's text the content agrees with (a
    // read of it would change nothing), to `after`: only what differs is read, and the
    // content ends up exactly as a read of all of `after` leaves it. Returns the edit that
    // takes the other view's text of the old content to that of the new content, or
    // nothing (content unchanged) when `after` holds more bytes than fit.
    std::optional<ViewEdit> readHexEdit(const QString &before, const QString &after);
    std::optional<ViewEdit> readAsciiEdit(const QString &before, const QString &after);

    // New content (at most kCapacity bytes; the caller refuses longer data). The byte after
    // it is zeroed, as a file load does.
    void setContent(QByteArrayView bytes);
    // "Clear": no content, every byte zero.
    void clear();

private:
    QByteArrayView range(qint32 from, qint32 to) const;
    qsizetype zerosIn(qint32 from, qint32 to) const;

    std::array<quint8, kCapacity> store_{};
    qint32 size_ = 0;
};
