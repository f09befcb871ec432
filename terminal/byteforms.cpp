#include "terminal/byteforms.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace {

constexpr qsizetype kMarkerLength = sizeof(kZeroMarker) - 1;

// "41 " for every byte value.
constexpr std::array<std::array<char16_t, 3>, 256> kHexForms = [] {
    constexpr char digits[] = "0123456789ABCDEF";
    std::array<std::array<char16_t, 3>, 256> t{};
    for (size_t b = 0; b < 256; ++b)
        t[b] = {char16_t(digits[b >> 4]), char16_t(digits[b & 15]), u' '};
    return t;
}();

} // namespace

void appendAsciiForms(QString &out, QByteArrayView bytes)
{
    const char *data = bytes.data();
    qsizetype n = bytes.size();
    while (n > 0) {
        const auto *zero = static_cast<const char *>(std::memchr(data, 0, size_t(n)));
        const qsizetype run = zero ? zero - data : n;
        out.append(QLatin1StringView(data, run));
        if (!zero)
            break;
        out.append(QLatin1StringView(kZeroMarker, kMarkerLength));
        data += run + 1;
        n -= run + 1;
    }
}

void appendHexForms(QString &out, QByteArrayView bytes)
{
    const qsizetype start = out.size();
    out.resize(start + 3 * bytes.size());
    char16_t *dst = reinterpret_cast<char16_t *>(out.data()) + start;
    for (const char c : bytes) {
        std::memcpy(dst, kHexForms[quint8(c)].data(), 3 * sizeof(char16_t));
        dst += 3;
    }
}

QString asciiForms(QByteArrayView bytes)
{
    QString text;
    text.reserve(bytes.size() + (kMarkerLength - 1) * std::count(bytes.begin(), bytes.end(), '\0'));
    appendAsciiForms(text, bytes);
    return text;
}

QString hexForms(QByteArrayView bytes)
{
    QString text;
    appendHexForms(text, bytes);
    return text;
}

bool asciiFormsReadBack(QByteArrayView bytes)
{
    return !bytes.contains(QByteArrayView(kZeroMarker, kMarkerLength));
}
